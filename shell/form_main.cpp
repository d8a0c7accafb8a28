#include "shell/form_main.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "drawing/kor_drawing.h"
#include "shell/comma_text.h"
#include "shell/dm.h"
#include "shell/form_dir.h"
#include "shell/form_help.h"
#include "shell/form_project_select.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_log.h"
#include "shell/kor_module.h"
#include "shell/kor_settings.h"
#include "shell/project_guard.h"
#include "store/kor_path.h"

namespace korin {
namespace {

constexpr int kWindowWidth = 967;
constexpr int kWindowHeight = 747;
constexpr int kTreeWidth = 163;

std::string Encode(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

TFormMain::TFormMain() : TFormMain(Options{}) {}

TFormMain::TFormMain(Options options) : options_(std::move(options)) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Korin Pro"));
    resize(kWindowWidth, kWindowHeight);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setHandleWidth(3);
    splitter_->setChildrenCollapsible(false);
    formDir_ = new TFormDir(*this, splitter_);
    formDir_->setMinimumWidth(10);
    moduleArea_ = new QStackedWidget(splitter_);
    moduleArea_->setObjectName(QStringLiteral("PanelModule"));
    // A module whose controls want more room is cut at the window's edge; it
    // never squeezes the project tree.
    moduleArea_->setMinimumSize(1, 1);
    guard_ = new TProjectGuard(this);
    emptyArea_ = new QWidget(moduleArea_);
    emptyArea_->setAutoFillBackground(true);
    emptyArea_->setBackgroundRole(QPalette::Dark);
    // Why no project is open, where a picture of the window shows it too.
    notice_ = new QLabel(emptyArea_);
    notice_->setObjectName(QStringLiteral("LabelNotice"));
    notice_->setWordWrap(true);
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setStyleSheet(QStringLiteral("QLabel { color: white; font-weight: bold; }"));
    auto* noticeLayout = new QVBoxLayout(emptyArea_);
    noticeLayout->setContentsMargins(24, 24, 24, 24);
    noticeLayout->addWidget(notice_);
    moduleArea_->addWidget(emptyArea_);
    splitter_->addWidget(formDir_);
    splitter_->addWidget(moduleArea_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kTreeWidth, kWindowWidth - kTreeWidth - 3});
    setCentralWidget(splitter_);

    BuildStatusBar();
    dm_ = std::make_unique<TDM>(*this);
    korDrawing1_ = std::make_unique<TKorDrawing>();
    korDrawing1_->Name = "KorDrawing1";

