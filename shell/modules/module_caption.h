// A quiet caption in the middle of a module's client area: the module's name
// and one line on what it shows, until the module fills the area itself.
#pragma once

#include <QString>

class QWidget;

namespace korin {

void AddModuleCaption(QWidget* area, const QString& title, const QString& line);

}  // namespace korin
