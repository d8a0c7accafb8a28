// Original pages: read back through the drawing classes they must be byte for
// byte what a save would write; their pictures show the drawing.
#include <QImage>

#include <string>

#include "demo/demo_bitmap.h"
#include "demo/demo_page.h"
#include "drawing/drawing_test.h"
#include "drawing/kor_drawing_format.h"

namespace korin::demo {
namespace {

using korin::testing::OpenPage;
using korin::testing::TempDir;

TEST(DemoPage, TheEncodingIsWhatASaveWrites) {
    TempDir dir;
    const std::vector<uint8_t> bytes = EncodePage(BuildPage(Typical("TYP_MO"), 1));
    TKorDrawing read, again;
    OpenPage(read, dir, bytes, "page");
    EXPECT_EQ(read.BuildImage(), bytes);
    // A changed code is saved with a fresh CRC and read back.
    read.SymbolAt(0)->SetCode(12135, "A10.M101");
    ASSERT_TRUE(read.Save());
    OpenPage(again, dir.Path(), "page");
    EXPECT_EQ(again.SymbolAt(0)->GetCode(12135), "A10.M101");
    uint32_t stored = 0, computed = 1;
    EXPECT_TRUE(again.CheckCrc(stored, computed));
}

TEST(DemoBitmap, APagePictureShowsItsDrawing) {
    TempDir dir;
    const TPage page = BuildPage(Typical("TYP_TIC"), 0);
    const std::string file = dir / "TYP_TIC-1.bmp";
    WritePageBitmap(page, file);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(file), "BMP"));
    EXPECT_EQ(image.size(), QSize(kBitmapWidth, kBitmapHeight));
    auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    auto at = [](int units) { return units * kBitmapWidth / kSheetWidth; };
    // The frame's corner, the title block's upper edge, and the outline of the
    // first terminal are drawn.
    EXPECT_TRUE(dark(at(100), at(1000)) && dark(at(2000), at(2530)));
    bool terminal = false;
    for (const TPageElement& e : page.elements)
        if (e.type == 7 && !terminal) {
            terminal = true;
            bool any = false;
            for (int x = at(e.x - e.w / 2) - 1; x <= at(e.x - e.w / 2) + 1; ++x) any = any || dark(x, at(e.y));
            EXPECT_TRUE(any);
        }
    EXPECT_TRUE(terminal);
    // Blank paper between the rows.
    EXPECT_FALSE(dark(at(1700), at(2000)));
    EXPECT_THROW(WritePageBitmap(page, dir / "missing/x.bmp"), korin::Exception);
}

}  // namespace
}  // namespace korin::demo
