#include "msr/ui/form_msr.h"

#include "shell/modules/module_caption.h"

namespace korin {

TFormMSR::TFormMSR(IKorHost& host) : TKorPanelModule(host, QStringLiteral("MSR")) {
    AddModuleCaption(this, QStringLiteral("MSR"),
                     QStringLiteral("Messtellenblätter erzeugen, Messtellen zuweisen"));
}

}  // namespace korin
