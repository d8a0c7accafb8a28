// TFormMain: the main window, host of the project tree and the seven modules.
//
// Layout: the project tree (TFormDir) in the left panel, a 3-pixel splitter, the
// module area filling the rest; the status bar's panels hold the progress bar
// (1), the open project (2) and a spare field (3).
//
// Start-up (first time the window is shown), in this order:
//   1. every module loads its settings (table, cable, MSR, MSR overview,
//      drawing, symbol, master data);
//   2. Main/ModuleDirWidth, ProjectPath, ProjectName, MenuView and SelectedItem
//      are read where present (a project folder given on the command line
//      replaces ProjectPath and ProjectName);
//   3. when the project folder exists, its log is started afresh;
//   4. the project tree opens the project; on success the project-opened steps;
//   5. the tree selects SelectedItem;
//   6. a MenuView of 0 to 6 shows that module.
// Close, in this order: every module saves its settings (only the active one
// writes), the main window writes its five values, the standard tables are
// closed, the log gets "KorPro Programm normal beendet.".
//
// The View menu's seven radio items make one module active: the chosen one is
// shown and all others hidden (table, cable, MSR, MSR overview, symbol, master
// data, drawing). A table selected in the tree switches to the table module.
//
// Exceptions of menu handlers reach the application's handler
// (shell/kor_application.h), which shows their German text.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "shell/kor_host.h"
#include "shell/module_factory.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStackedWidget;

namespace korin {

class TDM;
class TFormDir;
class TFormHelp;
class TKorDrawing;
class TKorModule;
class TKorProgressBar;
class TProjectGuard;

class TFormMain : public QMainWindow, public IKorHost {
    Q_OBJECT
public:
    struct Options {
        // Creates the module of a View item; by default the program's modules.
        std::function<TKorModule*(int view, IKorHost& host)> createModule = CreateModule;
        // Opened instead of the remembered project when not empty.
        QString projectFolder;
        // False: the window reads the settings but never writes them.
        bool saveSettings = true;
        // After the start-up steps, in this order: the tree selects this
        // catalogue path (texts top level first), the module of this View item
        // is shown, and that module chooses this view. Empty or -1: left alone.
        QStringList selectPath;
        int module = -1;
        int view = -1;
    };

    TFormMain();
    explicit TFormMain(Options options);
    ~TFormMain() override;

    // ---- IKorHost -------------------------------------------------------------
    std::string GetProjectDir() const override;
    bool ProjectIsOpen() const override { return projectOpen_; }
    TFormDir& ProjectTree() override { return *formDir_; }
    TDM& DataModule() override { return *dm_; }
    IKorProgress& Progress() override;
    void WriteLog(const std::string& source, const std::string& message) override;
    void DockModule(QWidget* panel) override;
    void UndockModule(QWidget* panel) override;
    void MergeMenu(QMenu* menu) override;
    void UnmergeMenu(QMenu* menu) override;
    QWidget* HostWindow() override { return this; }
    void SetStatusText(const QString& text) override;
    void OpenProjectDialog() override;
    void PrintTableModule() override;
    void ExportTableModule() override;
    void TreeSelectionChanged() override;

    // ---- state ----------------------------------------------------------------
    const QString& ProjectPath() const { return projectPath_; }
    const QString& ProjectName() const { return projectName_; }
    int MenuView() const { return menuView_; }
    bool Started() const { return started_; }
    TKorModule* Module(int view) const { return modules_[static_cast<size_t>(view)]; }
    int LeftPanelWidth() const;
    QString StatusProject() const;
    QProgressBar* ProgressBar() const { return progressBar_; }

    // ---- menus ----------------------------------------------------------------
    QMenu* ViewMenu() const { return viewMenu_; }
    QAction* ViewAction(int view) const { return viewActions_[static_cast<size_t>(view)]; }
    QMenu* DrawingMenu() const { return drawingMenu_; }
    QAction* ActionHideDrawingMenu() const { return actHideDrawing_; }

    // ---- operations -----------------------------------------------------------
    // The start-up steps; runs once (also from the first showing).
    void Startup();
    // The View menu's item k (0 to 6).
    void ViewSelect(int view);
    // After the project dialog's OK: makes the folder the project and opens it.
    // A folder that is not a project is refused with its reason (a message, and
    // the notice in the empty module area); the open project stays open.
    void OpenProjectFolder(const QString& folder);
    // "Datei → Schließen": closes the project as choosing another would; it is
    // not opened again at the next start.
    void CloseProject();
    // Why `folder` is no project ("existiert nicht", no "Dir.ref"); empty when it is one.
    static QString NotAProjectReason(const QString& folder);
    // The text shown in the empty module area (why no project is open).
    QString Notice() const;
    QAction* ActionPrint() const { return actPrint_; }
    QAction* ActionExportText() const { return actExportText_; }
    // "Repariere CRC": a new CRC for the drawing selected in the tree.
    void RepairCrc();
    // "Verstecken" (Ctrl+Shift+F12): shows or hides the "Zeichnung" menu.
    void ToggleDrawingMenu();
    // The close steps; runs once (also from closing the window).
    void CloseDown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildStatusBar();
    void ProjectOpened();
    bool OpenTreeProject();
    void SplitProjectFolder(const QString& folder);
    // Opens the handbook at the page of a help file of the menu.
    void ShowHelp(const QString& file);
    void RefuseFolder(const QString& reason);
    void UpdateFileActions();
    void ShowAbout();

    Options options_;
    QString projectPath_;
    QString projectName_;
    bool projectOpen_ = false;
    bool started_ = false;
    bool closed_ = false;
    int menuView_ = -1;
    QString helpFile_ = QStringLiteral("KorinPro32.hlp");
    TFormHelp* helpWindow_ = nullptr;
    QString databasePath_;  // the project database's "PATH=" parameter
    TProjectGuard* guard_;  // the project's lock; a child of the window

    QSplitter* splitter_;
    TFormDir* formDir_;
    QStackedWidget* moduleArea_;
    QWidget* emptyArea_;
    QLabel* notice_;
    QAction* actPrint_ = nullptr;
    QAction* actExportText_ = nullptr;
    QProgressBar* progressBar_;
    QLabel* statusProject_;
    QLabel* statusSpare_;
    std::unique_ptr<TKorProgressBar> progress_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<TKorDrawing> korDrawing1_;
    std::array<TKorModule*, kViewCount> modules_{};

    QMenu* viewMenu_ = nullptr;
    QMenu* drawingMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* actHideDrawing_ = nullptr;
    QActionGroup* viewGroup_ = nullptr;
    std::array<QAction*, kViewCount> viewActions_{};
};

}  // namespace korin
