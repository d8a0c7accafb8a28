// TFormDrawing: the drawing module (View "&Zeichnung"); for now its client area
// is empty. Its views share the default module key ("Module").
#pragma once

#include "shell/form_module.h"

namespace korin {

class TFormDrawing : public TFormModule {
    Q_OBJECT
public:
    explicit TFormDrawing(IKorHost& host);
};

}  // namespace korin
