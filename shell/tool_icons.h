// The pictures of the project tree's tool bar, drawn like the tree's images so
// that they match at every screen scale.
#pragma once

#include <QIcon>

namespace korin {

enum class ToolIcon { Open, Excel, Word, Ansi, Print, Delete, Check, LongTexts };

QIcon MakeToolIcon(ToolIcon kind);

}  // namespace korin
