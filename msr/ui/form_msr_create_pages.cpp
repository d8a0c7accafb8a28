#include "msr/ui/form_msr_create_pages.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <filesystem>

#include "msr/msr_adapt.h"
#include "msr/msr_assign.h"
#include "msr/msr_fill.h"
#include "msr/msr_generate.h"
#include "msr/msr_project.h"
#include "msr/msr_reconcile.h"
#include "msr/msr_remove.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_key_filter.h"
#include "msr/ui/filter_panel.h"
#include "msr/ui/form_check_page_info.h"
#include "msr/ui/form_select_orig_project.h"
#include "msr/ui/multi_select_grid.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "shell/kor_settings.h"
#include "store/kor_path.h"

namespace korin {
namespace {

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<int>(s.size())); }
std::string S(const QString& s) { return s.toLocal8Bit().toStdString(); }

enum OrigColumn { kOrigName, kOrigPage, kOrigProcessing, kOrigGroup, kOrigPlan, kOrigFile, kOrigColumns };
enum PointColumn {
    kFlagI, kFlagK, kFlagA, kPlant, kPoint, kProcessing, kOriginal, kCreated, kGroup, kPlan, kKind, kPointColumns
};

const QString kSettingsGroup = QStringLiteral("MSR/CreatePages");
// The three columns of the matching criterion, in the order the switch cycles.
constexpr int kCriterionColumns[3] = {kProcessing, kGroup, kPlan};
// The demo's original project beside the project folder and its level.
const char* const kDemoOriginals = "Originale";
const char* const kDemoLevel = "TYPICALS";

QString Key(const char* name) { return QString::fromLatin1(name); }

// A settings value as a list of texts (a comma text).
std::vector<std::string> ListValue(const QSettings& settings, const QString& key) {
    return msr::ListFromSetting(S(settings.value(key).toString()));
}

}  // namespace

TFormMSRCreatePages::TFormMSRCreatePages(IKorHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    toolBar_ = new QToolBar(this);
    layout->addWidget(toolBar_);

    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(new QLabel(QStringLiteral("Wieviele Ebenen sollen benutzt werden?"), this));
    levelCount_ = new QButtonGroup(this);
    for (int n : {3, 4, 5}) {
        auto* radio = new QRadioButton(QString::number(n), this);
        levelCount_->addButton(radio, n);
        levelRow->addWidget(radio);
    }
    levelRow->addStretch();
    layout->addLayout(levelRow);
    // The level boxes in a row of their own, so that the window fits beside the tree.
    levelRow = new QHBoxLayout;
    for (size_t b = 0; b < boxes_.size(); ++b) {
        boxes_[b] = new QComboBox(this);
        boxes_[b]->setEditable(true);
        boxes_[b]->setMinimumWidth(120);
        levelRow->addWidget(boxes_[b]);
        connect(boxes_[b], &QComboBox::currentTextChanged, this, [this] { StoreLevels(); });
    }
    levelRow->addWidget(new QLabel(QStringLiteral("<MESSTELLE: Bezeichner_Stelle>"), this));
    levelRow->addWidget(new QLabel(QStringLiteral("<Seite>"), this));
    levelRow->addStretch();
    layout->addLayout(levelRow);
    connect(levelCount_, &QButtonGroup::idClicked, this, [this](int n) {
        levels_.count = n;
        ApplyLevels();
        StoreLevels();
    });

    split_ = new QSplitter(Qt::Horizontal, this);
    auto* split = split_;
    auto* left = new QWidget(split);
    left_ = new QSplitter(Qt::Vertical, left);
    left_->setChildrenCollapsible(false);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    origLabel_ = new QLabel(left);
    leftLayout->addWidget(origLabel_);
    originals_ = new TMultiSelectGrid(left);
    originals_->setColumnCount(kOrigColumns);
    originals_->setHorizontalHeaderLabels({QStringLiteral("Original"), QStringLiteral("Seite"),
                                           QStringLiteral("Verarbeitungsfunktion"), QStringLiteral("Funktionsgruppe"),
                                           QStringLiteral("Planart"), QString()});
    for (auto [c, w] : {std::pair{kOrigName, 60}, {kOrigPage, 40}, {kOrigProcessing, 120}, {kOrigGroup, 120},
                        {kOrigPlan, 120}})
        originals_->setColumnWidth(c, w);
    originals_->setColumnHidden(kOrigFile, true);
    // The criterion column shown fills the grid's width.
    originals_->horizontalHeader()->setStretchLastSection(true);
    left_->addWidget(originals_);
    filter_ = new TFilterPanel(QStringLiteral("Feld"), left_);
    left_->addWidget(filter_);
    leftLayout->addWidget(left_, 1);
    connect(filter_, &TFilterPanel::FilterChanged, this, [this] { RunGuarded(this, [this] { FillMeasurePoints(); }); });
    connect(filter_, &TFilterPanel::ShownChanged, this,
            [this] { filter_->FitBelow(left_, 3, filter_->StoredHeight()); });
    points_ = new TMultiSelectGrid(split);
    points_->setColumnCount(kPointColumns);
    points_->setHorizontalHeaderLabels({QStringLiteral("I"), QStringLiteral("K"), QStringLiteral("A"),
                                        QStringLiteral("Anlage"), QStringLiteral("Messtelle"),
                                        QStringLiteral("Verarbeitungsfunktion"), QStringLiteral("Original"),
                                        QStringLiteral("Angelegt"), QStringLiteral("Funktionsgruppe"),
                                        QStringLiteral("Planart"), QStringLiteral("ET/MSR Flag")});
    // The flag columns are 20 wide, below the style's usual minimum.
    points_->horizontalHeader()->setMinimumSectionSize(12);
    for (int c = 0; c < kPointColumns; ++c) points_->setColumnWidth(c, c < kPlant ? 20 : 120);
    points_->setColumnHidden(kGroup, true);
    points_->setColumnHidden(kPlan, true);
    // The ET/MSR flag starts hidden; a stored width shows it (see the settings).
    points_->setColumnWidth(kKind, 20);
    points_->setColumnHidden(kKind, true);
    split->addWidget(left);
    split->addWidget(points_);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);
    BuildToolBar();
    BuildMenus();
    ShowCriterion();
    EnableControls();
}

