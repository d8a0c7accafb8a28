#include "tables/ui/table_cont_view.h"

#include <QHeaderView>
#include <QSettings>
#include <QTableView>
#include <QVBoxLayout>

#include "shell/kor_dialogs.h"
#include "shell/models/kor_dataset.h"
#include "tables/table_grids.h"
#include "tables/ui/form_table.h"
#include "tables/ui/grid_printer.h"

namespace korin {
namespace {

QString ContensGroup(const QString& tablePath) {
    QString path = tablePath;
    path.replace(u'\\', u'/');
    return QStringLiteral("Contens/") + path;
}

}  // namespace

TTableContView::TTableContView(TFormTable& module)
    : TTableView(module), dataset_(std::make_unique<TKorDataSet>()) {
    setObjectName(QStringLiteral("TableCont"));
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("GridCont"));
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(18);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setModel(dataset_.get());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
}

TTableContView::~TTableContView() {
    grid_->setModel(nullptr);
    dataset_.reset();
}

void TTableContView::Showing() {
    if (Module().TableOpen()) Reload();
}

void TTableContView::Hiding() {
    auto settings = Module().TableSettings();
    SaveSettings(*settings);
    dataset_->Close();
}

void TTableContView::Refresh() {
    if (ViewActive()) Reload();
}

void TTableContView::CloseData() { dataset_->Close(); }

void TTableContView::Reload() {
    {
        auto settings = Module().TableSettings();
        SaveSettings(*settings);
    }
    loadedPath_ = Module().SelectedTablePath();
    dataset_->Close();
    if (!Module().TableOpen()) return;
    TKorTable& source = Module().Table();
    table_.SetProject(source.Project());
    table_.SetFileName(source.FileName());
    table_.SetKeyFileName(source.KeyFileName());
    dataset_->SetKorTab(&table_);
    dataset_->Open();
    ApplyColumnSettings();
}

void TTableContView::ApplyColumnSettings() {
    const int columns = dataset_->columnCount();
    for (int c = 0; c < columns; ++c) grid_->setColumnHidden(c, false);
    if (!table_.IsOpen()) return;
    std::vector<TContentsColumn> chosen;
    auto settings = Module().TableSettings();
    if (!loadedPath_.isEmpty() && settings->childGroups().contains(QStringLiteral("Contens"))) {
        settings->beginGroup(ContensGroup(loadedPath_));
        chosen = ChooseColumns(
            table_,
            [&](const std::string& name) {
                const QString key = QString::fromStdString(name) + QStringLiteral("Visible");
                return settings->contains(key) ? settings->value(key).toInt() : -1;
            },
            [&](const std::string& name) {
                const QString key = QString::fromStdString(name);
                return settings->contains(key) ? settings->value(key).toInt() : -1;
            });
        settings->endGroup();
    } else {
        chosen = ChooseColumns(table_, [](const std::string&) { return -1; }, [](const std::string&) { return -1; });
    }
    std::vector<bool> shown(static_cast<size_t>(columns), false);
    for (const TContentsColumn& column : chosen) {
        if (column.field >= columns) continue;
        shown[static_cast<size_t>(column.field)] = true;
        grid_->setColumnWidth(column.field, column.width);
    }
    for (int c = 0; c < columns; ++c) grid_->setColumnHidden(c, !shown[static_cast<size_t>(c)]);
}

void TTableContView::LoadSettings(QSettings& tableGroup) {
    // The column settings belong to a table; they are read when a table is
    // loaded (Reload).
}

void TTableContView::SaveSettings(QSettings& tableGroup) {
    if (loadedPath_.isEmpty() || !dataset_->Active()) return;
    tableGroup.beginGroup(ContensGroup(loadedPath_));
    const int columns = dataset_->columnCount();
    for (int c = 0; c < columns; ++c) {
        const QString name = dataset_->headerData(c, Qt::Horizontal).toString();
        const bool visible = !grid_->isColumnHidden(c);
        if (visible) tableGroup.setValue(name, grid_->columnWidth(c));
        tableGroup.setValue(name + QStringLiteral("Visible"), visible ? 1 : 0);
    }
    tableGroup.endGroup();
}

void TTableContView::Print() {
    if (!ViewActive() || !dataset_->Active()) return;
    const QModelIndex current = grid_->currentIndex();
    Dialogs().ShowMessage(this, QStringLiteral("Datensatz : %1").arg(current.isValid() ? current.row() + 1 : 1));
    if (dataset_->rowCount() > 0) grid_->setCurrentIndex(dataset_->index(0, current.isValid() ? current.column() : 0));
    Dialogs().ShowMessage(this, QStringLiteral("Datensatz : %1").arg(1));
    TTableContentsGrid cells(table_);
    cells.Columns.clear();
    for (int c = 0; c < dataset_->columnCount(); ++c)
        if (!grid_->isColumnHidden(c)) cells.Columns.push_back({c, grid_->columnWidth(c)});
    cells.RepeatHeader = true;
    cells.PrintTitle = "Inhalt " + loadedPath_.toStdString();
    PrintGridWithPreview(this, cells);
}

void TTableContView::ExportText(const QString& file) {
    if (!ViewActive() || !dataset_->Active()) return;
    TTableContentsGrid cells(table_);
    cells.Columns.clear();
    for (int c = 0; c < dataset_->columnCount(); ++c)
        if (!grid_->isColumnHidden(c)) cells.Columns.push_back({c, grid_->columnWidth(c)});
    cells.FileName = file.toStdString();
    cells.Export();
}

}  // namespace korin
