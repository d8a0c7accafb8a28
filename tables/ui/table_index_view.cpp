#include "tables/ui/table_index_view.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "tables/table_grids.h"
#include "tables/ui/form_table.h"
#include "tables/ui/grid_printer.h"

namespace korin {
namespace {

void FillCells(TFormTable& module, TPrtTextGrid& cells) {
    if (module.TableOpen())
        FillIndexGrid(module.Table(), cells);
    else
        cells = TPrtTextGrid();
}

}  // namespace

TTableIndexView::TTableIndexView(TFormTable& module) : TTableView(module) {
    setObjectName(QStringLiteral("TableIndex"));
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("GridIndex"));
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(18);
    grid_->horizontalHeader()->setDefaultSectionSize(160);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
}

void TTableIndexView::Refresh() {
    if (ViewActive()) Fill();
}

void TTableIndexView::Fill() {
    TPrtTextGrid cells;
    if (!Module().SelectedTablePath().isEmpty()) FillCells(Module(), cells);
    grid_->clear();
    if (cells.Cells.empty()) {
        grid_->setRowCount(0);
        grid_->setColumnCount(0);
        return;
    }
    grid_->setColumnCount(kIndexGridSize);
    grid_->setRowCount(kIndexGridSize - 1);
    QStringList header;
    for (const std::string& text : cells.Cells[0]) header << QString::fromStdString(text);
    grid_->setHorizontalHeaderLabels(header);
    grid_->setColumnWidth(0, 12);
    for (int r = 1; r < kIndexGridSize; ++r)
        for (int c = 0; c < kIndexGridSize; ++c) {
            const std::string& text = cells.Cells[static_cast<size_t>(r)][static_cast<size_t>(c)];
            if (!text.empty()) grid_->setItem(r - 1, c, new QTableWidgetItem(QString::fromStdString(text)));
        }
}

void TTableIndexView::Print() {
    if (!ViewActive()) return;
    TPrtTextGrid cells;
    FillCells(Module(), cells);
    if (cells.Cells.empty()) return;
    for (int c = 0; c < grid_->columnCount() && c < cells.ColCount(); ++c)
        cells.Widths[static_cast<size_t>(c)] = grid_->columnWidth(c);
    cells.Margin.Left = 100;
    cells.RepeatHeader = true;
    cells.PrintTitle = "Indizes " + Module().SelectedTablePath().toStdString();
    PrintGridWithPreview(this, cells);
}

void TTableIndexView::ExportText(const QString& file) {
    if (!ViewActive()) return;
    TPrtTextGrid cells;
    FillCells(Module(), cells);
    cells.FileName = file.toStdString();
    cells.Export();
}

}  // namespace korin