    for (int v = 0; v < kViewCount; ++v) {
        TKorModule* module = options_.createModule(v, *this);
        modules_[static_cast<size_t>(v)] = module;
        moduleArea_->addWidget(module);
    }
    BuildMenus();
}

TFormMain::~TFormMain() {
    // The datasets of the standard tables go before the tree's catalogue.
    dm_.reset();
}

void TFormMain::BuildStatusBar() {
    progressBar_ = new QProgressBar(this);
    progressBar_->setFixedWidth(120);
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setMaximumHeight(16);
    statusProject_ = new QLabel(this);
    statusProject_->setFixedWidth(400);
    statusSpare_ = new QLabel(this);
    statusSpare_->setFixedWidth(50);
    statusBar()->addWidget(progressBar_);
    statusBar()->addWidget(statusProject_);
    statusBar()->addWidget(statusSpare_);
    progress_ = std::make_unique<TKorProgressBar>(progressBar_);
}

void TFormMain::BuildMenus() {
    auto guarded = [this](auto member) {
        return [this, member] { RunGuarded(this, [this, member] { (this->*member)(); }); };
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
    QAction* open = file->addAction(QStringLiteral("Ö&ffnen"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, guarded(&TFormMain::OpenProjectDialog));
    connect(file->addAction(QStringLiteral("S&chließen")), &QAction::triggered, this,
            guarded(&TFormMain::CloseProject));
    file->addSeparator();
    QAction* print = file->addAction(QStringLiteral("&Drucken"));
    actPrint_ = print;
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(print, &QAction::triggered, this, [this] {
        if (menuView_ == kViewTable) RunGuarded(this, [this] { PrintTableModule(); });
    });
    QMenu* exportMenu = file->addMenu(QStringLiteral("Exportieren"));
    QAction* ansi = exportMenu->addAction(QStringLiteral("ANSI Text"));
    actExportText_ = ansi;
    // Print and export are offered only where the active module can do them.
    connect(file, &QMenu::aboutToShow, this, &TFormMain::UpdateFileActions);
    connect(ansi, &QAction::triggered, this, [this] {
        if (menuView_ == kViewTable) RunGuarded(this, [this] { ExportTableModule(); });
    });
    exportMenu->addAction(QStringLiteral("Excel"))->setEnabled(false);
    exportMenu->addAction(QStringLiteral("Word"))->setEnabled(false);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("&Beenden"));
    quit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(quit, &QAction::triggered, this, [this] {
        projectOpen_ = false;
        close();
    });

    // The View menu. Ctrl+S would belong to two items; it chooses the MSR
    // overview, the first of them.
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&Ansicht"));
    viewGroup_ = new QActionGroup(this);
    viewGroup_->setExclusive(true);
    struct Item {
        const char* text;
        QKeySequence key;
    };
    const Item items[kViewCount] = {
        {"&Tabelle", QKeySequence(Qt::CTRL | Qt::Key_T)},
        {"&Kabel", QKeySequence(Qt::CTRL | Qt::Key_K)},
        {"&MSR", QKeySequence(Qt::CTRL | Qt::Key_M)},
        {"M&SR Übersicht", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"&Zeichnung", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"&Symbol", QKeySequence()},
        {"Stamm&daten", QKeySequence(Qt::CTRL | Qt::Key_D)},
    };
    for (int v = 0; v < kViewCount; ++v) {
        QAction* a = viewMenu_->addAction(QString::fromUtf8(items[v].text));
        a->setCheckable(true);
        a->setShortcut(items[v].key);
        viewGroup_->addAction(a);
        viewActions_[static_cast<size_t>(v)] = a;
        connect(a, &QAction::triggered, this, [this, v] { RunGuarded(this, [this, v] { ViewSelect(v); }); });
    }
    viewMenu_->menuAction()->setEnabled(false);
    viewGroup_->setEnabled(false);

    // The service menu for drawings, hidden until Ctrl+Shift+F12. "Verstecken"
    // also belongs to the window itself, so that its key works while the menu
    // is hidden.
    drawingMenu_ = menuBar()->addMenu(QStringLiteral("Zeichnung"));
    actHideDrawing_ = drawingMenu_->addAction(QStringLiteral("Verstecken"));
    actHideDrawing_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12));
    actHideDrawing_->setShortcutContext(Qt::WindowShortcut);
    addAction(actHideDrawing_);
    connect(actHideDrawing_, &QAction::triggered, this, &TFormMain::ToggleDrawingMenu);
    QAction* crc = drawingMenu_->addAction(QStringLiteral("Repariere CRC"));
    connect(crc, &QAction::triggered, this, guarded(&TFormMain::RepairCrc));
    drawingMenu_->menuAction()->setVisible(false);

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    connect(helpMenu_->addAction(QStringLiteral("&Inhalt")), &QAction::triggered, this,
            [this] { ShowHelp(helpFile_); });
    QMenu* intro = helpMenu_->addMenu(QStringLiteral("&Einführung"));
    connect(intro->addAction(QStringLiteral("&Datenmodell")), &QAction::triggered, this,
            [this] { ShowHelp(QStringLiteral("Datenmodell.hlp")); });
    QMenu* example = helpMenu_->addMenu(QStringLiteral("&Beispiel"));
    connect(example->addAction(QStringLiteral("&Projektkabel")), &QAction::triggered, this,
            [this] { ShowHelp(QStringLiteral("Projektkabel.hlp")); });
    connect(example->addAction(QStringLiteral("&Stammkabel")), &QAction::triggered, this,
            [this] { ShowHelp(QStringLiteral("Stammkabel.hlp")); });
    QMenu* web = helpMenu_->addMenu(QStringLiteral("Korin Pro im &Web"));
    for (const char* text : {"Neue Entwicklungen", "Support", "Feedback senden ..."})
        connect(web->addAction(QString::fromUtf8(text)), &QAction::triggered, this,
                [this] { ShowHelp(QStringLiteral("Web")); });
    helpMenu_->addSeparator();
    connect(helpMenu_->addAction(QStringLiteral("Ü&ber Korin Pro ...")), &QAction::triggered, this,
            &TFormMain::ShowAbout);
}

