#include "msr/ui/form_assign_mpoint.h"

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "drawing/ui/image_scroll_box.h"
#include "msr/msr_adapt.h"
#include "msr/msr_further.h"
#include "msr/msr_key_filter.h"
#include "msr/msr_page_bitmap.h"
#include "msr/msr_project.h"
#include "msr/msr_reflist.h"
#include "msr/ui/filter_panel.h"
#include "shell/form_dir.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"

namespace korin {
namespace {

// A drag carries "L<designation>" from the list or "S<slot>" from a slot edit.
const QString kMime = QStringLiteral("application/x-korin-mpoint");
const QString kNoDesignation = QStringLiteral("__________");
const QString kNoLevel = QStringLiteral("(Ebenenbeschreibung + Seite)");

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

void StartDrag(QWidget* source, const QString& payload) {
    auto* data = new QMimeData;
    data->setData(kMime, payload.toUtf8());
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
}

QString Payload(const QMimeData* data) { return QString::fromUtf8(data->data(kMime)); }

// The measure point list: rows drag out, slot edits drop in.
class TMPointList : public QTableWidget {
public:
    TMPointList(TFormAssignMeasurePoint& form, QWidget* parent) : QTableWidget(parent), form_(form) {
        setAcceptDrops(true);
        setEditTriggers(NoEditTriggers);
        setSelectionBehavior(SelectRows);
        setSelectionMode(SingleSelection);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        QTableWidget::mousePressEvent(event);
        const int row = rowAt(event->position().toPoint().y());
        if (event->button() == Qt::LeftButton && row >= 0 && item(row, 0))
            StartDrag(this, QStringLiteral("L") + item(row, 0)->text());
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (Payload(event->mimeData()).startsWith(u'S')) event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        const QString payload = Payload(event->mimeData());
        event->acceptProposedAction();
        form_.DropSlotOnList(payload.mid(1).toInt());
    }

private:
    TFormAssignMeasurePoint& form_;
};

// A slot edit: read-only, drags its text out, takes a list row or another slot.
class TSlotEdit : public QLineEdit {
public:
    TSlotEdit(TFormAssignMeasurePoint& form, int slot, QWidget* parent)
        : QLineEdit(parent), form_(form), slot_(slot) {
        setReadOnly(true);
        setAcceptDrops(true);
        setObjectName(QStringLiteral("EditMPoint%1").arg(slot));
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && !text().trimmed().isEmpty())
            StartDrag(this, QStringLiteral("S%1").arg(slot_));
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasFormat(kMime)) event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        const QString payload = Payload(event->mimeData());
        event->acceptProposedAction();
        if (payload.startsWith(u'L'))
            form_.DropListRowOnSlot(payload.mid(1), slot_);
        else if (payload.mid(1).toInt() != slot_)
            form_.DropSlotOnSlot(payload.mid(1).toInt(), slot_);
    }

private:
    TFormAssignMeasurePoint& form_;
    int slot_;
};

}  // namespace

