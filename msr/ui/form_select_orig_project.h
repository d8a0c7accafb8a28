// TFormSelectOriginalProject: "Originalprojekt und Ebene auswählen", where the
// page creation window takes its originals from.
//
// Above, the original project's folder (read-only, "..." opens the project
// selection dialog); below, the catalogue of that project as a lazy tree
// (shell/models/kor_dir_model.h) over a catalogue object of the dialog's own.
// The original project is only read: it is opened without the project lock,
// so it may be open in another program, and the dialog never writes it.
//
// The chosen node is the level: every folder directly below it is one
// original, the drawings below that folder its pages (msr/msr_originals.h).
//
// Settings: "OrigProject/Project", the folder shown, read when the dialog is
// shown and written when it closes, whichever button closed it. Without it the
// folder given by SetDefaultDirectory is taken.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "msr/msr_originals.h"

class QLineEdit;
class QModelIndex;
class QTreeView;

namespace korin {

class TKorDirFile;
class TKorDirModel;

class TFormSelectOriginalProject : public QDialog {
    Q_OBJECT
public:
    explicit TFormSelectOriginalProject(QWidget* parent = nullptr);
    ~TFormSelectOriginalProject() override;

    void SetDefaultDirectory(const QString& dir) { defaultDir_ = dir; }
    // Shows the catalogue of another folder (no catalogue there: an empty tree).
    void SetDirectory(const QString& dir);
    QString Directory() const;
    // The chosen node's entry type, -1 while none is chosen.
    int SelectedType() const { return selectedType_; }
    // The chosen node's names from the top joined by "\".
    const std::string& SelectedPathText() const { return selectedPathText_; }
    // The original lists below the chosen node; false, leaving `lists` as it
    // is, while no node is chosen. Errors of the catalogue pass through.
    bool BuildLists(msr::TOriginalLists& lists) const;

    QTreeView& Tree() { return *tree_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadTree();
    void Browse();
    void NodeSelected();

    std::unique_ptr<TKorDirFile> dir_;
    TKorDirModel* model_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QTreeView* tree_ = nullptr;
    QString defaultDir_;
    int selectedType_ = -1;
    std::string selectedPathText_;
    TKeyList selectedKey_;
};

}  // namespace korin