// ---- IKorHost -----------------------------------------------------------------

std::string TFormMain::GetProjectDir() const {
    if (!projectOpen_) return {};
    return Encode(projectPath_ + projectName_ + u'/');
}

IKorProgress& TFormMain::Progress() { return *progress_; }

void TFormMain::WriteLog(const std::string& source, const std::string& message) {
    AppendLogLine(Encode(projectPath_ + projectName_ + u'/' + QString::fromLatin1(kLogFileName)), source,
                  message);
}

void TFormMain::DockModule(QWidget* panel) {
    if (moduleArea_->indexOf(panel) < 0) moduleArea_->addWidget(panel);
    moduleArea_->setCurrentWidget(panel);
}

void TFormMain::UndockModule(QWidget* panel) {
    if (moduleArea_->currentWidget() == panel) moduleArea_->setCurrentWidget(emptyArea_);
}

void TFormMain::MergeMenu(QMenu* menu) {
    if (!menuBar()->actions().contains(menu->menuAction()))
        menuBar()->insertMenu(helpMenu_->menuAction(), menu);
}

void TFormMain::UnmergeMenu(QMenu* menu) { menuBar()->removeAction(menu->menuAction()); }

void TFormMain::SetStatusText(const QString& text) {
    statusProject_->setText(text);
    statusProject_->repaint();
}

QString TFormMain::StatusProject() const { return statusProject_->text(); }

int TFormMain::LeftPanelWidth() const { return splitter_->sizes().value(0); }

void TFormMain::OpenProjectDialog() {
    TFormProjectSelect dialog(this);
    dialog.SetSelectedPath(projectPath_ + projectName_);
    if (dialog.exec() != QDialog::Accepted) return;
    OpenProjectFolder(dialog.SelectedPath());
}

void TFormMain::PrintTableModule() {
    TKorModule* table = modules_[kViewTable];
    if (!table->CanPrint()) {
        Dialogs().ShowMessage(this, QStringLiteral("Drucken: Es ist keine Tabelle geöffnet. Wählen Sie "
                                                   "im Projektbaum eine Tabelle."));
        return;
    }
    table->PrintModule();
}

void TFormMain::ExportTableModule() {
    TKorModule* table = modules_[kViewTable];
    if (!table->CanExport()) {
        Dialogs().ShowMessage(this, QStringLiteral("Exportieren: Es ist keine Tabelle geöffnet. Wählen "
                                                   "Sie im Projektbaum eine Tabelle."));
        return;
    }
    table->ExportModule();
}

void TFormMain::UpdateFileActions() {
    const bool table = menuView_ == kViewTable;
    actPrint_->setEnabled(table && modules_[kViewTable]->CanPrint());
    actExportText_->setEnabled(table && modules_[kViewTable]->CanExport());
}

void TFormMain::TreeSelectionChanged() {
    if (formDir_->SelectedType() == 5) ViewSelect(kViewTable);
    for (int v : kNotifyOrder) modules_[static_cast<size_t>(v)]->SelectionChanged();
    UpdateFileActions();
}

QString TFormMain::Notice() const { return notice_->text(); }

QString TFormMain::NotAProjectReason(const QString& folder) {
    if (!QFileInfo(folder).isDir()) return QStringLiteral("Der Ordner \"%1\" existiert nicht.").arg(folder);
    const std::string dir = path::AsDirectory(Encode(folder));
    if (!path::ExistsIgnoringCase(dir, "Dir.ref"))
        return QStringLiteral("Der Ordner \"%1\" ist kein Projekt: Er enthält keinen Katalog \"Dir.ref\".")
            .arg(folder);
    return {};
}

void TFormMain::RefuseFolder(const QString& reason) {
    QString text = reason;
    if (projectOpen_)
        text += QStringLiteral("\nDas Projekt %1 bleibt geöffnet.").arg(projectPath_ + projectName_);
    notice_->setText(text);
    Dialogs().ShowError(this, text);
}

