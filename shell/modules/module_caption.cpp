#include "shell/modules/module_caption.h"

#include <QLabel>
#include <QLayout>
#include <QVBoxLayout>
#include <QWidget>

namespace korin {

void AddModuleCaption(QWidget* area, const QString& title, const QString& line) {
    auto* layout = qobject_cast<QVBoxLayout*>(area->layout());
    if (!layout) {
        layout = new QVBoxLayout(area);
        layout->setContentsMargins(24, 24, 24, 24);
    }
    auto* caption = new QLabel(area);
    caption->setObjectName(QStringLiteral("ModuleCaption"));
    caption->setAlignment(Qt::AlignCenter);
    caption->setTextFormat(Qt::RichText);
    caption->setText(QStringLiteral("<div style='color:#6b7380'><span style='font-size:15pt'>%1</span>"
                                    "<br/><span>%2</span></div>")
                         .arg(title.toHtmlEscaped(), line.toHtmlEscaped()));
    layout->addStretch(1);
    layout->addWidget(caption);
    layout->addStretch(2);
}

}  // namespace korin
