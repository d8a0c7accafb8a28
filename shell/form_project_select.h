// The project selection dialog "Projekt auswählen": a folder tree read as it is
// expanded, the chosen folder in a panel on top, OK and Cancel.
//
// The panel is the dialog's only record of the choice: the main window puts the
// current project folder into it before showing the dialog and reads the chosen
// folder from it after OK. On creation the panel takes the remembered "Last
// Path" when that folder still exists; when the dialog is shown, the folder in
// the panel (or else the home folder) is selected in the tree. Whichever button
// closes the dialog, a non-empty panel is remembered as "Last Path".
//
// The panel is a path field: a folder can be typed or pasted there, and Enter
// selects it in the tree when it exists. The current folder is scrolled into
// view.
#pragma once

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLineEdit;
class QSortFilterProxyModel;
class QTreeView;

namespace korin {

class TFormProjectSelect : public QDialog {
    Q_OBJECT
public:
    explicit TFormProjectSelect(QWidget* parent = nullptr);

    QString SelectedPath() const;
    // Puts a folder into the panel (an empty text leaves the panel as it is).
    void SetSelectedPath(const QString& path);
    QTreeView* Tree() const { return tree_; }
    QLineEdit* PathField() const { return panel_; }
    // Selects a folder in the tree (the panel follows).
    void SelectFolder(const QString& path);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CurrentChanged();
    void PathEdited();

    QLineEdit* panel_;
    QTreeView* tree_;
    QFileSystemModel* fs_;
    QSortFilterProxyModel* proxy_;
};

}  // namespace korin
