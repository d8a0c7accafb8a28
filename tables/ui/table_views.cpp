#include "tables/ui/table_views.h"

#include "tables/ui/form_export_table.h"
#include "tables/ui/form_table.h"

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

TTableView* CreateTableImportView(TFormTable& module) {
    auto* view = new TTableView(module);
    view->setObjectName(QStringLiteral("TableImport"));
    return view;
}

void OpenTableExport(TFormTable& module) { ExportTable(module.ModuleHost(), module.Table(), &module); }

void OpenDirectImport(TFormTable& module) {}

}  // namespace korin
