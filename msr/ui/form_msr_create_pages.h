// TFormMSRCreatePages: the page creation window, view 0 of the MSR module.
//
// Left the originals of the chosen original project (a multi-select grid),
// right the measure points of MESSTELLE (a multi-select grid), above them the
// level choice. Below the originals the filter of the measure points through a
// secondary key (msr/ui/filter_panel.h), which can be hidden. The tool bar
// assigns marked originals to marked measure points (Apply), to every unmarked
// one (Apply to all) or automatically, takes assignments away, generates the
// pages of the measure points in the grid, fills them with instrumentation,
// terminals or wires; the menu reconciles. Every command runs the UI-free logic of
// msr/ on a TMsrProject of the open project; the window only gathers the marks
// and shows the result. The criterion button cycles the matching criterion of
// automatic assignment through processing function, function group and plan
// type, showing its column in both grids. Long runs drive the main window's
// progress bar and can be cancelled between measure points with "Abbrechen".
//
// The menus "Messtelle" and "&Original" join the main menu while the window is
// open. Ctrl+Shift+F12 shows or hides the expert items at the end of
// "Messtelle" ("Experten", "Auswertebit setzen" (Ctrl+Alt+A), "Ebene mit
// Messtelle vergleichen" (Ctrl+Alt+T)); the two commands answer their keys
// also while hidden.
//
// The originals come from the original project dialog
// (msr/ui/form_select_orig_project.h) as the original list and the original
// info list (msr/msr_originals.h). Without stored lists the window offers the
// originals of "Originale/TYPICALS" beside the project folder, when there is
// one (the demo's layout).
//
// Settings (key "MSR/CreatePages"), read on open where present and written on
// close: "OrigWidth" (left panel), "TableCol1" .. "TableCol11" (measure point
// grid; -1 for a hidden column; read back, a negative width of columns 1 to 8
// and 11 becomes 20, while columns 9 and 10 stay hidden), "OrigList",
// "OrigInfo" (comma texts), and the filter's "KeyName", "KeyNo", "KeyFields",
// "KeyValues", "ShowFilter", "FilterHeight", "FilterCol1". The level choice lives in the
// project's "project.ini" (msr/msr_levels.h).
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "msr/msr_levels.h"
#include "msr/msr_originals.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QSettings;
class QSplitter;
class QToolBar;

namespace korin {

class IKorHost;
class TFilterPanel;
class TFormCheckPageInfo;
class TMultiSelectGrid;
namespace msr {
class TMsrProject;
struct TMsrRun;
}

class TFormMSRCreatePages : public QWidget {
    Q_OBJECT
public:
    explicit TFormMSRCreatePages(IKorHost& host, QWidget* parent = nullptr);
    ~TFormMSRCreatePages() override;

    // The settings group "MSR/CreatePages" given open.
    void LoadSettings(QSettings& settings);
    void SaveSettings(QSettings& settings);
    // Opens the window when it is not open (menus merged, settings read), then
    // opens the project's tables (adapting them), reads the levels and fills
    // both grids; with no project open the grids are emptied.
    void Reload();
    // Writes the settings and takes the menus back when the window is open;
    // closes the tables and empties the grids.
    void Close();

    TMultiSelectGrid& OriginalsGrid() { return *originals_; }
    TMultiSelectGrid& MeasurePointGrid() { return *points_; }
    TFilterPanel& Filter() { return *filter_; }
    const msr::TOriginalLists& OriginalLists() const { return lists_; }
    QMenu& PointMenu() { return *pointMenu_; }
    QMenu& OriginalMenu() { return *origMenu_; }
    // The expert items: "Experten", its separator, the two commands.
    const std::array<QAction*, 4>& ExpertItems() const { return experts_; }
    TFormCheckPageInfo* PageInfoCheck() const { return pageCheck_; }

private:
    void BuildToolBar();
    void BuildMenus();
    void ToggleExperts();
    void ShowPageInfoCheck();
    void SetEvaluationBits();
    void ChooseOriginalProject();
    void FillOriginals();
    void FillMeasurePoints();
    void ApplyLevels();
    void StoreLevels();
    std::vector<std::string> MarkedPoints(bool marked = true) const;
    std::vector<msr::TOriginalRow> MarkedOriginals() const;
    void Assign(bool all);
    void AutoAssign();
    void RemoveAssignment();
    void ResetFlags();
    void Generate();
    void Fill(int mode);
    void Reconcile();
    // Runs a long command with the progress bar and the cancel button.
    void RunLong(const std::function<void(const msr::TMsrRun&)>& work);
    void EnableControls();
    // The grid's designations, top to bottom.
    std::vector<std::string> GridPoints() const;
    // Puts the stored left panel width into effect.
    void ApplyPanelWidth();
    // Originals and filter share the left panel: two thirds and a third, or
    // the stored filter height; the originals alone while the filter is hidden.
    void ApplyTableWidths();
    // Shows the columns of the matching criterion (processing function,
    // function group or plan type) in both grids.
    void ShowCriterion();

    IKorHost& host_;
    std::unique_ptr<msr::TMsrProject> project_;
    msr::TMsrLevels levels_;
    msr::TOriginalLists lists_;
    bool listsStored_ = false;  // "OrigList" was in the settings
    std::vector<msr::TOriginalRow> rows_;
    bool open_ = false;
    // The left panel's width, kept while the window is closed; the other
    // settings live in the grids and the filter panel.
    int origWidth_ = 300;
    QToolBar* toolBar_ = nullptr;
    QAction* cancel_ = nullptr;
    QAction* switch_ = nullptr;
    msr::TCriterion criterion_ = msr::TCriterion::Processing;
    std::vector<QAction*> commands_;
    bool cancelled_ = false;
    TMultiSelectGrid* originals_ = nullptr;
    TMultiSelectGrid* points_ = nullptr;
    QButtonGroup* levelCount_ = nullptr;
    std::array<QComboBox*, 3> boxes_{};
    QLabel* origLabel_ = nullptr;
    QSplitter* split_ = nullptr;
    QSplitter* left_ = nullptr;  // originals above, filter below
    TFilterPanel* filter_ = nullptr;
    QMenu* pointMenu_ = nullptr;
    QMenu* origMenu_ = nullptr;
    std::array<QAction*, 4> experts_{};
    bool expertKeyBound_ = false;
    TFormCheckPageInfo* pageCheck_ = nullptr;
};

}  // namespace korin
