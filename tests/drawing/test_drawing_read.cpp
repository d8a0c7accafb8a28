// Reading page drawings: the model built by Open, and the refusal of damaged
// files without a read outside the file.
#include "drawing_test.h"

namespace korin::testing {
namespace {

// A small page: title block, an opaque line, an instrument of kind 10 with a
// duplicate code number, a symbol of kind 6 without codes.
gen::Drawing SmallPage() {
    gen::Drawing d;
    for (size_t i = 0; i < d.headerRest.size(); ++i) d.headerRest[i] = static_cast<uint8_t>(0xA0 + i);
    d.symbols = {{.kind = 6, .type = 9, .name = "SCHRIFTFELD",
                  .codes = {{60, 1, 2, "ANLAGE1"}, {61, 3, 4, "TEIL2"}, {64, 5, 6, "017"}}},
                 {.kind = 2, .bytes3to5 = {7, 8, 9}, .tail = {1, 2, 3, 4, 5, 6}},
                 {.kind = 10, .type = -2, .name = "ABCDEFGHIJKLMNOPQR",  // all 18 bytes, no NUL
                  .codes = {{100, 65535, 0, "FIC 101"}, {100, 0, 1, "second"}, {7, 9, 9, ""}}, .tail = {0xEE, 0xEE}},
                 {.kind = 6, .type = 3, .name = "LEER"}};
    d.trailer = {9, 8, 7};
    return d;
}

class DrawingRead : public ::testing::Test {
protected:
    void Open(TKorDrawing& d, const std::vector<uint8_t>& bytes) { OpenPage(d, dir, bytes, "000123"); }
    // Opens `bytes` and expects a refusal whose text contains `fragment`; the
    // drawing is empty afterwards and the file unchanged.
    void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& fragment) {
        TKorDrawing d;
        const std::string message = MessageOf([&] { Open(d, bytes); });
        EXPECT_NE(message.find(fragment), std::string::npos) << message;
        EXPECT_EQ(message.rfind("KorDrawing: ", 0), 0u) << message;
        EXPECT_EQ(std::make_tuple(d.Symbols().Count(), d.SymbolCount(), d.CodeCount(), d.IsOpen()),
                  std::make_tuple(0, size_t{0}, size_t{0}, false));
        EXPECT_EQ(ReadBytes(dir / "000123"), bytes);
    }
    TempDir dir;
};

TEST_F(DrawingRead, BuildsTheModelReleasesTheFileAndReplacesItOnReopening) {
    const auto bytes = gen::Build(SmallPage());
    TKorDrawing d;
    Open(d, bytes);
    EXPECT_FALSE(d.IsOpen()) << "the drawing is held in memory, not mapped";
    // Header, trailer, records and code words come back through Save (the
    // save tests); here what only readers use.
    EXPECT_EQ(std::make_tuple(d.SymbolCount(), d.CodeCount()), std::make_tuple(4u, 6u));
    const TKorDrawSym* title = d.SymbolAt(0);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(std::make_tuple(title->SymbolType(), title->Name(), title->GetCode(61)),
              std::make_tuple(9, std::string("SCHRIFTFELD"), std::string("TEIL2")));
    EXPECT_FALSE(d.SymbolAt(1)->HasCodeList());
    const TKorDrawSym* instrument = d.SymbolAt(2);
    EXPECT_EQ(instrument->SymbolType(), -2) << "the type is signed";
    EXPECT_EQ(instrument->Name(), "ABCDEFGHIJKLMNOPQR") << "an 18-byte name has no NUL";
    EXPECT_EQ(instrument->WordAAt(0), 65535) << "words are unsigned";
    EXPECT_EQ(instrument->GetCode(100), "FIC 101") << "the first code of a number counts";
    EXPECT_EQ(instrument->CodeTextAt(1), "second");
    EXPECT_TRUE(instrument->HasCode(7) && instrument->GetCode(7).empty());
    EXPECT_EQ(d.SymbolAt(3)->CodeCount(), 0);
    EXPECT_TRUE(d.SymbolAt(4) == nullptr && d.SymbolAt(-1) == nullptr);
    // The model does not depend on the file any more.
    ASSERT_EQ(::unlink((dir / "000123").c_str()), 0);
    EXPECT_EQ(d.SymbolAt(0)->GetCode(60), "ANLAGE1");
    // Opening another file replaces the model; closing empties it.
    gen::Drawing other = SmallPage();
    other.symbols.resize(1);
    other.trailer.clear();
    WriteBytes(dir / "000002", gen::Build(other));
    d.SetFileName("000002");
    d.Open();
    EXPECT_EQ(std::make_pair(d.Symbols().Count(), d.TrailerLength()), std::make_pair(1, size_t{0}));
    d.Close();
    EXPECT_EQ(d.Symbols().Count(), 0);
}

TEST_F(DrawingRead, ContentCheckLooksAtSizeMarkAndVersion) {
    const std::string refused = "Inhalt stimmt nicht mit Dateityp überein";
    std::vector<uint8_t> header36(36, 0);
    gen::Put16(header36, 0, 1);
    gen::Put16(header36, 2, 1004);
    auto version = gen::Build(SmallPage()), mark = version;
    gen::Put16(version, 2, 1003);
    gen::Put16(mark, 0, 0);
    for (const auto& bytes : {header36, version, mark}) {
        TKorDrawing d;
        const std::string message = MessageOf<EKorMMFError>([&] { Open(d, bytes); });
        EXPECT_NE(message.find(refused), std::string::npos) << message << " (" << bytes.size() << " bytes)";
        EXPECT_EQ(d.Symbols().Count(), 0);
    }
    // 37 bytes pass the content check but cannot hold the code section.
    header36.push_back(0);
    ExpectRefused(header36, "der Codeindex reicht über das Dateiende hinaus");
}

TEST_F(DrawingRead, EveryCutBeforeTheTrailerIsRefusedAndEveryCutInsideItIsNot) {
    const auto bytes = gen::Build(SmallPage());
    const size_t trailerAt = gen::LayoutOf(bytes).trailerAt;
    ASSERT_EQ(trailerAt + 3, bytes.size());
    for (size_t len = 37; len < bytes.size(); ++len) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(len));
        if (len < trailerAt) {
            SCOPED_TRACE(len);
            ExpectRefused(cut, "KorDrawing: ");
        } else {
            TKorDrawing d;
            Open(d, cut);
            EXPECT_EQ(d.TrailerLength(), len - trailerAt);
            EXPECT_EQ(d.Symbols().Count(), 4);
        }
    }
}