TFormAssignMeasurePoint::TFormAssignMeasurePoint(IKorHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    // Icons with the texts as hints: the eight buttons fit beside the tree.
    const auto icon = [this](QStyle::StandardPixmap pixmap) { return style()->standardIcon(pixmap); };
    bar->addAction(icon(QStyle::SP_DialogApplyButton), QStringLiteral("Zuweisen"))->setEnabled(false);
    bar->addAction(icon(QStyle::SP_FileDialogListView), QStringLiteral("Übersichtsansicht"))->setEnabled(false);
    QAction* mask = bar->addAction(icon(QStyle::SP_FileDialogDetailedView), QStringLiteral("Maskenansicht"));
    mask->setCheckable(true);
    mask->setChecked(true);
    connect(mask, &QAction::toggled, mask, [mask] { mask->setChecked(true); });
    filter_ = new TFilterPanel(QStringLiteral("Feldname"), this);
    bar->addAction(filter_->KeyAction());
    bar->addAction(filter_->ShowAction());
    connect(filter_, &TFilterPanel::FilterChanged, this, [this] {
        if (project_) RunGuarded(this, [this] { FillList(); });
    });
    connect(filter_, &TFilterPanel::ShownChanged, this, [this] { filter_->FitBelow(left_, 300); });
    kindAction_ = bar->addAction(icon(QStyle::SP_BrowserReload), QStringLiteral("E-Technik Seiten anzeigen"));
    connect(kindAction_, &QAction::triggered, this, [this] { RunGuarded(this, [this] { SwitchKind(); }); });
    QAction* rebuild = bar->addAction(icon(QStyle::SP_DialogSaveButton), QStringLiteral("Referenztabelle neu erstellen"));
    connect(rebuild, &QAction::triggered, this, [this] { RunGuarded(this, [this] { RebuildReferences(); }); });
    drawingAction_ = bar->addAction(icon(QStyle::SP_DesktopIcon), QStringLiteral("Zeichnung anzeigen"));
    drawingAction_->setCheckable(true);
    connect(drawingAction_, &QAction::toggled, this, [this] { RunGuarded(this, [this] { ShowDrawing(); }); });
    layout->addWidget(bar);

    splitter_ = new QSplitter(this);
    left_ = new QSplitter(Qt::Vertical, splitter_);
    list_ = new TMPointList(*this, left_);
    list_->setColumnCount(2);
    list_->setHorizontalHeaderLabels({QStringLiteral("Messtelle"), QStringLiteral("Instrumentierung")});
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->setDefaultSectionSize(20);
    list_->verticalHeader()->setFixedWidth(12);

    auto* maskPanel = new QWidget(splitter_);
    auto* m = new QVBoxLayout(maskPanel);
    auto* head = new QHBoxLayout;
    head->addWidget(new QLabel(QStringLiteral("Messtelle"), maskPanel));
    designation_ = new QLabel(kNoDesignation, maskPanel);
    head->addWidget(designation_);
    head->addStretch();
    m->addLayout(head);
    auto* levels = new QHBoxLayout;
    levels->addWidget(new QLabel(QStringLiteral("Ebenen"), maskPanel));
    levelText_ = new QLabel(kNoLevel, maskPanel);
    levels->addWidget(levelText_);
    levels->addStretch();
    m->addLayout(levels);
    headline_ = new QLabel(maskPanel);
    QFont bold = headline_->font();
    bold.setBold(true);
    headline_->setFont(bold);
    m->addWidget(headline_);
    auto* captions = new QHBoxLayout;
    captions->addWidget(new QLabel(QStringLiteral("Zusätzliche Messtellen"), maskPanel));
    linkLabel_ = new QLabel(maskPanel);
    captions->addWidget(linkLabel_);
    m->addLayout(captions);
    slotPanel_ = new QWidget(maskPanel);
    slotGrid_ = new QGridLayout(slotPanel_);
    slotGrid_->setContentsMargins(0, 0, 0, 0);
    slotGrid_->setVerticalSpacing(2);
    m->addWidget(slotPanel_);
    drawingPanel_ = new QWidget(maskPanel);
    auto* d = new QVBoxLayout(drawingPanel_);
    d->setContentsMargins(0, 0, 0, 0);
    drawingNotice_ = new QLabel(drawingPanel_);
    drawingNotice_->setWordWrap(true);
    d->addWidget(drawingNotice_);
    drawingView_ = new TImageScrollBox(drawingPanel_);
    d->addWidget(drawingView_, 1);
    drawingPanel_->hide();
    m->addWidget(drawingPanel_, 1);
    m->addStretch();
    auto* navBar = new QHBoxLayout;
    const char* const hints[] = {"erste Messtelle", "vorherigen Messtelle", "vorherigen Seite der aktuellen Messtelle",
                                 "nächste Seite der aktuellen Messtelle", "nächste Messtelle", "Letzte Messtelle"};
    const char* const glyphs[] = {"|<", "<<", "<", ">", ">>", ">|"};
    for (int i = 0; i < 6; ++i) {
        auto* button = new QToolButton(maskPanel);
        button->setText(QString::fromLatin1(glyphs[i]));
        button->setToolTip(QString::fromUtf8(hints[i]));
        connect(button, &QToolButton::clicked, this,
                [this, i] { RunGuarded(this, [this, i] { Navigate(static_cast<Step>(i)); }); });
        navBar->addWidget(button);
        nav_.push_back(button);
    }
    navBar->addStretch();
    m->addLayout(navBar);
    left_->addWidget(list_);
    left_->addWidget(filter_);
    left_->setChildrenCollapsible(false);
    splitter_->addWidget(left_);
    splitter_->addWidget(maskPanel);
    splitter_->setStretchFactor(1, 1);
    layout->addWidget(splitter_);
    ApplyKind();
    EnableNavigation();
}

