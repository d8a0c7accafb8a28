#include "msr/ui/fixed_table_view.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

#include "shell/form_dir.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "shell/models/kor_dataset.h"
#include "store/kor_table.h"

namespace korin {
namespace {

enum { kCode, kName, kLength, kType, kShow };

}  // namespace

TFormTabView::TFormTabView(IKorHost& host, TDM::Table table, const QString& name, const QString& title,
                           QWidget* parent)
    : QDockWidget(parent), host_(host), table_(table), name_(name), title_(title) {
    setObjectName(name);
    setWindowTitle(title);
    tabs_ = new QTabWidget(this);
    content_ = new QTableView(tabs_);
    content_->setSelectionBehavior(QAbstractItemView::SelectRows);
    content_->verticalHeader()->setDefaultSectionSize(20);
    tabs_->addTab(content_, QStringLiteral("Inhalt"));
    tabs_->addTab(new QTableWidget(tabs_), QStringLiteral("Index"));
    structure_ = new QTableWidget(0, 5, tabs_);
    structure_->setHorizontalHeaderLabels({QStringLiteral("Code"), QStringLiteral("Beschreibung"),
                                           QStringLiteral("Länge"), QStringLiteral("Typ"), QStringLiteral("Zeigen")});
    for (const auto& [c, w] : {std::pair{0, 60}, {1, 160}, {2, 60}, {3, 60}, {4, 60}}) structure_->setColumnWidth(c, w);
    structure_->verticalHeader()->setFixedWidth(12);
    structure_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(structure_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column != kShow || !structure_->item(row, kShow)) return;
        QTableWidgetItem* flag = structure_->item(row, kShow);
        flag->setText(flag->text() == QStringLiteral("1") ? QStringLiteral("0") : QStringLiteral("1"));
    });
    tabs_->addTab(structure_, QStringLiteral("Struktur"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        if (!active_) return;
        StoreValues();
        ApplyColumns();
    });
    setWidget(tabs_);
}

void TFormTabView::AddLink(TFormTabView* target, const std::string& targetField, const std::string& sourceField) {
    links_.push_back({target, targetField, sourceField});
}

// The terminals are filtered by their key "Ident" (BezSt, Klemken, Ans); a
// table without it gets it when the user agrees, else the view is not shown.
bool TFormTabView::EnsureIdentKey() {
    TKorTable& table = host_.DataModule().KorTab(table_);
    for (int32_t i = 0; i < table.SecondaryKeyCount(); ++i)
        if (table.SecondaryKeyName(i) == "Ident") return true;
    if (!Dialogs().AskYesNo(this,
                            QStringLiteral("Um mit der Tabelle \"KLEMMEN\" arbeiten zu können, muß ein Sekundärschlüssel "
                                           "angelegt werden.\nDies kann bei gefüllter Tabelle sehr lange dauern. "
                                           "Fortfahren?"),
                            false))
        return false;
    host_.ProjectTree().SelectPath(QString());
    table.DefineSecondaryKey("Ident", {"BezSt", "Klemken", "Ans"});
    table.Reindex();
    return true;
}

void TFormTabView::Activate() {
    if (active_) return;
    TDM& dm = host_.DataModule();
    dm.Open(table_);
    if (table_ == TDM::Conn && !EnsureIdentKey()) {
        close();
        return;
    }
    TKorDataSet& data = dm.KorDataSet(table_);
    content_->setModel(&data);
    connect(content_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { RunGuarded(this, [&] { RowChanged(current.row()); }); });
    active_ = true;
    tabs_->setTabText(0, title_);
    FillStructure();
    ApplyColumns();
}

void TFormTabView::Deactivate() {
    if (!active_) return;
    StoreValues();
    active_ = false;
}

void TFormTabView::closeEvent(QCloseEvent* event) {
    Deactivate();
    QDockWidget::closeEvent(event);
    emit Closed();
}

