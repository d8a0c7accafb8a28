#include "drawing/ui/form_drawing.h"

#include <QToolBar>

#include "shell/modules/module_caption.h"

namespace korin {

TFormDrawing::TFormDrawing(IKorHost& host) : TFormModule(host, QStringLiteral("Module")) {
    setObjectName(QStringLiteral("Drawing"));
    ToolBarModule()->hide();
    AddModuleCaption(PanelClient(), QStringLiteral("Zeichnung"),
                     QStringLiteral("Symbole und Codes der gewählten Zeichnung"));
}

}  // namespace korin
