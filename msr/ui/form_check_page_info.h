// TFormCheckPageInfo: "Zeichnungsinformation prüfen", the title block of every
// page against MESSTELLE (msrcheck::RunPageInfoCheck, which opens the table
// itself, so the window does not depend on another window's open table). A
// page that cannot be read is announced unless "Warnungen ignorieren" is on.
#pragma once

#include <array>

#include "msr/ui/check_window.h"

class QCheckBox;

namespace korin {

class TFormCheckPageInfo : public TCheckWindow {
    Q_OBJECT
public:
    explicit TFormCheckPageInfo(IKorHost& host, QWidget* parent = nullptr);

    QCheckBox* Option(int i) const { return options_[i]; }

protected:
    std::vector<std::vector<std::string>> Run() override;

private:
    std::array<QCheckBox*, 7> options_{};
};

}  // namespace korin