TFormMSRCreatePages::~TFormMSRCreatePages() = default;

void TFormMSRCreatePages::BuildToolBar() {
    auto add = [this](const QString& text, void (TFormMSRCreatePages::*slot)()) {
        QAction* a = toolBar_->addAction(text);
        a->setToolTip(text);
        connect(a, &QAction::triggered, this, [this, slot] { RunGuarded(this, [this, slot] { (this->*slot)(); }); });
        commands_.push_back(a);
        return a;
    };
    add(QStringLiteral("Originalprojekt wählen"), &TFormMSRCreatePages::ChooseOriginalProject);
    toolBar_->addAction(filter_->KeyAction());
    toolBar_->addAction(filter_->ShowAction());
    toolBar_->addSeparator();
    commands_.push_back(toolBar_->addAction(QStringLiteral("Zuweisen")));
    commands_.back()->setToolTip(QStringLiteral("Original den markierten Einträgen zuweisen"));
    connect(commands_.back(), &QAction::triggered, this, [this] { RunGuarded(this, [this] { Assign(false); }); });
    commands_.push_back(toolBar_->addAction(QStringLiteral("Allen leeren")));
    commands_.back()->setToolTip(QStringLiteral("Allen leeren Einträgen zuweisen"));
    connect(commands_.back(), &QAction::triggered, this, [this] { RunGuarded(this, [this] { Assign(true); }); });
    add(QStringLiteral("Automatisch zuordnen"), &TFormMSRCreatePages::AutoAssign);
    switch_ = toolBar_->addAction(QStringLiteral("Verarbeitungsfunktion"));
    switch_->setToolTip(QStringLiteral("Zuordnungskriterium wechseln"));
    connect(switch_, &QAction::triggered, this, [this] {
        criterion_ = static_cast<msr::TCriterion>((static_cast<int>(criterion_) + 1) % 3);
        ShowCriterion();
    });
    add(QStringLiteral("Zuweisung löschen"), &TFormMSRCreatePages::RemoveAssignment);
    QAction* reset = toolBar_->addAction(QStringLiteral("Markierung aufheben"));
    commands_.push_back(reset);
    connect(reset, &QAction::triggered, this, [this] {
        originals_->ClearMarks();
        points_->ClearMarks();
    });
    // Taking back an assignment is not offered.
    QAction* undo = toolBar_->addAction(QStringLiteral("Rückgängig"));
    undo->setToolTip(QStringLiteral("Letzte Zuweisung rückgängig machen"));
    undo->setEnabled(false);
    toolBar_->addSeparator();
    add(QStringLiteral("Seiten erstellen"), &TFormMSRCreatePages::Generate);
    for (int mode = 0; mode < 3; ++mode) {
        static const char* const kHints[] = {"Markierten Seiten Instrumentierung zuweisen",
                                             "Markierten Seiten Klemmen zuweisen", "Markierten Seiten Adern zuweisen"};
        static const char* const kTexts[] = {"Instrumentierung", "Klemmen", "Adern"};
        QAction* a = toolBar_->addAction(QString::fromUtf8(kTexts[mode]));
        a->setToolTip(QString::fromUtf8(kHints[mode]));
        connect(a, &QAction::triggered, this, [this, mode] { RunGuarded(this, [this, mode] { Fill(mode); }); });
        commands_.push_back(a);
    }
    add(QStringLiteral("Zuweisungsmarkierungen löschen"), &TFormMSRCreatePages::ResetFlags);
    toolBar_->addSeparator();
    cancel_ = toolBar_->addAction(QStringLiteral("Abbrechen"));
    cancel_->setEnabled(false);
    connect(cancel_, &QAction::triggered, this, [this] { cancelled_ = true; });
}

