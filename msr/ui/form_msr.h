// TFormMSR: the MSR module (View "&MSR"), host of page creation, measure point
// assignment and renaming; for now an empty panel. Its settings key is "MSR".
#pragma once

#include "shell/kor_module.h"

namespace korin {

class TFormMSR : public TKorPanelModule {
    Q_OBJECT
public:
    explicit TFormMSR(IKorHost& host);
};

}  // namespace korin
