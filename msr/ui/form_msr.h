// TFormMSR: the MSR module (View "&MSR"), host of page creation (view 0,
// msr/ui/form_msr_create_pages.h), measure point assignment (view 1,
// msr/ui/form_assign_mpoint.h) and renaming (view 2, msr/ui/form_rename_mpoint.h;
// its button and menu item are hidden, a stored view 2 still opens it). One of
// them is shown at a time. Settings: key "MSR" with "MenuViewSelected" (the
// view) and the assignment window's values; page creation under
// "MSR/CreatePages", renaming under "MSR/RenameMPoint".
#pragma once

#include <array>

#include "shell/kor_module.h"

class QAction;
class QMenu;
class QStackedWidget;

namespace korin {

class TFormAssignMeasurePoint;
class TFormMSRCreatePages;
class TFormMSRRenameMPoint;

class TFormMSR : public TKorPanelModule {
    Q_OBJECT
public:
    explicit TFormMSR(IKorHost& host);
    ~TFormMSR() override;

    void LoadSettings(QSettings& settings) override;
    void SaveSettings(QSettings& settings) override;
    void Show() override;
    void Hide() override;
    void ProjectOpened() override;
    void SelectionChanged() override;
    void SelectView(int view) override;

    int SelectedView() const { return view_; }
    TFormMSRCreatePages& CreatePages() { return *createPages_; }
    TFormAssignMeasurePoint& Assign() { return *assign_; }
    TFormMSRRenameMPoint& Rename() { return *rename_; }

private:
    void ReloadView();
    void CloseViews();

    TFormMSRCreatePages* createPages_ = nullptr;
    TFormAssignMeasurePoint* assign_ = nullptr;
    TFormMSRRenameMPoint* rename_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QMenu* menu_ = nullptr;
    std::array<QAction*, 3> buttons_{};
    std::array<QAction*, 3> items_{};
    int view_ = 0;
};

}  // namespace korin
