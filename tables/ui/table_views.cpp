#include "tables/ui/table_views.h"

#include "tables/ui/form_export_table.h"
#include "tables/ui/form_table.h"
#include "tables/ui/table_import_view.h"

namespace korin {

TTableView::TTableView(TFormTable& module) : QWidget(nullptr), module_(module) {}

void TTableView::ShowView() {
    if (active_) return;
    active_ = true;
    Showing();
}

void TTableView::HideView() {
    if (!active_) return;
    Hiding();
    active_ = false;
}

TTableView* CreateTableImportView(TFormTable& module) { return new TFormTableImport(module); }

void OpenTableExport(TFormTable& module) { ExportTable(module.ModuleHost(), module.Table(), &module); }

void OpenDirectImport(TFormTable& module) { RunDirectImport(module); }

}  // namespace korin
