#include "msr/ui/form_msr_view.h"

#include <QToolBar>

#include "shell/modules/module_caption.h"

namespace korin {

TFormMSRView::TFormMSRView(IKorHost& host) : TFormModule(host, QStringLiteral("MSRView")) {
    ToolBarModule()->hide();
    AddModuleCaption(PanelClient(), QStringLiteral("MSR Übersicht"),
                     QStringLiteral("Anlagen, Messtellen, Instrumentierung und Zeichnungen"));
}

}  // namespace korin
