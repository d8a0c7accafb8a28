// What a module window may ask of the main window that hosts it.
//
// The main window (TFormMain) implements this; modules receive it when they are
// created and keep it for their lifetime. Tests may host a module in a stand-in.
#pragma once

#include <QString>
#include <string>

class QMenu;
class QWidget;

namespace korin {

class IKorProgress;
class TDM;
class TFormDir;

class IKorHost {
public:
    virtual ~IKorHost() = default;

    // The open project's directory with a trailing "/", empty while no project
    // is open. Every module addresses the project's files through it.
    virtual std::string GetProjectDir() const = 0;
    virtual bool ProjectIsOpen() const = 0;

    // The project tree: the catalogue of the open project and its selection.
    virtual TFormDir& ProjectTree() = 0;
    // The standard tables.
    virtual TDM& DataModule() = 0;
    // The status bar's progress bar, for long operations.
    virtual IKorProgress& Progress() = 0;
    // A line in the project log; throws when the log cannot be written.
    virtual void WriteLog(const std::string& source, const std::string& message) = 0;

    // The module area: a docked panel fills it; undocking empties it again when
    // that panel was the one shown.
    virtual void DockModule(QWidget* panel) = 0;
    virtual void UndockModule(QWidget* panel) = 0;
    // A module's own menu joins the main menu (before "&Hilfe") while the
    // module is shown.
    virtual void MergeMenu(QMenu* menu) = 0;
    virtual void UnmergeMenu(QMenu* menu) = 0;
    // The window that dialogs of modules belong to.
    virtual QWidget* HostWindow() = 0;
    // The second status bar panel (the open project, or the state of a long
    // operation).
    virtual void SetStatusText(const QString& text) = 0;

    // Requests of the project tree's tool bar and selection.
    virtual void OpenProjectDialog() = 0;
    virtual void PrintTableModule() = 0;
    virtual void ExportTableModule() = 0;
    virtual void TreeSelectionChanged() = 0;
};

}  // namespace korin
