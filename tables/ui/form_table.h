// TFormTable: the table module (View "&Tabelle"). It shows the table selected
// in the project tree; for now its client area is empty.
#pragma once

#include "shell/form_module.h"

namespace korin {

class TFormTable : public TFormModule {
    Q_OBJECT
public:
    explicit TFormTable(IKorHost& host);
};

}  // namespace korin
