#include "tables/ui/table_struc_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/kor_dialogs.h"
#include "store/kor_table.h"
#include "tables/table_grids.h"
#include "tables/ui/form_add_field.h"
#include "tables/ui/form_table.h"
#include "tables/ui/grid_printer.h"

namespace korin {
namespace {

constexpr int kNameColumn = 2;
constexpr int kShowColumn = 5;

QString ContensGroup(const QString& tablePath) {
    QString path = tablePath;
    path.replace(u'\\', u'/');
    return QStringLiteral("Contens/") + path;
}

// The name column accepts only what a field name may hold; "Zeigen" is drawn
// as a check mark on white.
class StrucDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9_]*")), line));
        return editor;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.column() != kShowColumn) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->fillRect(option.rect, Qt::white);
        if (index.data().toString().trimmed() != QStringLiteral("1")) return;
        const int shift = option.rect.width() >= 19 ? (option.rect.width() - 18) / 2 : 0;
        const QRect mark(option.rect.left() + shift, option.rect.top(), 16, 16);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        QPen pen(QColor(0, 128, 0));
        pen.setWidthF(2.2);
        painter->setPen(pen);
        painter->drawPolyline(QPolygonF({QPointF(mark.left() + 3, mark.top() + 8), QPointF(mark.left() + 7, mark.top() + 12),
                                         QPointF(mark.left() + 13, mark.top() + 4)}));
        painter->restore();
    }
};

}  // namespace

TTableStrucView::TTableStrucView(TFormTable& module) : TTableView(module) {
    setObjectName(QStringLiteral("TableStruc"));
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("GridStruc"));
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(18);
    grid_->setItemDelegate(new StrucDelegate(grid_));
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    grid_->setColumnCount(6);
    for (int c = 0; c < 6; ++c) grid_->setColumnWidth(c, kStructureWidths[c]);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    connect(grid_, &QTableWidget::cellChanged, this, &TTableStrucView::NameEdited);
    connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (column == kShowColumn && row >= 0) ToggleShown(row);
    });
}

TTableStrucView::~TTableStrucView() = default;

TFormAddField& TTableStrucView::AddFieldDialog() {
    if (!addField_) addField_ = new TFormAddField(this);
    return *addField_;
}

void TTableStrucView::Showing() {
    Fill();
    Module().ActionAddField()->setEnabled(Module().TableOpen());
}

void TTableStrucView::Hiding() {
    auto settings = Module().TableSettings();
    SaveSettings(*settings);
}

void TTableStrucView::Refresh() {
    if (!ViewActive()) return;
    if (Module().SelectedTablePath().isEmpty()) {
        filling_ = true;
        grid_->setRowCount(0);
        filling_ = false;
        Module().ActionAddField()->setEnabled(false);
        return;
    }
    {
        auto settings = Module().TableSettings();
        SaveSettings(*settings);
    }
    Fill();
    Module().ActionAddField()->setEnabled(Module().TableOpen());
}

void TTableStrucView::Fill() {
    filling_ = true;
    grid_->setRowCount(0);
    if (Module().TableOpen()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        TPrtTextGrid cells;
        FillStructureGrid(Module().Table(), cells);
        grid_->setHorizontalHeaderLabels({QString(), QStringLiteral("Code"), QStringLiteral("Name"),
                                          QStringLiteral("Länge"), QStringLiteral("Typ"), QStringLiteral("Zeigen")});
        grid_->setRowCount(static_cast<int>(cells.Cells.size()) - 1);
        for (int r = 1; r < static_cast<int>(cells.Cells.size()); ++r) {
            for (int c = 0; c < 6; ++c) {
                auto* item = new QTableWidgetItem(QString::fromStdString(cells.Cells[static_cast<size_t>(r)][static_cast<size_t>(c)]));
                Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
                if (c == kNameColumn) flags |= Qt::ItemIsEditable;
                item->setFlags(flags);
                grid_->setItem(r - 1, c, item);
            }
        }
        LoadVisibleFlags();
        QApplication::restoreOverrideCursor();
    }
    filling_ = false;
}

