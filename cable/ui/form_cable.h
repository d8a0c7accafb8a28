// TFormCable: the cable and wire module (View "&Kabel").
//
// A tool bar with "Adern erzeugen" and "Adern mit Stammkabeldatenbank
// abgleichen" (a third, hidden "Adern erzeugen" button does the same as the
// first), the list of cables on the left and the wires of the selected cable
// on the right. The window only shows TKorCableOps (cable/kor_cable_ops.h): it
// opens the project's tables while it is active and a project is open, closes
// them when hidden, and refills the wire grid after wires were created or
// aligned. Both operations drive the main window's progress bar; their
// refusals are shown as error messages.
//
// Its settings key is "Cable" and holds no values.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "shell/kor_module.h"

class QAction;
class QListWidget;
class QTableWidget;
class QToolBar;
class QToolButton;

namespace korin {

class TKorCableOps;

class TFormCable : public TKorModule {
    Q_OBJECT
public:
    explicit TFormCable(IKorHost& host);
    ~TFormCable() override;

    void LoadSettings(QSettings& settings) override {}
    void SaveSettings(QSettings& settings) override {}
    void Show() override;
    void Hide() override;
    void ProjectOpened() override;
    void SelectionChanged() override {}

    // The tool bar's commands.
    void ToolButtonCreateWiresClick();
    void ToolButtonAlignClick();

    QListWidget* ListCables() const { return listCables_; }
    QTableWidget* GridWires() const { return gridWires_; }
    QAction* ActionCreateWires() const { return actCreate_; }
    QAction* ActionAlign() const { return actAlign_; }
    TKorCableOps& Ops() { return *ops_; }

private:
    void OpenTables();
    void FillCables();
    // Shows the wires of the selected cable (none when nothing is selected).
    void ShowWires();
    void ClearWires();
    // Runs a command of the tool bar: wait cursor, progress bar, the count it
    // returns in the status bar, the wire grid refilled.
    void RunCommand(const std::function<int32_t()>& command, const QString& doneText);

    std::unique_ptr<TKorCableOps> ops_;
    QToolBar* toolBar_;
    QAction* actCreate_;
    QAction* actAlign_;
    QToolButton* hiddenCreate_;
    QListWidget* listCables_;
    QTableWidget* gridWires_;
};

}  // namespace korin