void TFormMain::CloseProject() {
    if (!projectOpen_) return;
    projectOpen_ = false;
    for (int v : kShowOrder) modules_[static_cast<size_t>(v)]->Hide();
    moduleArea_->setCurrentWidget(emptyArea_);
    dm_->CloseAllTables();
    formDir_->CloseProject();
    guard_->Release();
    for (int v : kNotifyOrder) modules_[static_cast<size_t>(v)]->SelectionChanged();
    // Closed, the project is not opened again at the next start.
    projectName_.clear();
    databasePath_.clear();
    statusProject_->clear();
    notice_->clear();
    viewMenu_->menuAction()->setEnabled(false);
    viewGroup_->setEnabled(false);
    setWindowTitle(QStringLiteral("Korin Pro"));
    UpdateFileActions();
}

// ---- start, run, stop ------------------------------------------------------------

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!started_)
        QTimer::singleShot(0, this, [this] { RunGuarded(this, [this] { Startup(); }); });
}

void TFormMain::Startup() {
    if (started_) return;
    started_ = true;
    auto settings = OpenAppSettings();
    for (int v : kNotifyOrder) modules_[static_cast<size_t>(v)]->LoadSettings(*settings);

    QString selectedItem;
    settings->beginGroup(kMainGroup);
    if (settings->contains(kModuleDirWidthKey)) {
        const int width = std::max(10, settings->value(kModuleDirWidthKey).toInt());
        const int total = splitter_->width() > width ? splitter_->width() : kWindowWidth;
        splitter_->setSizes({width, std::max(0, total - width - splitter_->handleWidth())});
    }
    if (settings->contains(kProjectPathKey)) projectPath_ = settings->value(kProjectPathKey).toString();
    if (settings->contains(kProjectNameKey)) projectName_ = settings->value(kProjectNameKey).toString();
    if (settings->contains(kMenuViewKey)) {
        bool ok = false;
        const int view = settings->value(kMenuViewKey).toInt(&ok);
        if (ok) menuView_ = view;
    }
    if (settings->contains(kSelectedItemKey)) selectedItem = settings->value(kSelectedItemKey).toString();
    if (settings->contains(kWindowGeometryKey)) restoreGeometry(settings->value(kWindowGeometryKey).toByteArray());
    if (settings->value(kWindowMaximizedKey).toBool()) setWindowState(windowState() | Qt::WindowMaximized);
    if (settings->contains(kLongTextsKey)) formDir_->SetShowLongTexts(settings->value(kLongTextsKey).toBool());
    settings->endGroup();
    settings.reset();

    // A folder given on the command line wins when it is a project; one that is
    // not is refused with its reason, and no project is opened (the remembered
    // one stays remembered).
    bool refused = false;
    if (!options_.projectFolder.isEmpty()) {
        const QString reason = NotAProjectReason(options_.projectFolder);
        refused = !reason.isEmpty();
        if (refused)
            RefuseFolder(reason);
        else
            SplitProjectFolder(options_.projectFolder);
    }

    // Nothing is written into a folder that is not a project (not even the log),
    // and such a remembered folder is forgotten. A remembered folder that has
    // gone opens nothing, silently.
    const QString folder = projectPath_ + projectName_;
    if (refused) {
        // The window shows why; the tree stays empty.
    } else if (!projectName_.isEmpty() && QDir(folder).exists()) {
        QString reason = NotAProjectReason(folder);
        if (reason.isEmpty()) reason = guard_->Take(folder);
        if (reason.isEmpty()) {
            StartLog(Encode(folder + u'/' + QString::fromLatin1(kLogFileName)));
        } else {
            RefuseFolder(reason);
            projectName_.clear();
        }
    }
    if (!refused) OpenTreeProject();
    formDir_->SelectPath(selectedItem);
    if (menuView_ >= 0 && menuView_ < kViewCount) ViewSelect(menuView_);

    if (!options_.selectPath.isEmpty()) formDir_->SelectPath(JoinCommaText(options_.selectPath));
    if (options_.module >= 0 && options_.module < kViewCount) ViewSelect(options_.module);
    if (options_.view >= 0 && menuView_ >= 0 && menuView_ < kViewCount)
        modules_[static_cast<size_t>(menuView_)]->SelectView(options_.view);
}

bool TFormMain::OpenTreeProject() {
    const bool opened = formDir_->OpenProject(Encode(projectPath_ + projectName_));
    if (opened)
        ProjectOpened();
    else
        statusProject_->clear();
    return opened;
}

