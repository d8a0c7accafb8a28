#include "msr/ui/filter_panel.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "msr/msr_comma_text.h"
#include "shell/kor_dialogs.h"
#include "store/kor_table.h"

namespace korin {
namespace {

constexpr int kRowHeight = 18;
const QString kHide = QStringLiteral("Filterkriterien ausblenden");
const QString kShow = QStringLiteral("Filterkriterien einblenden");

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

// TFormSelectSKey: the list of the table's secondary keys; OK only while one
// is selected.
class TFormSelectSKey : public QDialog {
public:
    TFormSelectSKey(const std::vector<std::string>& names, const std::string& current, QWidget* parent)
        : QDialog(parent) {
        setWindowTitle(QStringLiteral("Sekundärschlüssel wählen"));
        setFixedSize(238, 286);
        auto* layout = new QVBoxLayout(this);
        list_ = new QListWidget(this);
        for (const std::string& name : names) list_->addItem(Q(name));
        layout->addWidget(list_);
        auto* buttons = new QHBoxLayout;
        ok_ = new QPushButton(QStringLiteral("&OK"), this);
        auto* cancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
        buttons->addStretch();
        buttons->addWidget(ok_);
        buttons->addWidget(cancel);
        layout->addLayout(buttons);
        ok_->setDefault(true);
        connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(list_, &QListWidget::itemSelectionChanged, this,
                [this] { ok_->setEnabled(!list_->selectedItems().isEmpty()); });
        connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
        const auto found = list_->findItems(Q(current), Qt::MatchExactly);
        if (!current.empty() && !found.isEmpty()) list_->setCurrentItem(found.front());
        ok_->setEnabled(!list_->selectedItems().isEmpty());
    }
    std::string Chosen() const {
        const auto chosen = list_->selectedItems();
        return chosen.isEmpty() ? std::string() : S(chosen.front()->text());
    }

private:
    QListWidget* list_;
    QPushButton* ok_;
};

}  // namespace

// The value list: a drop-down over the value cell; it hides itself when its
// list closes, chosen or not.
class TFilterValueList : public QComboBox {
public:
    explicit TFilterValueList(QWidget* parent) : QComboBox(parent) { hide(); }
    void hidePopup() override {
        QComboBox::hidePopup();
        hide();
    }

protected:
    void focusOutEvent(QFocusEvent* event) override {
        QComboBox::focusOutEvent(event);
        if (!view()->isVisible()) hide();
    }
};

TFilterPanel::TFilterPanel(const QString& fieldCaption, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    grid_ = new QTableWidget(this);
    grid_->setColumnCount(2);
    grid_->setHorizontalHeaderLabels({fieldCaption, QStringLiteral("Wert")});
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setColumnWidth(0, 100);
    grid_->verticalHeader()->setFixedWidth(12);
    grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(grid_);
    valueList_ = new TFilterValueList(grid_->viewport());
    connect(grid_, &QTableWidget::cellClicked, this,
            [this](int row, int column) { RunGuarded(this, [&] { CellClicked(row, column); }); });
    connect(valueList_, &QComboBox::activated, this, [this](int index) {
        const std::string value = S(valueList_->itemText(index));
        const int row = valueRow_;
        valueList_->hide();
        RunGuarded(this, [&] { SetValue(row, value); });
    });

    keyAction_ = new QAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                             QStringLiteral("Sekundärschlüssel auswählen"), this);
    keyAction_->setEnabled(false);
    connect(keyAction_, &QAction::triggered, this, [this] { RunGuarded(this, [this] { ChooseKey(); }); });
    showAction_ = new QAction(style()->standardIcon(QStyle::SP_FileDialogInfoView), kHide, this);
    showAction_->setCheckable(true);
    showAction_->setChecked(true);
    connect(showAction_, &QAction::toggled, this, &TFilterPanel::SetFilterShown);
    SetRows({}, {});
}

TFilterPanel::~TFilterPanel() = default;

void TFilterPanel::SetTable(TKorTable* table) {
    valueList_->hide();
    table_ = table;
    const bool open = table_ && table_->IsOpen();
    keyAction_->setEnabled(open);
    if (open) FitToTable();
}

