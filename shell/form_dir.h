// TFormDir: the project tree, docked into the main window's left panel.
//
// It owns the catalogue of the open project (KorDirFileModDir), through which
// every module finds the project's files, shows it as a lazily read tree
// (shell/models/kor_dir_model.h) and publishes the current selection for the
// modules, which read it when the main window tells them the selection changed:
//   SelectedType          type of the selected entry, -1 when none
//   SelectedFileName      "%6.6d" of its entry (of -1 when the lookup failed)
//   SelectedDrawingFile   file of the last selected drawing
//   SelectedTableDataFile, SelectedTableKeyFile   files of the last selected table
//   SelectedPath          for a table its path texts joined with "\", else empty
// Selections are taken only while the main window has a project open and the
// tree is not being rebuilt.
//
// The tool bar: open project, Excel and Word export (no action), ANSI export and
// print (passed to the table module), delete the selected entry, the catalogue
// check ("Statusinformationen"), and long texts on or off.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QModelIndex;
class QToolBar;
class QTreeView;

namespace korin {

class IKorHost;
class TKorDirFile;
class TKorDirModel;

class TFormDir : public QWidget {
    Q_OBJECT
public:
    explicit TFormDir(IKorHost& host, QWidget* parent = nullptr);
    ~TFormDir() override;

    TKorDirFile& KorDirFileModDir() { return *dir_; }
    TKorDirModel& Model() { return *model_; }
    QTreeView* Tree() const { return tree_; }
    QToolBar* ToolBar() const { return toolBar_; }

    // Opens the project folder's catalogue and shows its top level; one log line
    // "Benutzter Eintrag: n" per entry in use. False, with an empty tree, when
    // the folder is not a project (no such folder, or no "Dir.ref" in it).
    // Damage of the catalogue files that the open would pass over (a "Dir.ref"
    // of no whole number of entries, a short "Dir.dat") is shown as a warning
    // and written to the log.
    bool OpenProject(const std::string& folder);
    // Closes the catalogue and empties the tree; the selection is dropped.
    void CloseProject();
    // Reads the catalogue anew (the selection is dropped) and tells the main
    // window that the selection changed.
    void Refresh();
    // The plain Names of the selected entry's path as comma text; empty when
    // nothing is selected.
    QString GetSelectedPath() const;
    // Selects the entry of a comma text path level by level, expanding the
    // folders on the way. When a text is not found the deepest entry found stays
    // selected in the tree and the published selection is left as it was.
    void SelectPath(const QString& commaText);

    int32_t SelectedType() const { return selectedType_; }
    const std::string& SelectedFileName() const { return selectedFileName_; }
    const std::string& SelectedDrawingFile() const { return selectedDrawingFile_; }
    const std::string& SelectedTableDataFile() const { return selectedTableDataFile_; }
    const std::string& SelectedTableKeyFile() const { return selectedTableKeyFile_; }
    const std::string& SelectedPath() const { return selectedPath_; }
    // SelectedPath's texts.
    const std::vector<std::string>& SelectedPathTexts() const { return selectedPathTexts_; }

    bool Updating() const { return updating_; }
    bool ShowLongTexts() const;

    // The tool bar's actions.
    QAction* ActionOpen() const { return actOpen_; }
    QAction* ActionDelete() const { return actDelete_; }
    QAction* ActionCheck() const { return actCheck_; }
    QAction* ActionLongTexts() const { return actLongTexts_; }

    // The delete button: asks (the question names the path), deletes the
    // selected folder's tables, drawing or table, and selects what is left of
    // its path. With nothing selected there is nothing to ask.
    void DeleteSelected();
    // The long texts button; the expanded folders and the selection stay.
    void SetShowLongTexts(bool on);
    // The check button: the catalogue's report in the modal check window.
    void ShowCheckWindow();

private:
    void SelectionChanged();
    void Activated(const QModelIndex& index);
    void Collapsed(const QModelIndex& index);
    // The selection change for a node, or for none (then nothing happens).
    void SelectionChange(const QModelIndex& index);
    void FillTop();
    QModelIndex SelectedIndex() const;
    // The name paths of the expanded folders, parents before children, and
    // their expansion again after the tree was read anew.
    QList<QStringList> ExpandedPaths() const;
    void ExpandPaths(const QList<QStringList>& paths);

    IKorHost& host_;
    std::unique_ptr<TKorDirFile> dir_;
    TKorDirModel* model_;
    QToolBar* toolBar_;
    QTreeView* tree_;
    QAction* actOpen_;
    QAction* actDelete_;
    QAction* actCheck_;
    QAction* actLongTexts_;

    bool hasProject_ = false;  // the last OpenProject succeeded
    bool updating_ = false;
    int32_t selectedType_ = -1;
    std::string selectedFileName_;
    std::string selectedDrawingFile_;
    std::string selectedTableDataFile_;
    std::string selectedTableKeyFile_;
    std::string selectedPath_;
    std::vector<std::string> selectedPathTexts_;
};

}  // namespace korin
