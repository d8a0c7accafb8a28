// Original pages: read back through the drawing classes they must be byte for
// byte what a save would write; their pictures show the drawing.
#include <gtest/gtest.h>

#include <QImage>

#include <string>

#include "demo/demo_bitmap.h"
#include "demo/demo_page.h"
#include "drawing/kor_drawing.h"
#include "drawing/kor_drawing_format.h"
#include "store/kor_error.h"
#include "test_support.h"

namespace korin::demo {
namespace {

using korin::testing::TempDir;

struct TReadPage {
    std::vector<uint8_t> bytes;
    TKorDrawing drawing;
};

// Writes the page and opens it with the drawing classes.
void Load(const TPage& page, const TempDir& dir, TReadPage& out) {
    out.bytes = EncodePage(page);
    korin::testing::WriteBytes(dir / "page", out.bytes);
    out.drawing.SetProject(dir.Path());
    out.drawing.SetFileName("page");
    out.drawing.Open();
}

TEST(DemoPage, TheEncodingIsWhatASaveWrites) {
    TempDir dir;
    const TPage page = BuildPage(Typical("TYP_MO"), 1);
    TReadPage read;
    Load(page, dir, read);
    EXPECT_EQ(read.drawing.BuildImage(), read.bytes);
    // A changed code is saved with a fresh CRC and read back.
    read.drawing.SymbolAt(0)->SetCode(12135, "A10.M101");
    ASSERT_TRUE(read.drawing.Save());
    TKorDrawing again;
    again.SetProject(dir.Path());
    again.SetFileName("page");
    again.Open();
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
    EXPECT_EQ(image.width(), kBitmapWidth);
    EXPECT_EQ(image.height(), kBitmapHeight);
    auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    auto at = [](int units) { return units * kBitmapWidth / kSheetWidth; };
    // The frame's corner, the title block's upper edge, and the outline of the
    // first terminal are drawn.
    EXPECT_TRUE(dark(at(100), at(1000)));
    EXPECT_TRUE(dark(at(2000), at(2530)));
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