void TFilterPanel::FitToTable() {
    keyNo_ = msr::SecondaryKeyIndex(*table_, key_);
    if (key_.empty()) return;
    if (keyNo_ < 0) {
        key_.clear();
        SetRows({}, {});
        return;
    }
    const std::vector<std::string> fields = msr::SecondaryKeyFields(*table_, key_);
    if (fields != Column(0)) SetRows(fields, {});
}

bool TFilterPanel::ChooseKey() {
    if (!table_ || !table_->IsOpen()) return false;
    TFormSelectSKey dialog(msr::SecondaryKeyNames(*table_), key_, this);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen().empty()) return false;
    SetKey(dialog.Chosen());
    return true;
}

void TFilterPanel::SetKey(const std::string& name) {
    valueList_->hide();
    const bool known = table_ && table_->IsOpen() && msr::SecondaryKeyIndex(*table_, name) >= 0;
    key_ = known ? name : std::string();
    keyNo_ = known ? msr::SecondaryKeyIndex(*table_, name) : -1;
    SetRows(known ? msr::SecondaryKeyFields(*table_, name) : std::vector<std::string>{}, {});
    emit KeyChosen();
    emit FilterChanged();
}

void TFilterPanel::SetRows(const std::vector<std::string>& fields, const std::vector<std::string>& values) {
    const int rows = std::max<int>(1, static_cast<int>(std::min<size_t>(fields.size(), msr::kMaxFilterValues)));
    grid_->setRowCount(rows);
    grid_->setVerticalHeaderLabels(QStringList(rows, QString()));
    for (int r = 0; r < rows; ++r) {
        const size_t i = static_cast<size_t>(r);
        grid_->setItem(r, 0, new QTableWidgetItem(i < fields.size() ? Q(fields[i]) : QString()));
        grid_->setItem(r, 1, new QTableWidgetItem(i < values.size() ? Q(values[i]) : QString()));
    }
}

std::vector<std::string> TFilterPanel::Column(int column) const {
    std::vector<std::string> texts;
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const QTableWidgetItem* item = grid_->item(r, column);
        texts.push_back(item ? S(item->text()) : std::string());
    }
    // The empty row of a grid without key holds no field.
    if (column == 0 && texts.size() == 1 && texts[0].empty()) texts.clear();
    return texts;
}

std::vector<std::string> TFilterPanel::ValueChoices(int row) const {
    if (!table_ || !table_->IsOpen() || key_.empty() || row < 0 || row >= grid_->rowCount()) return {};
    std::vector<std::string> above = Column(1);
    above.resize(static_cast<size_t>(row));
    return msr::FilterValueChoices(*table_, key_, above);
}

void TFilterPanel::CellClicked(int row, int column) {
    if (valueList_->isVisible() || !grid_->item(row, 0) || grid_->item(row, 0)->text().isEmpty()) return;
    valueList_->clear();
    if (column != 1) return;
    const std::vector<std::string> choices = ValueChoices(row);
    if (choices.empty()) return;
    for (const std::string& value : choices) valueList_->addItem(Q(value));
    const int current = valueList_->findText(grid_->item(row, 1)->text());
    valueList_->setCurrentIndex(std::max(0, current));
    valueRow_ = row;
    const QRect cell = grid_->visualItemRect(grid_->item(row, 1));
    valueList_->setGeometry(cell.x(), cell.y(), cell.width() + 2, std::max(cell.height(), valueList_->sizeHint().height()));
    valueList_->show();
    valueList_->setFocus();
    valueList_->showPopup();
}

void TFilterPanel::SetValue(int row, const std::string& value) {
    if (row < 0 || row >= grid_->rowCount()) return;
    grid_->item(row, 1)->setText(Q(value));
    for (int r = row + 1; r < grid_->rowCount(); ++r) grid_->item(r, 1)->setText({});
    emit FilterChanged();
}

msr::TKeyFilter TFilterPanel::Filter() const { return {key_, Column(1)}; }