TFormAssignMeasurePoint::~TFormAssignMeasurePoint() = default;

void TFormAssignMeasurePoint::LoadSettings(QSettings& settings) {
    kind_ = settings.value(QStringLiteral("MEFilter")).toString() == QStringLiteral("E") ? 'E' : 'M';
    if (settings.contains(QStringLiteral("PanelMPoinFilterWidth")))
        splitter_->setSizes({settings.value(QStringLiteral("PanelMPoinFilterWidth")).toInt(), 600});
    if (settings.contains(QStringLiteral("SGridMPointMPointWidth")))
        list_->setColumnWidth(0, settings.value(QStringLiteral("SGridMPointMPointWidth")).toInt());
    filter_->ReadSettings(settings, TFilterPanel::Names::Rows);
    ApplyKind();
    filter_->FitBelow(left_, 300);
}

void TFormAssignMeasurePoint::SaveSettings(QSettings& settings) {
    settings.setValue(QStringLiteral("MEFlag"), QString(QChar(mark_)));
    settings.setValue(QStringLiteral("MEFilter"), QString(QChar(kind_)));
    settings.setValue(QStringLiteral("PanelMPoinFilterWidth"), splitter_->sizes().value(0));
    settings.setValue(QStringLiteral("SGridMPointMPointWidth"), list_->columnWidth(0));
    filter_->WriteSettings(settings, TFilterPanel::Names::Rows);
}

void TFormAssignMeasurePoint::ApplyKind() {
    mark_ = kind_ == 'E' ? 'y' : 'x';
    kindAction_->setText(kind_ == 'E' ? QStringLiteral("MSR-Technik Seiten anzeigen")
                                      : QStringLiteral("E-Technik Seiten anzeigen"));
    headline_->setText(kind_ == 'E' ? QStringLiteral("Elektrotechnik") : QStringLiteral("MSR-Technik"));
    linkLabel_->setText(kind_ == 'E' ? QStringLiteral("Verbundene MSR-Technik Seite")
                                     : QStringLiteral("Verbundene E-Technik Seite"));
}

void TFormAssignMeasurePoint::Reload() {
    filter_->SetTable(nullptr);
    project_.reset();
    pages_ = {};
    cur_ = -1;
    list_->setRowCount(0);
    ClearMask();
    if (host_.ProjectIsOpen()) {
        project_ = std::make_unique<msr::TMsrProject>(host_.GetProjectDir());
        if (project_->mpoint.IsOpen()) {
            filter_->SetTable(&project_->mpoint);
            msr::TAdaptResult adapted;
            msr::EnsureReferenceList(*project_, adapted);
            FillList();
            pages_ = msr::IndexKindPages(*project_, kind_);
            cur_ = pages_.points.empty() ? -1 : 0;
            page_ = 0;
            ShowPage();
        }
    }
    EnableNavigation();
    ShowDrawing();
}

void TFormAssignMeasurePoint::Close() {
    filter_->SetTable(nullptr);
    project_.reset();
}

