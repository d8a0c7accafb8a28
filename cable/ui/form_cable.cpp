#include "cable/ui/form_cable.h"

#include "shell/modules/module_caption.h"

namespace korin {

TFormCable::TFormCable(IKorHost& host) : TKorPanelModule(host, QStringLiteral("Cable")) {
    AddModuleCaption(this, QStringLiteral("Kabel"),
                     QStringLiteral("Kabel und Adern des Projekts, Abgleich mit der Stammkabeldatenbank"));
}

}  // namespace korin
