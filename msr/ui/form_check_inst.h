// TFormCheckInst: "Instrumentierung prüfen", the instrument symbols of every
// page of the project against INSTRUMENTIERUNG and MESSTELLE
// (msrcheck::RunInstrumentationCheck). Stays on top of the main window.
#pragma once

#include "msr/ui/check_window.h"

class QCheckBox;
class QRadioButton;

namespace korin {

class TFormCheckInst : public TCheckWindow {
    Q_OBJECT
public:
    explicit TFormCheckInst(IKorHost& host, QWidget* parent = nullptr);

    QRadioButton* Mode(int i) const { return modes_[i]; }
    QCheckBox* IgnoreEmpty() const { return ignoreEmpty_; }

protected:
    std::vector<std::vector<std::string>> Run() override;

private:
    QRadioButton* modes_[3] = {};
    QCheckBox* ignoreEmpty_ = nullptr;
};

}  // namespace korin