void TFilterPanel::SetFilterShown(bool shown) {
    if (showAction_->isChecked() != shown) {
        showAction_->setChecked(shown);  // comes back here through toggled
        return;
    }
    showAction_->setText(shown ? kHide : kShow);
    valueList_->hide();
    setVisible(shown);
    emit ShownChanged(shown);
}

bool TFilterPanel::FilterShown() const { return showAction_->isChecked(); }

void TFilterPanel::FitBelow(QSplitter* split, int floor, int stored) const {
    if (!FilterShown()) return;
    const int height = std::max(split->height(), floor);
    const int below = stored > 0 && stored < height ? stored : height / 3;
    split->setSizes({height - below, below});
}

void TFilterPanel::ReadSettings(QSettings& settings, Names names) {
    const auto has = [&](const QString& name) { return settings.contains(name); };
    const auto text = [&](const QString& name) { return S(settings.value(name).toString()); };
    if (names == Names::Rows) {
        if (has(QStringLiteral("SKeyName"))) key_ = text(QStringLiteral("SKeyName"));
        std::vector<std::string> fields, values;
        for (int n = 1; n <= msr::kMaxFilterValues && has(QStringLiteral("FilterField%1").arg(n)); ++n) {
            fields.push_back(text(QStringLiteral("FilterField%1").arg(n)));
            values.push_back(text(QStringLiteral("FilterValue%1").arg(n)));
        }
        SetRows(fields, values);
        if (has(QStringLiteral("SGridFilterFieldWidth")))
            grid_->setColumnWidth(0, settings.value(QStringLiteral("SGridFilterFieldWidth")).toInt());
    } else {
        if (has(QStringLiteral("KeyName"))) key_ = text(QStringLiteral("KeyName"));
        if (has(QStringLiteral("KeyNo"))) keyNo_ = settings.value(QStringLiteral("KeyNo")).toInt();
        SetRows(msr::SplitCommaText(text(QStringLiteral("KeyFields"))),
                msr::SplitCommaText(text(QStringLiteral("KeyValues"))));
        if (has(QStringLiteral("FilterHeight"))) storedHeight_ = settings.value(QStringLiteral("FilterHeight")).toInt();
        if (has(QStringLiteral("FilterCol1")))
            grid_->setColumnWidth(0, settings.value(QStringLiteral("FilterCol1")).toInt());
    }
    if (has(QStringLiteral("ShowFilter"))) SetFilterShown(settings.value(QStringLiteral("ShowFilter")).toBool());
    if (table_ && table_->IsOpen()) FitToTable();
}

void TFilterPanel::WriteSettings(QSettings& settings, Names names) const {
    const std::vector<std::string> fields = Column(0), values = Column(1);
    settings.setValue(QStringLiteral("ShowFilter"), FilterShown());
    if (names == Names::Rows) {
        settings.setValue(QStringLiteral("SKeyName"), Q(key_));
        for (int n = 1; n <= msr::kMaxFilterValues; ++n) {
            const size_t i = static_cast<size_t>(n - 1);
            if (i < fields.size()) {
                settings.setValue(QStringLiteral("FilterField%1").arg(n), Q(fields[i]));
                settings.setValue(QStringLiteral("FilterValue%1").arg(n), Q(values[i]));
            } else {
                settings.remove(QStringLiteral("FilterField%1").arg(n));
                settings.remove(QStringLiteral("FilterValue%1").arg(n));
            }
        }
        settings.setValue(QStringLiteral("SGridFilterFieldWidth"), grid_->columnWidth(0));
    } else {
        settings.setValue(QStringLiteral("KeyName"), Q(key_));
        settings.setValue(QStringLiteral("KeyNo"), keyNo_);
        settings.setValue(QStringLiteral("KeyFields"), Q(msr::JoinCommaText(fields)));
        settings.setValue(QStringLiteral("KeyValues"), Q(msr::JoinCommaText(values)));
        settings.setValue(QStringLiteral("FilterHeight"), isHidden() && storedHeight_ >= 0 ? storedHeight_ : height());
        settings.setValue(QStringLiteral("FilterCol1"), grid_->columnWidth(0));
    }
}

}  // namespace korin
