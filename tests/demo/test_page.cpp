// Original pages: read back through the drawing classes, they must hold the
// title block first with every code the MSR functions use, the data symbols
// the page fill looks at, and be byte for byte what a save would write.
#include <gtest/gtest.h>

#include <QImage>

#include <map>
#include <set>
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

bool IsInstrumentType(int32_t type) {
    static const std::set<int32_t> types = {1, 3, 4, 5, 6, 10, 11, 12, 14, 16};
    return types.count(type) != 0;
}

TEST(DemoPage, EveryOriginalPageParsesWithItsTitleBlockFirst) {
    TempDir dir;
    for (const TTypical& typical : Typicals()) {
        for (size_t p = 0; p < typical.pages.size(); ++p) {
            SCOPED_TRACE(typical.name + "-" + std::to_string(p + 1));
            const TPage page = BuildPage(typical, p);
            TReadPage read;
            ASSERT_NO_THROW(Load(page, dir, read));
            TKorDrawing& d = read.drawing;
            ASSERT_EQ(d.Symbols().Count(), static_cast<int32_t>(page.elements.size()));
            uint32_t stored = 0, computed = 1;
            EXPECT_TRUE(d.CheckCrc(stored, computed));
            EXPECT_EQ(d.TrailerLength(), 8u);

            const TKorDrawSym* title = d.SymbolAt(0);
            ASSERT_TRUE(title->HasCodeList());
            EXPECT_EQ(title->SymbolType(), 9);
            std::map<int32_t, int> numbers;
            for (int32_t i = 0; i < title->CodeCount(); ++i) ++numbers[title->CodeNumberAt(i)];
            for (int32_t code : {1, 2, 3, 60, 61, 62, 63, 64, 65, 76, 550, 12135, 20015, 20026})
                EXPECT_EQ(numbers[code], 1) << code;
            for (int32_t code = 803; code <= 822; ++code) EXPECT_EQ(numbers[code], 1) << code;
            EXPECT_EQ(title->GetCode(76), typical.planType);
            EXPECT_EQ(title->GetCode(20026), typical.functionGroup);
            for (int32_t code : {1, 2, 3, 60, 61, 62, 63, 64, 12135, 803}) EXPECT_EQ(title->GetCode(code), "") << code;

            std::map<int32_t, int> byType;
            int opaque = 0;
            for (int32_t i = 1; i < d.Symbols().Count(); ++i) {
                const TKorDrawSym* s = d.SymbolAt(i);
                if (!s->HasCodeList()) {
                    ++opaque;
                    continue;
                }
                ++byType[s->SymbolType()];
                EXPECT_NE(s->SymbolType(), 9) << "one title block";
                const int instance = std::stoi(s->GetCode(20025));
                EXPECT_GE(instance, 1);
                EXPECT_LE(instance, 21);
                if (IsInstrumentType(s->SymbolType())) {
                    EXPECT_FALSE(s->GetCode(12115).empty());
                    EXPECT_EQ(s->GetCode(12115), s->GetCode(20023));
                    for (int32_t id = 604; id <= 609; ++id) EXPECT_TRUE(s->HasCode(id)) << id;
                } else {
                    EXPECT_FALSE(s->HasCode(12115)) << "only instruments carry 12115";
                }
                if (s->SymbolType() == 7) {
                    EXPECT_FALSE(s->GetCode(20023).empty());
                    EXPECT_FALSE(s->GetCode(20030).empty());
                    for (int32_t id : {4, 362}) EXPECT_TRUE(s->HasCode(id));
                }
                if (s->SymbolType() == 8) {
                    EXPECT_FALSE(s->GetCode(20023).empty());
                    EXPECT_FALSE(s->GetCode(362).empty());
                    for (int32_t id : {4, 80, 39, 605, 606, 607}) EXPECT_TRUE(s->HasCode(id));
                }
            }
            EXPECT_GT(opaque, 0);
            int instruments = 0;
            for (auto [type, n] : byType)
                if (IsInstrumentType(type)) instruments += n;
            EXPECT_GT(instruments, 0);
            EXPECT_EQ(byType[7], byType[8]) << "one terminal per drawn wire";
        }
    }
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