void TFormMain::ProjectOpened() {
    databasePath_ = projectPath_ + projectName_;
    setWindowTitle(QStringLiteral("Korin Pro – ") + projectName_);
    notice_->clear();
    viewMenu_->menuAction()->setEnabled(true);
    viewGroup_->setEnabled(true);
    statusProject_->setText(QStringLiteral("Projekt: ") + projectPath_ + projectName_);
    projectOpen_ = true;
    for (int v : kNotifyOrder) modules_[static_cast<size_t>(v)]->ProjectOpened();
}

void TFormMain::SplitProjectFolder(const QString& folder) {
    QString path = QDir::fromNativeSeparators(folder);
    if (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    projectName_ = path.mid(slash + 1);
    projectPath_ = path.left(slash + 1);
}

void TFormMain::OpenProjectFolder(const QString& folder) {
    // A folder that is not a project changes nothing: the open project stays.
    QString reason = NotAProjectReason(QDir::fromNativeSeparators(folder));
    if (reason.isEmpty()) reason = guard_->Take(QDir::fromNativeSeparators(folder));
    if (!reason.isEmpty()) {
        RefuseFolder(reason);
        return;
    }
    projectOpen_ = false;
    SplitProjectFolder(folder);
    OpenTreeProject();
}

void TFormMain::ViewSelect(int view) {
    if (view < 0 || view >= kViewCount) return;
    menuView_ = view;
    viewActions_[static_cast<size_t>(view)]->setChecked(true);
    UpdateFileActions();
    for (int v : kShowOrder) {
        TKorModule* module = modules_[static_cast<size_t>(v)];
        if (v == view)
            module->Show();
        else
            module->Hide();
    }
}

void TFormMain::RepairCrc() {
    if (formDir_->SelectedType() != 1) return;
    korDrawing1_->SetProject(Encode(projectPath_ + projectName_));
    korDrawing1_->SetFileName(formDir_->SelectedDrawingFile());
    try {
        korDrawing1_->Open();
        korDrawing1_->Save();
    } catch (...) {
        korDrawing1_->Close();
        throw;
    }
    korDrawing1_->Close();
}

void TFormMain::ToggleDrawingMenu() {
    QAction* menu = drawingMenu_->menuAction();
    menu->setVisible(!menu->isVisible());
}

void TFormMain::closeEvent(QCloseEvent* event) {
    CloseDown();
    event->accept();
}

void TFormMain::CloseDown() {
    if (closed_) return;
    closed_ = true;
    if (options_.saveSettings) {
        RunGuarded(this, [this] {
            auto settings = OpenAppSettings();
            for (int v : kNotifyOrder) modules_[static_cast<size_t>(v)]->SaveSettings(*settings);
            settings->beginGroup(kMainGroup);
            settings->setValue(kModuleDirWidthKey, LeftPanelWidth());
            settings->setValue(kProjectPathKey, projectPath_);
            settings->setValue(kProjectNameKey, projectName_);
            settings->setValue(kMenuViewKey, menuView_);
            settings->setValue(kSelectedItemKey, formDir_->GetSelectedPath());
            settings->setValue(kWindowGeometryKey, saveGeometry());
            settings->setValue(kWindowMaximizedKey, isMaximized());
            settings->setValue(kLongTextsKey, formDir_->ShowLongTexts());
            settings->endGroup();
        });
    }
    RunGuarded(this, [this] { dm_->CloseAllTables(); });
    // Without a project folder there is no log to write to.
    if (!projectName_.isEmpty() && QDir(projectPath_ + projectName_).exists())
        RunGuarded(this, [this] { WriteLog("KorPro", "Programm normal beendet."); });
    projectOpen_ = false;
}

// ---- help ------------------------------------------------------------------------

void TFormMain::ShowHelp(const QString& file) {
    // The help files of the menu are pages of the handbook that ships with the
    // program; one help window serves them all.
    if (!helpWindow_) helpWindow_ = new TFormHelp(this);
    helpWindow_->ShowTopic(TFormHelp::TopicOfHelpFile(file));
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
    helpFile_ = QStringLiteral("KorinPro32.hlp");
}

void TFormMain::ShowAbout() {
    Dialogs().ShowMessage(this, QStringLiteral("Korin Pro\nVersion %1\n\nPlanungsdatenbank für die MSR-Technik")
                                    .arg(QCoreApplication::applicationVersion()));
}

}  // namespace korin