void TFormMSRCreatePages::BuildMenus() {
    auto guarded = [this](void (TFormMSRCreatePages::*slot)()) {
        return [this, slot] { RunGuarded(this, [this, slot] { (this->*slot)(); }); };
    };
    pointMenu_ = new QMenu(QStringLiteral("Messtelle"), this);
    connect(pointMenu_->addAction(QStringLiteral("Original&projekt wählen ...")), &QAction::triggered, this,
            guarded(&TFormMSRCreatePages::ChooseOriginalProject));
    connect(pointMenu_->addAction(QStringLiteral("Markierungen &zurücksetzen")), &QAction::triggered, this, [this] {
        originals_->ClearMarks();
        points_->ClearMarks();
    });
    pointMenu_->addSeparator();
    connect(pointMenu_->addAction(QStringLiteral("&Seiten erzeugen")), &QAction::triggered, this,
            guarded(&TFormMSRCreatePages::Generate));
    const char* const fills[] = {"Instrumentierung zuweisen", "Klemmen zuweisen", "Adern zuweisen"};
    for (int mode = 0; mode < 3; ++mode)
        connect(pointMenu_->addAction(QString::fromUtf8(fills[mode])), &QAction::triggered, this,
                [this, mode] { RunGuarded(this, [this, mode] { Fill(mode); }); });
    pointMenu_->addSeparator();
    connect(pointMenu_->addAction(QStringLiteral("Seiten mit Messtellen abgleichen")), &QAction::triggered, this,
            guarded(&TFormMSRCreatePages::Reconcile));

    // The expert items, hidden until Ctrl+Shift+F12. "Experten" shows its key
    // without owning it (see ToggleExperts); the two commands keep their keys
    // while hidden through actions of the window itself, since a hidden menu
    // item takes no key.
    experts_[0] = pointMenu_->addAction(QStringLiteral("Experten\tCtrl+Shift+F12"));
    experts_[1] = pointMenu_->addSeparator();
    experts_[2] = pointMenu_->addAction(QStringLiteral("Auswertebit setzen"));
    experts_[3] = pointMenu_->addAction(QStringLiteral("Ebene mit Messtelle vergleichen"));
    connect(experts_[0], &QAction::triggered, this, &TFormMSRCreatePages::ToggleExperts);
    const std::pair<QAction*, void (TFormMSRCreatePages::*)()> commands[] = {
        {experts_[2], &TFormMSRCreatePages::SetEvaluationBits},
        {experts_[3], &TFormMSRCreatePages::ShowPageInfoCheck}};
    const QKeySequence keys[] = {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A),
                                 QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T)};
    for (int i = 0; i < 2; ++i) {
        QAction* item = commands[i].first;
        item->setText(item->text() + QStringLiteral("\t") + keys[i].toString(QKeySequence::NativeText));
        connect(item, &QAction::triggered, this, guarded(commands[i].second));
        auto* key = new QAction(this);
        key->setShortcut(keys[i]);
        addAction(key);
        connect(key, &QAction::triggered, this, [this, item] {
            if (pointMenu_->isEnabled()) item->trigger();
        });
    }
    for (QAction* a : experts_) a->setVisible(false);

    // Present, without commands of its own.
    origMenu_ = new QMenu(QStringLiteral("&Original"), this);
    for (const char* text : {"Zu&ordnen", "&Allen leeren Einträgen zuordnen", "Zuordnung &löschen"})
        origMenu_->addAction(QString::fromUtf8(text));
}

