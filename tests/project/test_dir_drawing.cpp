// Drawings in the catalogue: a copy of an original page under a level path,
// with the path's texts in its title block.
#include "drawing/drawing_test.h"
#include "project_fixture.h"
#include "store/kor_path.h"

namespace korin::testing {
namespace {

// A page whose first symbol is an instrument; the title block comes second
// and a further symbol of type 9 third. The title block carries codes 60 … 64
// with old texts, the instrument a code 60 of its own.
gen::Drawing Page() {
    gen::Drawing d;
    gen::Symbol title{.type = 9, .name = "SCHRIFTFELD"};
    for (uint16_t n = 60; n <= 64; ++n) title.codes.push_back({n, 1, 2, "alt" + std::to_string(n)});
    title.codes.push_back({12135, 0, 0, "LIC-100"});
    d.symbols = {{.type = 3, .name = "PI", .codes = {{60, 0, 0, "instr"}}}, title, title};
    d.validCrc = false;  // the copy gets a fresh one
    return d;
}

class DrawingEntryTest : public ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        source = original.Path() + "orig.drw";
        WriteBytes(source, gen::Build(Page()));
    }
    std::vector<std::string> Codes(const std::string& name, int32_t symbol) {
        TKorDrawing d;
        OpenPage(d, dir.Path(), name);
        std::vector<std::string> out;
        for (int32_t c = 60; c <= 64; ++c) out.push_back(d.SymbolAt(symbol)->GetCode(c));
        return out;
    }
    TempDir original;
    std::string source;
};

TEST_F(DrawingEntryTest, LevelTextsGoIntoTheFirstTitleBlock) {
    using Texts = std::vector<std::string>;
    const std::vector<std::pair<Texts, Texts>> cases = {  // the path, codes 60 … 64
        {{"A", "P"}, {"A", "P", "", "", ""}},
        {{"A", "B", "P"}, {"A", "B", "P", "", ""}},
        {{"A", "B", "C", "P"}, {"A", "B", "P", "C", ""}},
        {{"A", "B", "C", "D", "P"}, {"A", "B", "P", "C", "D"}},
        {{"A", "B", "C", "D", "E", "P"}, {"A", "B", "", "", ""}},
    };
    for (const auto& [path, codes] : cases) {
        const std::string name = cat.CreateDrawingEntry(source, DrawingKey(path));
        ASSERT_NE(name, "000000");
        EXPECT_EQ(Codes(name, 1), codes) << path.size();
        // The instrument and the second title block keep their texts.
        EXPECT_EQ(Codes(name, 0)[0], "instr");
        EXPECT_EQ(Codes(name, 2), (std::vector<std::string>{"alt60", "alt61", "alt62", "alt63", "alt64"}));
        uint32_t stored = 0, computed = 0;
        TKorDrawing d;
        d.SetProject(dir.Path());
        d.SetFileName(name);
        EXPECT_TRUE(d.CheckCrc(stored, computed));
        EXPECT_EQ(cat.DirDat().GetText(std::stoi(name)), "P");
    }
    // The original is not touched.
    EXPECT_EQ(ReadBytes(source), gen::Build(Page()));
}

TEST_F(DrawingEntryTest, AnExistingDrawingIsNotCopiedAgain) {
    const std::string name = cat.CreateDrawingEntry(source, DrawingKey({"A", "P"}));
    const auto first = ReadBytes(dir / name);
    WriteText(source, "not a drawing");
    EXPECT_EQ(cat.CreateDrawingEntry(source, DrawingKey({"A", "P"})), "000000");
    EXPECT_EQ(ReadBytes(dir / name), first);
}

TEST_F(DrawingEntryTest, AStrayFileOfTheNewNumberIsReplaced) {
    WriteText(dir / "000002", "left over");
    EXPECT_EQ(cat.CreateDrawingEntry(source, DrawingKey({"A", "P"})), "000002");
    EXPECT_EQ(Codes("000002", 1)[0], "A");
}

TEST_F(DrawingEntryTest, APageWithoutTitleBlockIsCopiedWithAFreshChecksum) {
    gen::Drawing page = Page();
    page.symbols.erase(page.symbols.begin() + 1, page.symbols.end());
    WriteBytes(source, gen::Build(page));
    const std::string name = cat.CreateDrawingEntry(source, DrawingKey({"A", "P"}));
    page.validCrc = true;
    EXPECT_EQ(ReadBytes(dir / name), gen::Build(page));
}

}  // namespace
}  // namespace korin::testing
