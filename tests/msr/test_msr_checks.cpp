// The instrumentation and page info checks on single pages, with lookups given
// as plain data.
#include <map>
#include <set>
#include <tuple>

#include "drawing/drawing_test.h"
#include "msr/msr_checks.h"

using namespace korin;
using namespace korin::msrcheck;
namespace gen = korin::testing::gen;

namespace {

gen::Symbol Sym(std::vector<std::pair<uint16_t, std::string>> codes, int16_t type = 1) {
    gen::Symbol s{.type = type, .name = "S"};
    for (auto& [n, t] : codes) s.codes.push_back({n, 0, 0, t});
    return s;
}

// Writes the symbols as a page and reads it back through the drawing class.
struct Page {
    explicit Page(std::vector<gen::Symbol> symbols) {
        gen::Drawing d;
        d.symbols = std::move(symbols);
        korin::testing::OpenPage(drawing, dir, gen::Build(d), "000100");
    }
    korin::testing::TempDir dir;
    TKorDrawing drawing;
};

gen::Symbol Title(const std::string& designation, std::vector<std::pair<uint16_t, std::string>> more = {}) {
    more.insert(more.begin(), {{12135, designation}, {76, "T7"}});
    return Sym(more, 9);
}

}  // namespace

TEST(InstrumentationCheck, ReportsPerModeWhatTheTablesSay) {
    // The page of A1.FT01 with one linked measure point; symbols name their
    // owner by number: 1 the page's own, 2 the linked one, 5 is past the list.
    Page page({Title("A1.FT01", {{803, " A1.FT02 "}, {804, ""}, {805, "A1.X"}}),
               Sym({{12115, "FT"}, {20025, "1"}, {100, "4-20mA"}, {101, "Ex"}}),
               Sym({{12115, "PI"}, {20025, "2"}, {100, "0-10V"}}),
               Sym({{12115, "TI"}, {20025, "5"}}),
               Sym({{12115, ""}, {20025, "1"}}),
               Sym({{20025, "1"}})});
    std::map<std::tuple<std::string, std::string, std::string>, FieldTexts> inst = {
        {{"A1", "A1.FT01", "FT"}, {{12115, "FT"}, {100, "0-10V"}, {101, "Ex i"}}},
        {{"A1", "A1.FT02", "PI"}, {{12115, "PI"}, {100, "0-10V"}}},
    };
    const std::set<std::string> points = {"A1.FT01"};
    InstLookups lookups;
    lookups.findInstrument = [&](const std::string& l, const std::string& r,
                                 const std::string& i) -> std::optional<FieldTexts> {
        auto it = inst.find({l, r, i});
        if (it == inst.end()) return std::nullopt;
        return it->second;
    };
    lookups.measurePointExists = [&](const std::string& d) { return points.count(d) > 0; };
    // Only the first differing field of a symbol is reported.
    auto rows = CheckInstrumentationPage(page.drawing, InstMode::SymbolText, false, lookups);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(std::tie(rows[0].pageMeasurePoint, rows[0].typical, rows[0].measurePoint, rows[0].instrument,
                       rows[0].error),
              std::make_tuple("A1.FT01", "T7", "A1.FT01", "FT", "4-20mA <> 0-10V"));
    // Past the reference list the symbol has no measure point and no loop.
    rows = CheckInstrumentationPage(page.drawing, InstMode::NotAssignable, false, lookups);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::tie(rows[0].instrument, rows[0].measurePoint, rows[1].instrument), std::make_tuple("TI", "", ""));
    EXPECT_EQ(CheckInstrumentationPage(page.drawing, InstMode::NotAssignable, true, lookups).size(), 1u);
    rows = CheckInstrumentationPage(page.drawing, InstMode::MissingMeasurePoint, true, lookups);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::tie(rows[0].measurePoint, rows[1].measurePoint), std::make_tuple("A1.FT02", ""));
    // A title block without designation, and an empty page, give nothing.
    Page unnamed({Title(""), Sym({{12115, "FT"}, {20025, "1"}})});
    EXPECT_TRUE(CheckInstrumentationPage(unnamed.drawing, InstMode::MissingMeasurePoint, false, lookups).empty());
    Page empty({});
    EXPECT_TRUE(CheckInstrumentationPage(empty.drawing, InstMode::MissingMeasurePoint, false, lookups).empty());
}

