// A symbol on its own: code access, the code records it builds, and the
// refusal of records that do not fit together.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "drawing/kor_draw_sym.h"
#include "drawing_gen.h"
#include "store/kor_error.h"

namespace korin {
namespace {

namespace gen = testing::gen;

std::vector<uint8_t> CodesOf(const gen::Symbol& s) {
    std::vector<uint8_t> out;
    for (const auto& c : s.codes) {
        const auto r = gen::CodeRecord(c);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

gen::Symbol Title() {
    return {.kind = 6, .type = 9, .name = "TB",
            .codes = {{60, 11, 12, "A"}, {61, 13, 14, "ZWEI5"}, {62, 15, 16, ""}, {61, 17, 18, "dup"}}};
}

TKorDrawSym Make(const gen::Symbol& s) { return TKorDrawSym(gen::SymbolRecord(s), CodesOf(s)); }

TEST(DrawSym, FirstCodeOfANumberIsTheOneReadAndWritten) {
    TKorDrawSym sym = Make(Title());
    EXPECT_EQ(sym.GetCode(61), "ZWEI5");
    sym.SetCode(61, "neu");
    EXPECT_EQ(sym.CodeTextAt(1) + "," + sym.CodeTextAt(3), "neu,dup");
    EXPECT_TRUE(sym.HasCode(62) && sym.GetCode(62).empty());
}

TEST(DrawSym, MissingCodesAndPositionsChangeNothing) {
    TKorDrawSym sym = Make(Title());
    const auto before = sym.CodeBytes();
    EXPECT_TRUE(!sym.HasCode(99) && sym.GetCode(99).empty());
    sym.SetCode(99, "nie");
    sym.SetCode(60 + 65536, "wrapped");  // no 16-bit wrap-around onto code 60
    sym.SetCodeTextAt(4, "nie");
    sym.SetCodeTextAt(-1, "nie");
    EXPECT_EQ(sym.CodeBytes(), before);
    EXPECT_EQ(std::make_tuple(sym.CodeCount(), sym.CodeTextAt(4), sym.CodeNumberAt(4)), std::make_tuple(4, std::string(), -1));
}

TEST(DrawSym, TextsAreCutToWhatARecordHolds) {
    TKorDrawSym sym = Make(Title());
    sym.SetCode(60, std::string(200, 'x'));
    EXPECT_EQ(sym.GetCode(60), std::string(139, 'x'));
    EXPECT_EQ(sym.CodeRecordWords(0), 74);
    sym.SetCode(60, std::string("vor\0nach", 8));
    EXPECT_EQ(sym.GetCode(60), "vor") << "a NUL ends the text, as it does in the record";
    const std::string high = "\xC4\xD6\xDC\xDF\xFF";
    sym.SetCode(60, high);
    EXPECT_EQ(sym.GetCode(60), high) << "8-bit characters are kept as they are";
}

TEST(DrawSym, OpaqueRecordsHaveNoCodes) {
    const auto record = gen::SymbolRecord({.kind = 3, .tail = {1, 2, 3, 4}});
    TKorDrawSym sym(record, {});
    EXPECT_TRUE(sym.CodeCount() == 0 && !sym.HasCode(0) && sym.CodeBytes().empty());
    EXPECT_THROW(TKorDrawSym(record, CodesOf(Title())), Exception) << "an opaque record owns no codes";
}

TEST(DrawSymList, RefusesRecordsThatDoNotFitTogether) {
    TKorDrawSymList list;
    const gen::Symbol title = Title();
    auto record = gen::SymbolRecord(title);
    const auto codes = CodesOf(title);
    std::vector<uint8_t> odd(record.begin(), record.end() - 2);  // length word says more
    EXPECT_THROW(list.Add(odd, codes), Exception);
    EXPECT_THROW(list.Add(std::vector<uint8_t>{2, 0}, {}), Exception) << "shorter than length and kind";
    std::vector<uint8_t> fewer(codes.begin(), codes.end() - 2);
    EXPECT_THROW(list.Add(record, fewer), Exception);
    std::vector<uint8_t> more = codes;
    more.insert(more.end(), {5, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_THROW(list.Add(record, more), Exception);
    gen::Put16(record, 34, 1000);
    EXPECT_THROW(list.Add(record, codes), Exception);
    std::vector<uint8_t> shortSym(8, 0);
    gen::Put16(shortSym, 0, 4);
    shortSym[2] = 10;
    EXPECT_THROW(list.Add(shortSym, {}), Exception) << "kind 10 needs the fixed 36 bytes";
    EXPECT_EQ(list.Count(), 0);
    ASSERT_NE(list.Add(gen::SymbolRecord(title), codes), nullptr);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(0)->GetCode(60), "A");
    EXPECT_EQ(list.Get(1), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
}

}  // namespace
}  // namespace korin