void TFormMSRCreatePages::ToggleExperts() {
    const bool shown = !experts_[0]->isVisible();
    for (QAction* a : experts_) a->setVisible(shown);
}

void TFormMSRCreatePages::ShowPageInfoCheck() {
    if (!project_ || !project_->mpoint.IsOpen()) return;
    if (!pageCheck_) pageCheck_ = new TFormCheckPageInfo(host_, host_.HostWindow());
    pageCheck_->show();
    pageCheck_->raise();
}

void TFormMSRCreatePages::SetEvaluationBits() {
    if (!project_) return;
    const int32_t n = msr::SetEvaluationBits(*project_);
    host_.SetStatusText(QStringLiteral("Auswertebit bei %1 Seiten gesetzt").arg(n));
}

void TFormMSRCreatePages::LoadSettings(QSettings& settings) {
    auto has = [&](const char* key) { return settings.contains(Key(key)); };
    auto number = [&](const char* key) { return settings.value(Key(key)).toInt(); };
    if (has("OrigWidth")) origWidth_ = number("OrigWidth");
    for (int c = 0; c < kPointColumns; ++c) {
        const QString key = QStringLiteral("TableCol%1").arg(c + 1);
        if (!settings.contains(key)) continue;
        const int width = settings.value(key).toInt();
        // Function group and plan type keep a hidden column hidden; the other
        // columns come back at 20.
        if (c == kGroup || c == kPlan) {
            if (width >= 0) points_->setColumnWidth(c, width);
            continue;
        }
        points_->setColumnWidth(c, width < 0 ? 20 : width);
        points_->setColumnHidden(c, false);
    }
    if (has("OrigList")) {
        lists_.origList = ListValue(settings, Key("OrigList"));
        listsStored_ = true;
    }
    if (has("OrigInfo")) lists_.origInfo = ListValue(settings, Key("OrigInfo"));
    {
        // The filter is filled anew when the window opens.
        const QSignalBlocker quiet(filter_);
        filter_->ReadSettings(settings, TFilterPanel::Names::Lists);
    }
    ShowCriterion();
    ApplyPanelWidth();
    filter_->FitBelow(left_, 3, filter_->StoredHeight());
}

void TFormMSRCreatePages::SaveSettings(QSettings& settings) {
    if (open_ && split_->sizes().value(0) > 0) origWidth_ = split_->sizes().value(0);
    settings.setValue(Key("OrigWidth"), origWidth_);
    // The criterion column shown stands for all three; the other two count as hidden.
    int criterionWidth = points_->columnWidth(kProcessing);
    for (int c : kCriterionColumns)
        if (!points_->isColumnHidden(c)) criterionWidth = points_->columnWidth(c);
    for (int c = 0; c < kPointColumns; ++c) {
        int width = points_->isColumnHidden(c) ? -1 : points_->columnWidth(c);
        if (c == kProcessing) width = criterionWidth;
        settings.setValue(QStringLiteral("TableCol%1").arg(c + 1), width);
    }
    settings.setValue(Key("OrigList"), Q(msr::ListSetting(lists_.origList)));
    settings.setValue(Key("OrigInfo"), Q(msr::ListSetting(lists_.origInfo)));
    filter_->WriteSettings(settings, TFilterPanel::Names::Lists);
}

void TFormMSRCreatePages::ApplyPanelWidth() {
    const int total = split_->width();
    if (origWidth_ > 0) split_->setSizes({origWidth_, std::max(total - origWidth_, origWidth_)});
}

