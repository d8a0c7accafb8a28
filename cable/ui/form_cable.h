// TFormCable: the cable and wire module (View "&Kabel"); for now an empty panel.
// Its settings key is "Cable" and holds no values.
#pragma once

#include "shell/kor_module.h"

namespace korin {

class TFormCable : public TKorPanelModule {
    Q_OBJECT
public:
    explicit TFormCable(IKorHost& host);
};

}  // namespace korin
