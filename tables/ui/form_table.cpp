#include "tables/ui/form_table.h"

#include <QToolBar>

#include "shell/modules/module_caption.h"

namespace korin {

TFormTable::TFormTable(IKorHost& host) : TFormModule(host, QStringLiteral("Table")) {
    ToolBarModule()->hide();
    AddModuleCaption(PanelClient(), QStringLiteral("Tabelle"),
                     QStringLiteral("Inhalt, Struktur und Indizes der gewählten Tabelle"));
}

}  // namespace korin