void TFormTabView::FillStructure() {
    const TKorTable& table = host_.DataModule().KorTab(table_);
    const TKorFieldDefs& defs = table.FieldDefs();
    structure_->setRowCount(defs.FieldCount());
    for (int i = 0; i < defs.FieldCount(); ++i) {
        const QStringList cells{QString::number(defs.FieldId(i)), QString::fromStdString(defs.FieldName(i)),
                                QString::number(defs.FieldWidth(i)), QString::number(defs.FieldType(i)),
                                QStringLiteral("1")};
        for (int c = 0; c < cells.size(); ++c) structure_->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
}

// The content grid's columns are the dataset's fields; a field not shown is a
// hidden section, the order is the sections' visual order.
void TFormTabView::ApplyColumns() {
    QHeaderView* header = content_->horizontalHeader();
    const int fields = structure_->rowCount();
    for (int i = 0; i < fields; ++i) {
        const QString key = structure_->item(i, kName)->text() + QStringLiteral("Visible");
        if (values_.contains(key)) structure_->item(i, kShow)->setText(values_.value(key).toString());
    }
    std::vector<int> order;
    const auto shown = [&](int i) { return structure_->item(i, kShow)->text() == QStringLiteral("1"); };
    const auto place = [&](int i) {
        if (std::find(order.begin(), order.end(), i) != order.end() || !shown(i)) return;
        order.push_back(i);
    };
    const int stored = values_.value(QStringLiteral("ColCount"), 0).toInt();
    for (int c = 0; c < stored; ++c) {
        const QString field = values_.value(QStringLiteral("FieldName%1").arg(c)).toString();
        for (int i = 0; i < fields; ++i)
            if (structure_->item(i, kName)->text() == field) place(i);
    }
    for (int i = 0; i < fields; ++i) place(i);
    for (int i = 0; i < fields && i < header->count(); ++i) header->setSectionHidden(i, true);
    for (int v = 0; v < static_cast<int>(order.size()); ++v) {
        const int logical = order[v];
        if (logical >= header->count()) continue;
        header->setSectionHidden(logical, false);
        header->moveSection(header->visualIndex(logical), v);
        const QString width = structure_->item(logical, kName)->text() + QStringLiteral("Width");
        if (values_.contains(width)) header->resizeSection(logical, std::max(values_.value(width).toInt(), 10));
    }
}

QStringList TFormTabView::ShownFields() const {
    QStringList fields;
    const QHeaderView* header = content_->horizontalHeader();
    for (int v = 0; v < header->count(); ++v) {
        const int logical = header->logicalIndex(v);
        if (!header->isSectionHidden(logical) && logical < structure_->rowCount())
            fields << structure_->item(logical, kName)->text();
    }
    return fields;
}

void TFormTabView::StoreValues() {
    const QHeaderView* header = content_->horizontalHeader();
    const QStringList fields = ShownFields();
    for (int c = 0; c < fields.size(); ++c) {
        values_[QStringLiteral("FieldName%1").arg(c)] = fields[c];
        for (int i = 0; i < structure_->rowCount(); ++i)
            if (structure_->item(i, kName)->text() == fields[c])
                values_[fields[c] + QStringLiteral("Width")] = header->sectionSize(i);
    }
    values_[QStringLiteral("ColCount")] = static_cast<int>(fields.size());
    int visible = 0;
    for (int i = 0; i < structure_->rowCount(); ++i) {
        const QString flag = structure_->item(i, kShow)->text();
        values_[structure_->item(i, kName)->text() + QStringLiteral("Visible")] = flag;
        if (flag != QStringLiteral("0")) ++visible;
    }
    values_[QStringLiteral("VisibleCount")] = visible;
}

void TFormTabView::LoadSettings(QSettings& settings) {
    settings.beginGroup(name_);
    values_.clear();
    for (const QString& key : settings.childKeys()) values_[key] = settings.value(key);
    settings.endGroup();
    if (values_.contains(QStringLiteral("Open"))) wasOpen_ = values_.take(QStringLiteral("Open")).toBool();
    if (active_) ApplyColumns();
}

void TFormTabView::SaveSettings(QSettings& settings) {
    if (active_) StoreValues();
    settings.beginGroup(name_);
    for (auto it = values_.cbegin(); it != values_.cend(); ++it) settings.setValue(it.key(), it.value());
    settings.setValue(QStringLiteral("Open"), wasOpen_);
    settings.endGroup();
}

void TFormTabView::SelectRow(int row) {
    content_->setCurrentIndex(content_->model()->index(row, 0));
}

std::string TFormTabView::Filter() const { return host_.DataModule().KorDataSet(table_).Filter(); }

void TFormTabView::RowChanged(int row) {
    TKorDataSet& data = host_.DataModule().KorDataSet(table_);
    if (row < 0 || !data.SelectRow(row)) return;
    for (const Link& link : links_) {
        if (!link.target->IsActive()) continue;
        const std::string value = data.KorTab()->GetFieldByName(link.sourceField);
        host_.DataModule().KorDataSet(link.target->table_).SetFilter(link.targetField + "=\"" + value + "\"");
    }
}

}  // namespace korin
