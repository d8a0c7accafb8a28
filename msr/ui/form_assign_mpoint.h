// TFormAssignMeasurePoint: the measure point assignment window, view 1 of the
// MSR module.
//
// It walks the pages of one kind (MSR pages "M" or electrical pages "E") of
// the measure points and shows, for the current page, its further measure
// point slots (title block codes 803 … 822) with the links of the reference
// list MSR_REF. Measure points are dragged from the list onto an empty slot,
// from slot to slot, or from a slot back onto the list; each drop runs
// msr_further.h on every page of the current measure point, and a refusal is
// shown as it comes. The navigation selects the page in the project tree, and
// a page chosen in the tree becomes the current page.
//
// The list below can be narrowed through a secondary key of MESSTELLE (the
// filter panel, msr/ui/filter_panel.h); a chosen value refills it. "Zeichnung
// anzeigen" shows, below the slots, the bitmap of the original the current
// page was made from (msr/msr_page_bitmap.h); a page without one gets a short
// notice there instead.
//
// Settings (the MSR module's key): "MEFlag" (mark), "MEFilter" (kind),
// "PanelMPoinFilterWidth", "SGridMPointMPointWidth", and the filter's
// "ShowFilter", "SKeyName", "FilterField"+n, "FilterValue"+n,
// "SGridFilterFieldWidth".
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "msr/msr_assign_nav.h"

class QAction;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSettings;
class QSplitter;
class QTableWidget;
class QToolButton;

namespace korin {

class IKorHost;
class TFilterPanel;
class TImageScrollBox;
namespace msr {
class TMsrProject;
}

class TFormAssignMeasurePoint : public QWidget {
    Q_OBJECT
public:
    enum class Step { First, PriorPoint, PriorPage, NextPage, NextPoint, Last };

    explicit TFormAssignMeasurePoint(IKorHost& host, QWidget* parent = nullptr);
    ~TFormAssignMeasurePoint() override;

    void LoadSettings(QSettings& settings);
    void SaveSettings(QSettings& settings);
    // Opens the project's tables (MSR_REF made when missing), fills the list
    // and shows the first page of the kind.
    void Reload();
    void Close();
    // The tree's selection: a page of the kind becomes the current page.
    void TreeSelectionChanged();

    void Navigate(Step step);
    void SwitchKind();
    void RebuildReferences();

    // The drops (the drag and drop of the list and the slot edits ends here).
    void DropListRowOnSlot(const QString& designation, int slot);
    void DropSlotOnSlot(int from, int to);
    void DropSlotOnList(int slot);

    QTableWidget& List() { return *list_; }
    QString Current() const;
    QString LevelText() const;
    int SlotCount() const { return static_cast<int>(slots_.size()); }
    QString SlotText(int slot) const;
    QString LinkText(int slot) const;
    char Kind() const { return kind_; }
    QToolButton* NavButton(Step step) const { return nav_[static_cast<int>(step)]; }
    TFilterPanel& Filter() { return *filter_; }
    // "Zeichnung anzeigen".
    QAction* DrawingAction() const { return drawingAction_; }
    TImageScrollBox& DrawingView() { return *drawingView_; }
    // Why no bitmap is shown (empty while one is).
    QString DrawingNotice() const;

private:
    void FillList();
    void ShowPage();
    void BuildMask();
    void ClearMask();
    void ApplyKind();
    void EnableNavigation();
    void AfterDrop(const std::string& refusal, bool refill);
    void ShowDrawing();

    IKorHost& host_;
    std::unique_ptr<msr::TMsrProject> project_;
    msr::TKindPages pages_;
    int cur_ = -1;   // index into pages_.points
    int page_ = 0;   // index into that measure point's page files
    bool navigating_ = false;
    char kind_ = 'M';
    char mark_ = 'x';

    QSplitter* splitter_ = nullptr;
    QSplitter* left_ = nullptr;
    QTableWidget* list_ = nullptr;
    TFilterPanel* filter_ = nullptr;
    QAction* drawingAction_ = nullptr;
    QWidget* drawingPanel_ = nullptr;
    QLabel* drawingNotice_ = nullptr;
    TImageScrollBox* drawingView_ = nullptr;
    QLabel* designation_ = nullptr;
    QLabel* levelText_ = nullptr;
    QLabel* headline_ = nullptr;
    QLabel* linkLabel_ = nullptr;
    QAction* kindAction_ = nullptr;
    QWidget* slotPanel_ = nullptr;
    QGridLayout* slotGrid_ = nullptr;
    std::vector<QLineEdit*> slots_;
    std::vector<QLineEdit*> links_;
    std::vector<QToolButton*> nav_;
};

}  // namespace korin
