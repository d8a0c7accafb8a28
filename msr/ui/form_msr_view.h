// TFormMSRView: the MSR overview (View "M&SR Übersicht"); for now its client
// area is empty.
#pragma once

#include "shell/form_module.h"

namespace korin {

class TFormMSRView : public TFormModule {
    Q_OBJECT
public:
    explicit TFormMSRView(IKorHost& host);
};

}  // namespace korin
