// TFormMSR: the MSR module (View "&MSR"), host of page creation, measure point
// assignment and renaming. View 0 is the page creation window
// (msr/ui/form_msr_create_pages.h); its settings key is "MSR", the page
// creation's "MSR/CreatePages".
#pragma once

#include "shell/kor_module.h"

namespace korin {

class TFormMSRCreatePages;

class TFormMSR : public TKorPanelModule {
    Q_OBJECT
public:
    explicit TFormMSR(IKorHost& host);

    void LoadSettings(QSettings& settings) override;
    void SaveSettings(QSettings& settings) override;
    void Show() override;
    void Hide() override;
    void ProjectOpened() override;
    void SelectView(int view) override;

    TFormMSRCreatePages& CreatePages() { return *createPages_; }

private:
    TFormMSRCreatePages* createPages_ = nullptr;
};

}  // namespace korin