TEST_F(DrawingRead, DamagedCountsAndIndexesAreRefused) {
    const auto good = gen::Build(SmallPage());
    const gen::Layout at = gen::LayoutOf(good);
    const size_t titleAt = at.symbolsAt;
    const size_t lineAt = titleAt + 2u * gen::Get16(good, titleAt);
    auto with = [&](auto change) {
        auto b = good;
        change(b);
        return b;
    };
    ExpectRefused(with([](auto& b) { gen::Put32(b, 32, 0xFFFFFFFFu); }),
                  "der Symbolindex reicht über das Dateiende hinaus");
    ExpectRefused(with([](auto& b) { gen::Put32(b, 32, 5); }), "stimmt bei Symbol");
    ExpectRefused(with([](auto& b) { gen::Put16(b, 36 + 2, 0xFFFF); }),
                  "Der Symbolindex stimmt bei Symbol 1 nicht");
    ExpectRefused(with([&](auto& b) { gen::Put16(b, lineAt, 0); }),
                  "Symbol 1 hat die ungültige Satzlänge 0");
    ExpectRefused(with([&](auto& b) { gen::Put16(b, lineAt, 0x7FFF); }),
                  "Symbol 1 reicht über das Dateiende hinaus");
    // An opaque record turned into a symbol with codes is too short for one.
    ExpectRefused(with([&](auto& b) { b[lineAt + 2] = 6; }), "Symbol 1 hat die ungültige Satzlänge");
    ExpectRefused(with([&](auto& b) { gen::Put32(b, at.reservedAt + 4, 0x7FFFFFFF); }),
                  "der Codeindex reicht über das Dateiende hinaus");
    // One index entry fewer moves the code records: the walk no longer agrees.
    ExpectRefused(with([&](auto& b) { gen::Put32(b, at.reservedAt + 4, 5); }),
                  "Der Codeindex stimmt bei Code 0 nicht");
    ExpectRefused(with([&](auto& b) { gen::Put16(b, titleAt + 34, 7); }),
                  "Symbol 0 hat mehr Codes (7), als die Datei enthält (M = 6)");
    ExpectRefused(with([&](auto& b) { gen::Put16(b, titleAt + 34, 2); }),
                  "zusammen 5 Codes, die Datei zählt M = 6");
    ExpectRefused(with([&](auto& b) { gen::Put16(b, at.codesAt, 3); }),
                  "Code 0 hat die ungültige Satzlänge 3");
    ExpectRefused(with([&](auto& b) { gen::Put16(b, at.codesAt, 0xFFFF); }),
                  "Code 0 reicht über das Dateiende hinaus");
    ExpectRefused(with([&](auto& b) { gen::Put16(b, at.codeIndexAt + 4, 1); }),
                  "Der Codeindex stimmt bei Code 2 nicht");
}

TEST_F(DrawingRead, CodeTextsStopAtTheRecordAndAt139Characters) {
    gen::Drawing d = SmallPage();
    d.symbols[0].codes[0].text = std::string(150, 'L');
    d.symbols[0].codes[1].text = "ODD";  // 3 characters and the NUL fill the record
    auto bytes = gen::Build(d);
    // Overwrite the NUL of "ODD": the text must end with its record, not run on
    // into the next one.
    const size_t second = gen::LayoutOf(bytes).codesAt + 2u * gen::Get16(bytes, gen::LayoutOf(bytes).codesAt);
    ASSERT_EQ(gen::Get16(bytes, second), 6);
    bytes[second + 11] = 'X';
    TKorDrawing drawing;
    Open(drawing, bytes);
    EXPECT_EQ(drawing.SymbolAt(0)->GetCode(60), std::string(139, 'L'));
    EXPECT_EQ(drawing.SymbolAt(0)->GetCode(61), "ODDX");
    EXPECT_EQ(drawing.SymbolAt(0)->GetCode(64), "017");
}

}  // namespace
}  // namespace korin::testing
