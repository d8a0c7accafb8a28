// Page bitmaps: the picture of an original page as the drawing module's image
// view shows it ("bitmap/<original>-<page>.bmp" beside the original project's
// pages).
//
// The picture is drawn from the same page model that is written into the
// drawing file (demo_page.h): the frame and grid lines, the texts, the title
// block with its labelled fields, and each symbol by its type with its plotted
// codes. It is painted with QtGui (QImage and QPainter) at 1400 × 990 pixels
// (1 pixel = 0.3 mm of the A3 sheet), without antialiasing, and saved as an
// 8-bit palette BMP.
//
// Text needs Qt's font database and with it a QGuiApplication. When the process
// has none (korintool, the tests), one is created on first use on the
// "offscreen" platform, which needs no display, and kept until the process
// ends. A process whose application object is a mere QCoreApplication is
// refused (korin::Exception). Call from the main thread.
#pragma once

#include <string>

#include "demo/demo_page.h"

namespace korin::demo {

inline constexpr int kBitmapWidth = 1400;
inline constexpr int kBitmapHeight = 990;

// Throws korin::Exception when the file cannot be written.
void WritePageBitmap(const TPage& page, const std::string& file);

}  // namespace korin::demo