void TFormMSRCreatePages::Close() {
    if (open_) {
        const std::unique_ptr<QSettings> settings = OpenAppSettings();
        settings->beginGroup(kSettingsGroup);
        SaveSettings(*settings);
        host_.UnmergeMenu(pointMenu_);
        host_.UnmergeMenu(origMenu_);
        if (pageCheck_) pageCheck_->close();
        open_ = false;
    }
    filter_->SetTable(nullptr);
    project_.reset();
    originals_->SetRows(0);
    points_->SetRows(0);
    EnableControls();
}

void TFormMSRCreatePages::Reload() {
    // A project opened while the window is open starts without a filter.
    const bool resetFilter = open_;
    if (!open_) {
        open_ = true;
        const std::unique_ptr<QSettings> settings = OpenAppSettings();
        settings->beginGroup(kSettingsGroup);
        LoadSettings(*settings);
        host_.MergeMenu(pointMenu_);
        host_.MergeMenu(origMenu_);
        if (!expertKeyBound_) {
            // Ctrl+Shift+F12 belongs to the main window's drawing service menu
            // as well. Two actions on one key would both stay silent (the key
            // would be ambiguous), so the window follows that action when the
            // main window has one, and owns the key otherwise.
            const QKeySequence key(Qt::CTRL | Qt::SHIFT | Qt::Key_F12);
            QAction* owner = nullptr;
            if (QWidget* main = host_.HostWindow())
                for (QAction* a : main->actions())
                    if (a->shortcut() == key) owner = a;
            if (!owner) {
                owner = new QAction(this);
                owner->setShortcut(key);
                addAction(owner);
            }
            connect(owner, &QAction::triggered, this, [this] {
                if (open_) ToggleExperts();
            });
            expertKeyBound_ = true;
        }
    }
    filter_->SetTable(nullptr);
    project_.reset();
    originals_->ClearMarks();
    points_->ClearMarks();
    if (!host_.ProjectIsOpen()) {
        originals_->SetRows(0);
        points_->SetRows(0);
        EnableControls();
        return;
    }
    const std::string dir = host_.GetProjectDir();
    project_ = std::make_unique<msr::TMsrProject>(dir);
    host_.SetStatusText(QString());
    msr::AdaptTables(*project_, [this](const std::string& text) { host_.SetStatusText(Q(text)); });
    {
        const QSignalBlocker quiet(filter_);
        filter_->SetTable(&project_->mpoint);
        if (resetFilter) filter_->SetKey(std::string());
    }
    if (!listsStored_ && lists_.origList.empty()) {
        // The demo keeps its original project beside the project folder.
        std::error_code error;
        const std::filesystem::path beside =
            std::filesystem::path(dir).parent_path().parent_path() / kDemoOriginals;
        if (std::filesystem::exists(beside / "Dir.ref", error)) {
            try {
                lists_ = msr::BuildOriginalLists(beside.string() + "/", std::vector<std::string>{kDemoLevel});
            } catch (const std::exception&) {
                lists_ = {};
            }
        }
    }
    levels_ = msr::ReadLevels(dir);
    const std::vector<std::string> items = msr::LevelItems(project_->unit, project_->mpoint);
    for (QComboBox* box : boxes_) {
        const QSignalBlocker block(box);
        box->clear();
        for (const std::string& item : items) box->addItem(Q(item));
    }
    ApplyLevels();
    FillOriginals();
    FillMeasurePoints();
    EnableControls();
}

void TFormMSRCreatePages::ApplyLevels() {
    if (QAbstractButton* b = levelCount_->button(levels_.count)) b->setChecked(true);
    for (int b = 1; b <= 3; ++b) {
        QComboBox* box = boxes_[static_cast<size_t>(b - 1)];
        const bool shown = levels_.count >= 3 && b >= 6 - levels_.count;
        box->setVisible(shown);
        const QSignalBlocker block(box);
        box->setEditText(Q(levels_.Box(b)));
    }
}

void TFormMSRCreatePages::StoreLevels() {
    for (int b = 1; b <= 3; ++b) levels_.SetBox(b, S(boxes_[static_cast<size_t>(b - 1)]->currentText()));
    if (project_) msr::WriteLevels(project_->Dir(), levels_);
}

