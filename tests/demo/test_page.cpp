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
    // Every record kind and code survives the round trip as built.
    for (size_t i = 0; i < page.elements.size(); ++i) {
        const TPageElement& e = page.elements[i];
        const TKorDrawSym* s = read.drawing.SymbolAt(static_cast<int32_t>(i));
        EXPECT_EQ(s->Kind(), e.kind);
        if (!e.IsSymbol()) continue;
        EXPECT_EQ(s->Name(), e.name);
        ASSERT_EQ(s->CodeCount(), static_cast<int32_t>(e.codes.size()));
        for (size_t c = 0; c < e.codes.size(); ++c) {
            EXPECT_EQ(s->CodeNumberAt(static_cast<int32_t>(c)), e.codes[c].number);
            EXPECT_EQ(s->CodeTextAt(static_cast<int32_t>(c)), e.codes[c].text);
            EXPECT_EQ(s->WordAAt(static_cast<int32_t>(c)), e.codes[c].plotted ? 1 : 0);
        }
    }
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

TEST(DemoPage, PagesFollowTheirTypical) {
    const TTypical& typical = Typical("TYP_LIS");
    const TPage page = BuildPage(typical, 0);
    EXPECT_EQ(page.original, "TYP_LIS");
    EXPECT_EQ(page.number, 1);
    EXPECT_EQ(page.count, 1);
    std::set<std::string> terminals, wires, roles;
    for (const TPageElement& e : page.elements) {
        if (e.type == 7) terminals.insert(e.Code(20023) + ":" + e.Code(20030));
        if (e.type == 8) wires.insert(e.Code(20023) + "/" + e.Code(362));
        if (e.IsSymbol() && !e.Code(12115).empty()) roles.insert(e.Code(12115));
        if (e.IsSymbol()) {
            EXPECT_GE(e.x - e.w / 2, 0);
            EXPECT_LE(e.x + e.w / 2, kSheetWidth);
            EXPECT_GE(e.y - e.h / 2, 0);
            EXPECT_LE(e.y + e.h / 2, kSheetHeight);
        }
    }
    EXPECT_EQ(terminals, std::set<std::string>({"X1:1", "X1:2", "X1:3", "X1:4", "X1:5", "X1:6", "X1:7", "X1:8"}));
    EXPECT_EQ(wires, std::set<std::string>({"JB1/1", "JB1/2", "JB2/1", "JB2/2", "JB2/3", "JB3/1", "JB3/2", "JB3/3"}));
    EXPECT_EQ(roles, std::set<std::string>({"LT", "LI", "LSH", "LSL"}));
    EXPECT_THROW(BuildPage(typical, 1), std::out_of_range);

    // The symbol for the measure point in code 803 belongs to the second slot.
    int second = 0;
    for (const TPageElement& e : BuildPage(Typical("TYP_TIC"), 0).elements)
        if (e.IsSymbol() && e.Code(20025) == "2") ++second;
    EXPECT_EQ(second, 1);
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