void TFormAssignMeasurePoint::FillList() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    const std::vector<msr::TCandidate> rows = msr::FilteredCandidates(*project_, filter_->Filter(), mark_);
    list_->setRowCount(static_cast<int>(rows.size()));
    // The fixed column stays empty, as narrow as it is.
    list_->setVerticalHeaderLabels(QStringList(list_->rowCount(), QString()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        list_->setItem(r, 0, new QTableWidgetItem(Q(rows[r].designation)));
        list_->setItem(r, 1, new QTableWidgetItem(Q(rows[r].instruments)));
    }
}

QString TFormAssignMeasurePoint::Current() const {
    return cur_ >= 0 ? Q(pages_.points[cur_]) : QString();
}

QString TFormAssignMeasurePoint::LevelText() const { return levelText_->text(); }

QString TFormAssignMeasurePoint::SlotText(int slot) const { return slots_.at(slot - 1)->text(); }

QString TFormAssignMeasurePoint::LinkText(int slot) const { return links_.at(slot - 1)->text(); }

void TFormAssignMeasurePoint::ClearMask() {
    for (QLineEdit* e : slots_) delete e;
    for (QLineEdit* e : links_) delete e;
    slots_.clear();
    links_.clear();
    while (QLayoutItem* item = slotGrid_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    designation_->setText(kNoDesignation);
    levelText_->setText(kNoLevel);
}

void TFormAssignMeasurePoint::ShowPage() {
    if (cur_ < 0 || !project_) {
        ClearMask();
        ShowDrawing();
        return;
    }
    const std::string& file = pages_.files[cur_][page_];
    const msr::TPageHead head = msr::ReadPageHead(*project_, file);
    if (!head.valid) {
        ClearMask();
        ShowDrawing();
        Dialogs().ShowMessage(this, Q(file) + QStringLiteral(" ist keine gültige Zeichnung!"));
        return;
    }
    designation_->setText(Current());
    levelText_->setText(Q(head.levelText));
    if (navigating_) {
        // The tree's selection event comes back while this flag is set and is
        // not followed again; the mask is built here either way.
        host_.ProjectTree().SelectPath(Q(head.levelPath));
        navigating_ = false;
    }
    BuildMask();
    EnableNavigation();
    ShowDrawing();
}

void TFormAssignMeasurePoint::ShowDrawing() {
    const bool shown = drawingAction_->isChecked();
    drawingPanel_->setVisible(shown);
    if (!shown) return;
    std::string file;
    if (project_ && cur_ >= 0) file = msr::PageBitmapFile(*project_, pages_.files[cur_][page_]);
    drawingView_->SetFileName(QFile::decodeName(file.c_str()));
    drawingNotice_->setText(drawingView_->LoadProblem());
    drawingNotice_->setVisible(!drawingView_->LoadProblem().isEmpty());
}

QString TFormAssignMeasurePoint::DrawingNotice() const {
    return drawingPanel_->isHidden() ? QString() : drawingNotice_->text();
}

void TFormAssignMeasurePoint::BuildMask() {
    const QString designation = Current();
    const QString level = levelText_->text();
    ClearMask();
    designation_->setText(designation);
    levelText_->setText(level);
    const std::string current = S(designation);
    const std::vector<std::string> texts = msr::FurtherSlots(*project_, current);
    msr::TReferenceList refs(project_->ref);
    for (int i = 1; i <= static_cast<int>(texts.size()); ++i) {
        auto* number = new QLabel(QString::number(i), slotPanel_);
        auto* edit = new TSlotEdit(*this, i, slotPanel_);
        edit->setText(Q(texts[i - 1]));
        edit->setFixedWidth(190);
        auto* link = new QLineEdit(slotPanel_);
        link->setReadOnly(true);
        link->setObjectName(QStringLiteral("EditMPointLink%1").arg(i));
        link->setFixedWidth(190);
        if (project_->ref.IsOpen() && !texts[i - 1].empty()) link->setText(Q(refs.LinkOf(current, texts[i - 1])));
        slotGrid_->addWidget(number, i - 1, 0);
        slotGrid_->addWidget(edit, i - 1, 1);
        slotGrid_->addWidget(link, i - 1, 2);
        slotGrid_->setColumnStretch(3, 1);
        slots_.push_back(edit);
        links_.push_back(link);
    }
}

void TFormAssignMeasurePoint::EnableNavigation() {
    const int points = static_cast<int>(pages_.points.size());
    const int pages = cur_ >= 0 ? static_cast<int>(pages_.files[cur_].size()) : 0;
    nav_[0]->setEnabled(cur_ > 0);
    nav_[1]->setEnabled(cur_ > 0);
    nav_[2]->setEnabled(cur_ >= 0 && page_ > 0);
    nav_[3]->setEnabled(cur_ >= 0 && page_ + 1 < pages);
    nav_[4]->setEnabled(cur_ >= 0 && cur_ + 1 < points);
    nav_[5]->setEnabled(cur_ >= 0 && cur_ + 1 < points);
}

void TFormAssignMeasurePoint::Navigate(Step step) {
    const int points = static_cast<int>(pages_.points.size());
    if (cur_ < 0) return;
    const int pages = static_cast<int>(pages_.files[cur_].size());
    switch (step) {
    case Step::First: cur_ = 0, page_ = 0; break;
    case Step::Last: cur_ = points - 1, page_ = 0; break;
    case Step::PriorPoint: if (cur_ > 0) --cur_, page_ = 0; break;
    case Step::NextPoint: if (cur_ + 1 < points) ++cur_, page_ = 0; break;
    case Step::PriorPage: if (page_ > 0) --page_; break;
    case Step::NextPage: if (page_ + 1 < pages) ++page_; break;
    }
    navigating_ = true;
    ShowPage();
}

void TFormAssignMeasurePoint::TreeSelectionChanged() {
    if (navigating_ || !project_) return;
    TFormDir& tree = host_.ProjectTree();
    const auto found = pages_.byFile.find(tree.SelectedFileName());
    if (found == pages_.byFile.end()) return;
    cur_ = found->second.first;
    page_ = found->second.second;
    ShowPage();
}

void TFormAssignMeasurePoint::SwitchKind() {
    kind_ = kind_ == 'E' ? 'M' : 'E';
    ApplyKind();
    Reload();
}

void TFormAssignMeasurePoint::RebuildReferences() {
    if (!project_) return;
    IKorProgress& progress = host_.Progress();
    host_.SetStatusText(QStringLiteral("Messtellenreferenzliste wird erstellt"));
    progress.SetStep(10);
    struct Reset {
        IKorHost& host;
        ~Reset() {
            host.Progress().Reset();
            host.SetStatusText({});
        }
    } reset{host_};
    bool ranged = false;
    msr::RebuildReferenceList(*project_, [&](int32_t, int32_t total) {
        if (!ranged) progress.SetRange(0, total), ranged = true;
        progress.StepIt();
        return true;
    });
    if (cur_ >= 0) BuildMask();
}

void TFormAssignMeasurePoint::AfterDrop(const std::string& refusal, bool refill) {
    if (!refusal.empty()) {
        Dialogs().ShowMessage(this, StoreText(refusal));
        return;
    }
    if (refill) FillList();
    BuildMask();
}

void TFormAssignMeasurePoint::DropListRowOnSlot(const QString& designation, int slot) {
    if (cur_ < 0 || !project_) return;
    AfterDrop(msr::AssignFurther(*project_, S(Current()), slot, S(designation), mark_), true);
}

void TFormAssignMeasurePoint::DropSlotOnSlot(int from, int to) {
    if (cur_ < 0 || !project_) return;
    AfterDrop(msr::MoveFurther(*project_, S(Current()), from, to), false);
}

void TFormAssignMeasurePoint::DropSlotOnList(int slot) {
    if (cur_ < 0 || !project_) return;
    AfterDrop(msr::UnassignFurther(*project_, S(Current()), slot, mark_), true);
}

}  // namespace korin