void TFormMSRCreatePages::ChooseOriginalProject() {
    TFormSelectOriginalProject dialog(host_.HostWindow());
    if (project_) {
        const std::filesystem::path beside =
            std::filesystem::path(project_->Dir()).parent_path().parent_path() / kDemoOriginals;
        dialog.SetDefaultDirectory(Q(beside.string()));
    }
    if (dialog.exec() != QDialog::Accepted) return;
    msr::TOriginalLists lists;
    if (!dialog.BuildLists(lists)) return;
    lists_ = std::move(lists);
    listsStored_ = true;
    originals_->ClearMarks();
    FillOriginals();
}

void TFormMSRCreatePages::FillOriginals() {
    rows_.clear();
    // The folder of the originals, as the first original names it.
    const std::vector<std::string> first =
        lists_.origList.empty() ? std::vector<std::string>() : msr::SplitCommaText(lists_.origList.front());
    origLabel_->setText(first.size() > 1 ? Q(first[1]) : QString());
    rows_ = msr::OriginalRows(lists_);
    originals_->SetRows(static_cast<int>(rows_.size()));
    for (size_t i = 0; i < rows_.size(); ++i) {
        const msr::TOriginalRow& r = rows_[i];
        const int row = static_cast<int>(i);
        originals_->SetText(row, kOrigName, Q(r.original));
        originals_->SetText(row, kOrigPage, QString::number(r.page));
        originals_->SetText(row, kOrigProcessing, Q(r.processing));
        originals_->SetText(row, kOrigGroup, Q(r.functionGroup));
        originals_->SetText(row, kOrigPlan, Q(r.planType));
        originals_->SetText(row, kOrigFile, Q(r.directory + "," + r.file));
    }
}

void TFormMSRCreatePages::FillMeasurePoints() {
    points_->ClearMarks();
    if (!project_ || !project_->mpoint.IsOpen()) {
        points_->SetRows(0);
        return;
    }
    TKorTable& t = project_->mpoint;
    std::vector<std::string> names;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        names = msr::FilteredDesignations(*project_, filter_->Filter());
    }
    points_->SetRows(static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        if (!t.FindByPrimary(names[i])) continue;
        const int row = static_cast<int>(i);
        const std::string flags = t.GetFieldById(msr::field::kInstrFlags);
        points_->SetText(row, kFlagI, flags.find('I') != std::string::npos ? QStringLiteral("I") : QString());
        points_->SetText(row, kFlagK, flags.find('K') != std::string::npos ? QStringLiteral("K") : QString());
        points_->SetText(row, kFlagA, flags.find('A') != std::string::npos ? QStringLiteral("A") : QString());
        points_->SetText(row, kPlant, Q(t.GetFieldById(msr::field::kPlant)));
        points_->SetText(row, kPoint, Q(names[i]));
        points_->SetText(row, kProcessing, Q(t.GetFieldById(msr::field::kProcessing)));
        points_->SetText(row, kOriginal, Q(t.GetFieldById(msr::field::kOriginal)));
        points_->SetText(row, kCreated, Q(t.GetFieldById(msr::field::kDrawing)));
        points_->SetText(row, kGroup, Q(t.GetFieldById(msr::field::kFunctionGroup)));
        points_->SetText(row, kPlan, Q(t.GetFieldById(msr::field::kPlanType)));
        points_->SetText(row, kKind, Q(t.GetFieldById(msr::field::kKind)));
    }
}

std::vector<std::string> TFormMSRCreatePages::MarkedPoints(bool marked) const {
    std::vector<std::string> names;
    for (int r = 0; r < points_->rowCount(); ++r)
        if (points_->IsMarked(r) == marked) names.push_back(S(points_->Text(r, kPoint)));
    return names;
}

std::vector<msr::TOriginalRow> TFormMSRCreatePages::MarkedOriginals() const {
    std::vector<msr::TOriginalRow> rows;
    for (int r : originals_->MarkedRows())
        if (r < static_cast<int>(rows_.size())) rows.push_back(rows_[static_cast<size_t>(r)]);
    return rows;
}

