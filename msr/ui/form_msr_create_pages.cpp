#include "msr/ui/form_msr_create_pages.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
#include "msr/ui/multi_select_grid.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "store/kor_path.h"

namespace korin {
namespace {

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<int>(s.size())); }
std::string S(const QString& s) { return s.toLocal8Bit().toStdString(); }

enum OrigColumn { kOrigName, kOrigPage, kOrigProcessing, kOrigGroup, kOrigPlan, kOrigFile, kOrigColumns };
enum PointColumn {
    kFlagI, kFlagK, kFlagA, kPlant, kPoint, kProcessing, kOriginal, kCreated, kGroup, kPlan, kKind, kPointColumns
};

std::vector<std::string> SplitLevel(const std::string& text) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (from <= text.size() && !text.empty()) {
        const size_t slash = text.find('/', from);
        parts.push_back(text.substr(from, slash == std::string::npos ? std::string::npos : slash - from));
        if (slash == std::string::npos) break;
        from = slash + 1;
    }
    return parts;
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

    auto* split = new QSplitter(Qt::Horizontal, this);
    auto* left = new QWidget(split);
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
    leftLayout->addWidget(originals_);
    points_ = new TMultiSelectGrid(split);
    points_->setColumnCount(kPointColumns);
    points_->setHorizontalHeaderLabels({QStringLiteral("I"), QStringLiteral("K"), QStringLiteral("A"),
                                        QStringLiteral("Anlage"), QStringLiteral("Messtelle"),
                                        QStringLiteral("Verarbeitungsfunktion"), QStringLiteral("Original"),
                                        QStringLiteral("Angelegt"), QStringLiteral("Funktionsgruppe"),
                                        QStringLiteral("Planart"), QStringLiteral("ET/MSR Flag")});
    for (int c = 0; c < kPointColumns; ++c) points_->setColumnWidth(c, c < kPlant ? 20 : 120);
    points_->setColumnHidden(kGroup, true);
    points_->setColumnHidden(kPlan, true);
    points_->setColumnWidth(kKind, 20);
    split->addWidget(left);
    split->addWidget(points_);
    split->setStretchFactor(1, 2);
    split->setSizes({440, 800});
    layout->addWidget(split, 1);
    BuildToolBar();
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
    connect(reset, &QAction::triggered, this, [this] {
        originals_->ClearMarks();
        points_->ClearMarks();
    });
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
    add(QStringLiteral("Seiten mit Messtellen abgleichen"), &TFormMSRCreatePages::Reconcile);
    toolBar_->addSeparator();
    cancel_ = toolBar_->addAction(QStringLiteral("Abbrechen"));
    cancel_->setEnabled(false);
    connect(cancel_, &QAction::triggered, this, [this] { cancelled_ = true; });
}

void TFormMSRCreatePages::LoadSettings(QSettings& settings) {
    origProject_ = S(settings.value(QStringLiteral("OrigProject")).toString());
    origLevel_ = S(settings.value(QStringLiteral("OrigLevel")).toString());
}

void TFormMSRCreatePages::SaveSettings(QSettings& settings) {
    settings.setValue(QStringLiteral("OrigProject"), Q(origProject_));
    settings.setValue(QStringLiteral("OrigLevel"), Q(origLevel_));
}

void TFormMSRCreatePages::Close() {
    project_.reset();
    originals_->SetRows(0);
    points_->SetRows(0);
    EnableControls();
}

void TFormMSRCreatePages::Reload() {
    project_.reset();
    originals_->ClearMarks();
    points_->ClearMarks();
    if (!host_.ProjectIsOpen()) {
        Close();
        return;
    }
    const std::string dir = host_.GetProjectDir();
    project_ = std::make_unique<msr::TMsrProject>(dir);
    host_.SetStatusText(QString());
    msr::AdaptTables(*project_, [this](const std::string& text) { host_.SetStatusText(Q(text)); });
    if (origProject_.empty()) {
        // The demo keeps its original project beside the project folder.
        std::error_code error;
        const std::filesystem::path beside = std::filesystem::path(dir).parent_path().parent_path() / "Originale";
        if (std::filesystem::exists(beside / "Dir.ref", error)) {
            origProject_ = beside.string() + "/";
            origLevel_ = "TYPICALS";
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
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Originalprojekt und Ebene auswählen"));
    auto* form = new QFormLayout(&dialog);
    auto* dir = new QLineEdit(Q(origProject_), &dialog);
    auto* browse = new QPushButton(QStringLiteral("..."), &dialog);
    auto* row = new QHBoxLayout;
    row->addWidget(dir);
    row->addWidget(browse);
    form->addRow(QStringLiteral("Originalprojekt"), row);
    auto* level = new QLineEdit(Q(origLevel_), &dialog);
    form->addRow(QStringLiteral("Ebene"), level);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Abbrechen"), QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    connect(browse, &QPushButton::clicked, &dialog, [&] {
        const QString chosen = QFileDialog::getExistingDirectory(&dialog, QString(), dir->text());
        if (!chosen.isEmpty()) dir->setText(chosen);
    });
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return;
    origProject_ = path::AsDirectory(S(dir->text()));
    origLevel_ = S(level->text());
    originals_->ClearMarks();
    FillOriginals();
}

void TFormMSRCreatePages::FillOriginals() {
    rows_.clear();
    origLabel_->setText(Q(origProject_ + (origLevel_.empty() ? "" : " : " + origLevel_)));
    if (!origProject_.empty()) {
        try {
            rows_ = msr::OriginalRows(msr::BuildOriginalLists(origProject_, SplitLevel(origLevel_)));
        } catch (const std::exception& e) {
            Dialogs().ShowError(this, QString::fromLocal8Bit(e.what()));
        }
    }
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
    const std::vector<std::string> names = project_->Designations();
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
    msr::AutoAssign(project_->mpoint, rows_, criterion_, project_->Designations(), &host_.Progress());
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
        const msr::TGenerateResult r = generator.Generate(project_->Designations());
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
    RunLong([this](const msr::TMsrRun& run) { msr::Reconcile(*project_, run); });
    FillMeasurePoints();
}

void TFormMSRCreatePages::ShowCriterion() {
    const int shown = static_cast<int>(criterion_);
    for (int k = 0; k < 3; ++k) {
        originals_->setColumnHidden(kOrigProcessing + k, k != shown);
        points_->setColumnHidden(kProcessing + (k == 0 ? 0 : k + 2), k != shown);
    }
    switch_->setText(originals_->horizontalHeaderItem(kOrigProcessing + shown)->text());
}

void TFormMSRCreatePages::EnableControls() {
    const bool open = project_ && project_->mpoint.IsOpen();
    for (QAction* a : commands_) a->setEnabled(open);
    for (QAbstractButton* b : levelCount_->buttons()) b->setEnabled(open);
}

}  // namespace korin
