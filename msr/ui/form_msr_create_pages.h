// TFormMSRCreatePages: the page creation window, view 0 of the MSR module.
//
// Left the originals of the chosen original project (a multi-select grid),
// right the measure points of MESSTELLE (a multi-select grid), above them the
// level choice. The tool bar assigns marked originals to marked measure points
// (Apply), to every unmarked one (Apply to all) or automatically, takes
// assignments away, generates the pages, fills them with instrumentation,
// terminals or wires, and reconciles. Every command runs the UI-free logic of
// msr/ on a TMsrProject of the open project; the window only gathers the marks
// and shows the result. The criterion button cycles the matching criterion of
// automatic assignment through processing function, function group and plan
// type, showing its column in both grids. Long runs drive the main window's
// progress bar and can be cancelled between measure points with "Abbrechen".
//
// Settings (key "MSR/CreatePages"): "OrigProject" and "OrigLevel" (the original
// project and the level below which its originals lie). Without them the window
// offers the original project "Originale" beside the project folder, when there
// is one (the demo's layout). The level choice lives in the project's
// "project.ini" (msr/msr_levels.h).
#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "msr/msr_levels.h"
#include "msr/msr_originals.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QSettings;
class QToolBar;

namespace korin {

class IKorHost;
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

    void LoadSettings(QSettings& settings);
    void SaveSettings(QSettings& settings);
    // Opens the project's tables (adapting them), reads the levels and fills
    // both grids; with no project open the grids are emptied.
    void Reload();
    void Close();

    TMultiSelectGrid& OriginalsGrid() { return *originals_; }
    TMultiSelectGrid& MeasurePointGrid() { return *points_; }

private:
    void BuildToolBar();
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
    // Shows the columns of the matching criterion (processing function,
    // function group or plan type) in both grids.
    void ShowCriterion();

    IKorHost& host_;
    std::unique_ptr<msr::TMsrProject> project_;
    msr::TMsrLevels levels_;
    std::string origProject_;
    std::string origLevel_;
    std::vector<msr::TOriginalRow> rows_;
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
};

}  // namespace korin
