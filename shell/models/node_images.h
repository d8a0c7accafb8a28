// The images of the catalogue tree: one per entry type 0 to 9, normal at the
// index of the type and selected at the type + 10, drawn at start-up so that
// they stay sharp at every screen scale.
//
//   0 folder (open when selected)   5 table
//   1 page drawing                  6 table file (data or key file)
//   2, 3, 4 entries the system      7 folder schedule
//     does not create itself        8 folder system table
//                                   9 anything else
#pragma once

#include <QIcon>
#include <QPixmap>

namespace korin {

inline constexpr int kNodeImageCount = 20;

// Image `index` (0 to 19) at `size` logical pixels and the given device pixel
// ratio. An index outside 0 to 19 gives the image of type 9.
QPixmap NodeImage(int index, int size = 16, qreal dpr = 1.0);

// The icon of an entry type: the normal image, and the selected image for the
// icon's Selected mode.
QIcon NodeIcon(int type);

}  // namespace korin