void TTableStrucView::LoadVisibleFlags() {
    auto settings = Module().TableSettings();
    settings->beginGroup(QStringLiteral("Structure"));
    for (int c = 0; c < 6; ++c) {
        const QString key = QStringLiteral("GridWidth%1").arg(c);
        if (settings->contains(key)) grid_->setColumnWidth(c, settings->value(key).toInt());
    }
    settings->endGroup();
    loadedPath_ = Module().SelectedTablePath();
    if (loadedPath_.isEmpty()) return;
    settings->beginGroup(ContensGroup(loadedPath_));
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const QString key = grid_->item(r, kNameColumn)->text() + QStringLiteral("Visible");
        if (settings->contains(key)) grid_->item(r, kShowColumn)->setText(QString::number(settings->value(key).toInt()));
    }
    settings->endGroup();
}

void TTableStrucView::LoadSettings(QSettings& tableGroup) {
    tableGroup.beginGroup(QStringLiteral("Structure"));
    for (int c = 0; c < 6; ++c) {
        const QString key = QStringLiteral("GridWidth%1").arg(c);
        if (tableGroup.contains(key)) grid_->setColumnWidth(c, tableGroup.value(key).toInt());
    }
    tableGroup.endGroup();
}

void TTableStrucView::SaveSettings(QSettings& tableGroup) {
    tableGroup.beginGroup(QStringLiteral("Structure"));
    for (int c = 0; c < 6; ++c) tableGroup.setValue(QStringLiteral("GridWidth%1").arg(c), grid_->columnWidth(c));
    tableGroup.endGroup();
    if (loadedPath_.isEmpty()) return;
    tableGroup.beginGroup(ContensGroup(loadedPath_));
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const QString shown = grid_->item(r, kShowColumn)->text();
        if (shown == QStringLiteral("0") || shown == QStringLiteral("1"))
            tableGroup.setValue(grid_->item(r, kNameColumn)->text() + QStringLiteral("Visible"), shown.toInt());
    }
    tableGroup.endGroup();
}

void TTableStrucView::ToggleShown(int row) {
    QTableWidgetItem* item = grid_->item(row, kShowColumn);
    if (!item) return;
    filling_ = true;
    item->setText(item->text() == QStringLiteral("1") ? QStringLiteral("0") : QStringLiteral("1"));
    filling_ = false;
}

void TTableStrucView::NameEdited(int row, int column) {
    if (filling_ || column != kNameColumn || !Module().TableOpen()) return;
    QTableWidgetItem* item = grid_->item(row, column);
    if (!item) return;
    const std::string name = item->text().toStdString();
    if (RenameField(Module().Table(), row, name)) return;
    // Refused: the cell shows the name the table keeps.
    filling_ = true;
    item->setText(QString::fromStdString(Module().Table().FieldDefs().FieldName(row)));
    filling_ = false;
}

void TTableStrucView::AddFieldAsked() {
    if (!Module().TableOpen()) return;
    TFormAddField& dialog = AddFieldDialog();
    if (dialog.exec() != QDialog::Accepted) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        Module().Table().AddField(dialog.FieldName().toStdString(), dialog.Code(), dialog.Length(), dialog.Decimals(),
                                  dialog.Type(), dialog.UpperCase() ? 1 : 0);
        Module().Refresh();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

void TTableStrucView::TakeCells(TPrtTextGrid& out) const {
    out.Cells.clear();
    out.Widths.clear();
    std::vector<std::string> header;
    for (int c = 0; c < grid_->columnCount(); ++c) {
        out.Widths.push_back(grid_->columnWidth(c));
        const QTableWidgetItem* h = grid_->horizontalHeaderItem(c);
        header.push_back(h ? h->text().toStdString() : std::string());
    }
    out.Cells.push_back(header);
    for (int r = 0; r < grid_->rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < grid_->columnCount(); ++c) {
            const QTableWidgetItem* item = grid_->item(r, c);
            row.push_back(item ? item->text().toStdString() : std::string());
        }
        out.Cells.push_back(row);
    }
}

void TTableStrucView::Print() {
    TPrtTextGrid cells;
    TakeCells(cells);
    cells.Margin.Left = 100;
    cells.RepeatHeader = true;
    cells.PrintTitle = "Struktur " + Module().SelectedTablePath().toStdString();
    PrintGridWithPreview(this, cells);
}

void TTableStrucView::ExportText(const QString& file) {
    TPrtTextGrid cells;
    TakeCells(cells);
    cells.FileName = file.toStdString();
    cells.Export();
}

}  // namespace korin