TEST(PageInfoCheck, ListsWhatTheChosenBoxesAsk) {
    const std::set<std::string> points = {"A1FT01", "A1FT02"};
    const auto exists = [&](const std::string& d) { return points.count(d) > 0; };
    struct Case {
        const char* what;
        std::string c1, c2, c12135, c63;
        PageInfoOptions options;
        bool listed;
    };
    PageInfoOptions composed, found63, skipEmpty;
    composed.composed = found63.found63 = skipEmpty.found12135 = true;
    PageInfoOptions keepEmpty = skipEmpty;
    keepEmpty.ignoreEmpty12135 = false;
    const Case cases[] = {
        {"same and both found", "A1", "FT01", "A1FT01", "A1FT01", {}, false},
        {"both found but different", "A1", "FT01", "A1FT01", "A1FT02", {}, true},
        {"one missing is no case of the default", "A1", "FT01", "A1FT01", "B9", {}, false},
        {"empty designation skipped", "A1", "FT01", "", "A1FT02", skipEmpty, false},
        {"composed matches", "A1", "FT01", "A1FT01", "A1FT01", composed, false},
        {"composed differs", "A1", "FT02", "A1FT01", "A1FT01", composed, true},
        {"63 not in the table", "A1", "FT01", "A1FT01", "B9", found63, true},
    };
    for (const Case& c : cases) {
        Page page({Title(c.c12135, {{1, c.c1}, {2, c.c2}, {63, c.c63}, {61, "A1"}, {62, "3"}})});
        const auto row = CheckPageInfoPage(page.drawing, c.options, exists);
        ASSERT_EQ(row.has_value(), c.listed) << c.what;
        if (row) {
            EXPECT_EQ(std::tie(row->designation63, row->page62, row->plant61, row->found63, row->typical76),
                      std::make_tuple(c.c63, "3", "A1", exists(c.c63) ? "1" : "", "T7"))
                << c.what;
        }
    }
    // Kept by its box, an empty designation is checked like any other.
    Page empty({Title("", {{63, "A1FT01"}})});
    EXPECT_TRUE(CheckPageInfoPage(empty.drawing, keepEmpty, exists).has_value());
}

TEST(MsrChecksOnTheDemo, FilledPagesAgreeAndAChangedTitleBlockIsFound) {
    korin::testing::TempDir dir;
    using korin::testing::RunTool;
    ASSERT_EQ(RunTool({"demo", dir.Path(), "--measure-points", "12", "--seed", "3"}).exitCode, 0);
    const std::string project = dir.Path() + "Demo";
    ASSERT_EQ(RunTool({"msr", "fill", project, "instruments", "--all"}).exitCode, 0);
    auto r = RunTool({"msr", "check-instruments", project});
    EXPECT_EQ(std::make_pair(r.exitCode, r.out), std::make_pair(0, std::string())) << r.err;
    EXPECT_EQ(RunTool({"msr", "check-pages", project}).out, "");
    // One page's designation changed: that page, and only it, is listed.
    const std::string pages = RunTool({"msr", "pages", project, "--all"}).out;
    const std::string first = pages.substr(0, pages.find('\n'));
    const std::string file = first.substr(first.rfind('\t') + 1);
    ASSERT_EQ(RunTool({"drawing", "set-code", project + "/" + file, "0", "12135", "XX.FALSCH"}).exitCode, 0);
    r = RunTool({"msr", "check-pages", project});
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_NE(r.out.find("\tXX.FALSCH\t"), std::string::npos) << r.out;
    // The instrumentation check now misses that page's measure point.
    EXPECT_NE(RunTool({"msr", "check-instruments", project, "--mode", "missing"}).out.find("XX.FALSCH"),
              std::string::npos);
}