void TFormMSRCreatePages::Assign(bool all) {
    if (!project_) return;
    const msr::TAssignment a = msr::AssignmentOf(MarkedOriginals());
    if (all)
        msr::ApplyReplacing(project_->mpoint, a, MarkedPoints(false));
    else
        msr::Apply(project_->mpoint, a, MarkedPoints());
    FillMeasurePoints();
}

void TFormMSRCreatePages::AutoAssign() {
    if (!project_) return;
    msr::AutoAssign(project_->mpoint, rows_, criterion_, GridPoints(), &host_.Progress());
    FillMeasurePoints();
}

void TFormMSRCreatePages::RemoveAssignment() {
    if (!project_) return;
    msr::RemoveAssignment(project_->mpoint, MarkedPoints());
    FillMeasurePoints();
}

void TFormMSRCreatePages::ResetFlags() {
    if (!project_) return;
    msr::ResetFillFlags(project_->mpoint, MarkedPoints(), &host_.Progress());
    FillMeasurePoints();
}

void TFormMSRCreatePages::RunLong(const std::function<void(const msr::TMsrRun&)>& work) {
    msr::TMsrRun run;
    run.progress = &host_.Progress();
    cancelled_ = false;
    run.cancelled = [this] {
        QApplication::processEvents();
        return cancelled_;
    };
    run.log = [this](const std::string& line) { host_.WriteLog(msr::kLogSource, line); };
    for (QAction* a : commands_) a->setEnabled(false);
    cancel_->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        TFormMSRCreatePages* w;
        ~Restore() {
            QApplication::restoreOverrideCursor();
            w->cancel_->setEnabled(false);
            w->EnableControls();
        }
    } restore{this};
    work(run);
}

void TFormMSRCreatePages::Generate() {
    if (!project_) return;
    RunLong([this](const msr::TMsrRun& run) {
        msr::TPageGenerator generator(*project_, levels_, run);
        const msr::TGenerateResult r = generator.Generate(GridPoints());
        host_.SetStatusText(QStringLiteral("%1 Seiten erstellt, %2 entfernt%3")
                                .arg(r.created)
                                .arg(r.removed)
                                .arg(r.cancelled ? QStringLiteral(" (abgebrochen)") : QString()));
    });
    FillMeasurePoints();
    host_.TreeSelectionChanged();
}

void TFormMSRCreatePages::Fill(int mode) {
    if (!project_) return;
    RunLong([this, mode](const msr::TMsrRun& run) {
        msr::FillPages(*project_, static_cast<msr::TFillMode>(mode), MarkedPoints(), run);
    });
    FillMeasurePoints();
}

void TFormMSRCreatePages::Reconcile() {
    if (!project_) return;
    msr::TReconcileResult result;
    RunLong([&](const msr::TMsrRun& run) { result = msr::Reconcile(*project_, run, lists_.origList); });
    FillMeasurePoints();
    for (const std::string& name : result.found) Dialogs().ShowMessage(this, Q(name + " gefunden"));
}

std::vector<std::string> TFormMSRCreatePages::GridPoints() const {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(points_->rowCount()));
    for (int r = 0; r < points_->rowCount(); ++r) names.push_back(S(points_->Text(r, kPoint)));
    return names;
}

void TFormMSRCreatePages::ShowCriterion() {
    const int shown = static_cast<int>(criterion_);
    // The criterion column that comes into view takes the width of the one that goes.
    int width = 120;
    for (int c : kCriterionColumns)
        if (!points_->isColumnHidden(c)) width = points_->columnWidth(c);
    for (int k = 0; k < 3; ++k) {
        originals_->setColumnHidden(kOrigProcessing + k, k != shown);
        points_->setColumnHidden(kCriterionColumns[k], k != shown);
    }
    points_->setColumnWidth(kCriterionColumns[shown], width);
    switch_->setText(originals_->horizontalHeaderItem(kOrigProcessing + shown)->text());
}

void TFormMSRCreatePages::EnableControls() {
    const bool open = project_ && project_->mpoint.IsOpen();
    for (QAction* a : commands_) a->setEnabled(open);
    for (QAbstractButton* b : levelCount_->buttons()) b->setEnabled(open);
    pointMenu_->setEnabled(open);
}

}  // namespace korin
