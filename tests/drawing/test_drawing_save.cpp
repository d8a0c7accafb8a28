// Writing page drawings back: the exact layout (checked against the generator's
// own rendering), the CRC, what is never written, and the replacement of the
// old file as a whole.
#include <sys/stat.h>

#include <random>

#include "drawing_test.h"
#include "store/kor_path.h"

namespace korin::testing {
namespace {

gen::Drawing TitlePage() {
    gen::Drawing d;
    d.headerRest.fill(0x42);
    d.symbols = {{.kind = 6, .type = 9, .name = "TITEL",
                  .codes = {{60, 1, 1, "EBENE1"}, {61, 2, 2, "FUENF"}, {62, 3, 3, "X"}, {64, 4, 4, "0001"}}},
                 {.kind = 4, .tail = {1, 2, 3, 4, 5, 6, 7, 8}},
                 {.kind = 10, .name = "PI", .codes = {{200, 9, 9, "PI 4711"}, {201, 9, 9, "bar"}}}};
    d.trailer = {0, 0, 0, 0, 1, 0, 0, 0, 5, 0, 5, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    return d;
}

class DrawingSave : public ::testing::Test {
protected:
    std::string path(const std::string& name = "000042") { return dir / name; }
    void Load(TKorDrawing& d, const std::vector<uint8_t>& bytes, const std::string& name = "000042") {
        OpenPage(d, dir, bytes, name);
    }
    std::vector<std::string> Entries() { return path::ListDirectory(dir.Path()); }
    TempDir dir;
};

TEST_F(DrawingSave, UnchangedRoundTripIsByteIdenticalWithAFreshCrc) {
    gen::Drawing page = TitlePage();
    page.validCrc = false;
    TKorDrawing d;
    Load(d, gen::Build(page));
    EXPECT_EQ(d.StoredCrc(), 0xDEADBEEFu);
    ASSERT_TRUE(d.Save());
    const auto after = ReadBytes(path());
    page.validCrc = true;
    EXPECT_EQ(after, gen::Build(page)) << "the same bytes with a valid CRC";
    EXPECT_EQ(d.StoredCrc(), gen::CrcFrom32(after)) << "the model takes the new CRC";
    EXPECT_EQ(gen::Get32(std::vector<uint8_t>(d.Header().begin(), d.Header().end()), 28), d.StoredCrc());
    EXPECT_EQ(Entries(), std::vector<std::string>{"000042"}) << "no file is left beside it";
}

TEST_F(DrawingSave, OnlyOpaqueRecordsWriteAnEmptyCodeIndex) {
    gen::Drawing page = TitlePage();
    page.symbols = {page.symbols[1], page.symbols[1]};
    page.symbols[1].kind = 200;
    const auto before = gen::Build(page);
    TKorDrawing d;
    Load(d, before);
    EXPECT_EQ(d.CodeCount(), 0u);
    ASSERT_TRUE(d.Save());
    const auto after = ReadBytes(path());
    EXPECT_EQ(after, before);
    const gen::Layout at = gen::LayoutOf(after);
    EXPECT_TRUE(gen::Get32(after, at.reservedAt + 4) == 0 && at.codesAt == at.codeIndexAt);
}

TEST_F(DrawingSave, NamesThatStandForNoFileAndEmptyDrawingsAreNotWritten) {
    const auto page = gen::Build(TitlePage());
    for (const std::string name : {"000000", " 000000 ", "ab000000", "000000 "}) {
        TKorDrawing d;
        Load(d, page, name);
        ASSERT_EQ(d.Symbols().Count(), 3);
        d.SymbolAt(0)->SetCode(60, "geaendert");
        EXPECT_FALSE(d.Save()) << "'" << name << "'";
        EXPECT_EQ(ReadBytes(path(name)), page);
    }
    TKorDrawing none;
    OpenPage(none, dir.Path(), "000043");  // no such file
    EXPECT_FALSE(none.Save());
    EXPECT_FALSE(path::FileExists(path("000043")));
    const auto emptyBytes = gen::Build(gen::Drawing{});
    TKorDrawing d, unnamed;
    Load(d, emptyBytes, "000044");
    EXPECT_FALSE(d.Save());
    EXPECT_EQ(ReadBytes(path("000044")), emptyBytes);
    unnamed.SetProject(dir.Path());
    EXPECT_FALSE(unnamed.Save());
}

TEST_F(DrawingSave, CodesBeyondTheIndexRangeAreRefusedWithoutWriting) {
    // 90 symbols of 10 codes: short texts fit, texts of 139 characters (74 words
    // each, 66600 in all) no longer fit a 16-bit index.
    gen::Drawing page;
    page.symbols.resize(90);
    for (auto& s : page.symbols)
        for (uint16_t c = 0; c < 10; ++c) s.codes.push_back({c, 0, 0, "kurz"});
    const auto before = gen::Build(page);
    TKorDrawing d;
    Load(d, before);
    for (int i = 0; i < 90; ++i)
        for (int c = 0; c < 10; ++c) d.SymbolAt(i)->SetCode(c, std::string(200, 'W'));
    EXPECT_EQ(MessageOf([&] { d.Save(); }),
              "KorDrawing: Die Codes passen nicht in den Codeindex (65564 Worte, höchstens 65535). Datei : 000042");
    EXPECT_EQ(ReadBytes(path()), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{"000042"});
    EXPECT_EQ(d.SymbolAt(89)->GetCode(9), std::string(139, 'W')) << "the model stays";
    // Back under the limit (20 codes of 5 words instead of 74) the same model saves.
    for (int i = 0; i < 2; ++i)
        for (int c = 0; c < 10; ++c) d.SymbolAt(i)->SetCode(c, "");
    EXPECT_TRUE(d.Save());
    TKorDrawing again;
    Load(again, ReadBytes(path()), "000042");
    EXPECT_EQ(again.SymbolAt(89)->GetCode(9), std::string(139, 'W'));
}

TEST_F(DrawingSave, AFailedWriteRaisesAndLeavesTheModel) {
    TKorDrawing d;
    TempDir other;
    Load(d, gen::Build(TitlePage()));
    d.SetProject(other.Path());
    d.SetFileName("gone/000042");  // a directory that does not exist
    EXPECT_EQ(MessageOf([&] { d.Save(); }),
              "KorDrawing: Die Datei " + other.Path() + "gone/000042 konnte nicht geschrieben werden!");
    EXPECT_EQ(d.SymbolAt(0)->GetCode(60), "EBENE1");
    EXPECT_TRUE(path::ListDirectory(other.Path()).empty());
}

TEST_F(DrawingSave, ReplacingKeepsTheFileModeAndMayTargetANewName) {
    TKorDrawing d;
    Load(d, gen::Build(TitlePage()));
    ASSERT_EQ(::chmod(path().c_str(), 0640), 0);
    d.SymbolAt(0)->SetCode(64, "0002");
    ASSERT_TRUE(d.Save());
    struct stat st {};
    ASSERT_EQ(::stat(path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    d.SetFileName("000099");  // saving under another name: a copy of the page
    ASSERT_TRUE(d.Save());
    EXPECT_EQ(ReadBytes(path("000099")), ReadBytes(path()));
}

TEST_F(DrawingSave, RecomputeCrcWorksOnTheMappedFileOnly) {
    gen::Drawing page = TitlePage();
    page.validCrc = false;
    const auto bytes = gen::Build(page);
    TKorDrawing d;
    Load(d, bytes);
    d.RecomputeCrc();  // not mapped: nothing happens
    EXPECT_EQ(ReadBytes(path()), bytes);
    d.TKorMMF::Open();
    ASSERT_TRUE(d.IsOpen());
    d.RecomputeCrc();
    EXPECT_EQ(d.StoredCrc(), gen::CrcFrom32(bytes));
    d.TKorMMF::Close();
    const auto fixed = ReadBytes(path());
    EXPECT_EQ(gen::Get32(fixed, 28), gen::CrcFrom32(bytes));
    EXPECT_TRUE(std::equal(fixed.begin() + 32, fixed.end(), bytes.begin() + 32));
    uint32_t stored = 0, computed = 0;
    d.SetFileName("000077");
    EXPECT_THROW(d.CheckCrc(stored, computed), Exception);  // missing
    WriteBytes(path("000077"), std::vector<uint8_t>(40, 0));
    EXPECT_THROW(d.CheckCrc(stored, computed), EKorMMFError);
}

TEST(DrawingCrc, IsTheIsoCrc32OfBytes32ToTheEnd) {
    std::vector<uint8_t> image(32, 0xFF);
    EXPECT_EQ(TKorDrawing::ImageCrc(image.data(), image.size()), 0u) << "an empty range gives 0";
    const std::string check = "123456789";
    image.insert(image.end(), check.begin(), check.end());
    EXPECT_EQ(TKorDrawing::ImageCrc(image.data(), image.size()), 0xCBF43926u);
}

// Random pages, random edits (codes grow, shrink and move the later code index
// entries): what Save writes must be what the generator renders for the edited
// page, and it must read back to the same model.
TEST_F(DrawingSave, RandomPagesRoundTripThroughEdits) {
    const uint32_t base = std::random_device{}();
    for (uint32_t run = 0; run < 40; ++run) {
        const uint32_t seed = base + run;
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        gen::Drawing page = gen::RandomDrawing(seed, 1 + static_cast<int>(rng() % 300));
        if (run % 3 == 0) {
            page.reserved = rng();
            for (auto& s : page.symbols)
                for (auto& c : s.codes) {
                    c.extraWords = static_cast<uint16_t>(rng() % 3);
                    c.padFill = static_cast<uint8_t>(rng());
                }
        }
        TKorDrawing d;
        Load(d, gen::Build(page));
        ASSERT_EQ(d.Symbols().Count(), static_cast<int32_t>(page.symbols.size()));
        gen::Drawing expected = gen::Canonical(page);
        for (size_t i = 0; i < expected.symbols.size(); ++i) {
            auto& codes = expected.symbols[i].codes;
            if (codes.empty() || rng() % 2) continue;
            const size_t c = rng() % codes.size();
            const std::string text = gen::RandomText(rng, 0, 40);
            d.SymbolAt(static_cast<int32_t>(i))->SetCodeTextAt(static_cast<int32_t>(c), text);
            codes[c].text = text;
        }
        ASSERT_TRUE(d.Save());
        const auto written = ReadBytes(path());
        ASSERT_EQ(written, gen::Build(expected));
        TKorDrawing back;
        Load(back, written);
        ASSERT_TRUE(back.Save());
        EXPECT_EQ(ReadBytes(path()), written) << "saving a saved page changes nothing";
    }
}

}  // namespace
}  // namespace korin::testing
