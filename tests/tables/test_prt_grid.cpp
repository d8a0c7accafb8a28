// The grid printer's pages and text export, the contents grid over a table,
// emptying a table, and korintool's table commands on a project.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "store/kor_table.h"
#include "tables/prt_grid.h"
#include "tables/table_grids.h"
#include "test_support.h"

using namespace korin;
using namespace korin::testing;

namespace {

// Remembers which cell texts each page shows.
class RecordingCanvas final : public IPrtCanvas {
public:
    RecordingCanvas(int32_t cx, int32_t cy) : cx_(cx), cy_(cy) {}
    void PageExtent(int32_t& cx, int32_t& cy) override { cx = cx_, cy = cy_; }
    void BeginDocument(const std::string&, int32_t) override { pages.emplace_back(); }
    void NewPage() override { pages.emplace_back(); }
    void EndDocument() override { ended = true; }
    void SetOrigin(int32_t, int32_t) override {}
    void SetPen(Pen) override {}
    void Rectangle(int32_t, int32_t, int32_t, int32_t) override {}
    void Line(int32_t, int32_t, int32_t, int32_t) override {}
    void Text(int32_t left, int32_t, int32_t right, int32_t, int32_t, int32_t, const std::string& text) override {
        EXPECT_LT(left, right) << text;
        pages.back().push_back(text);
    }
    std::vector<std::vector<std::string>> pages;
    bool ended = false;

private:
    int32_t cx_, cy_;
};

// Cell (c, r) reads "c/r"; row 0 is the header "H/c".
TPrtTextGrid NumberedGrid(int cols, int rows, int width) {
    TPrtTextGrid g;
    g.Widths.assign(static_cast<size_t>(cols), width);
    for (int r = 0; r < rows; ++r) {
        g.Cells.emplace_back();
        for (int c = 0; c < cols; ++c)
            g.Cells.back().push_back(r == 0 ? "H/" + std::to_string(c) : std::to_string(c) + "/" + std::to_string(r));
    }
    return g;
}

struct PrintCase {
    const char* name;
    int cols, rows, width;
    int32_t cx, cy;
    bool manyPages;
};

class PrintLayout : public ::testing::TestWithParam<PrintCase> {};

// Every data cell is printed exactly once, the header once per band of rows
// and at the top of each of its pages; printing ends and starts over at 0.
TEST_P(PrintLayout, EveryCellOnceHeaderOnEveryPage) {
    const PrintCase& p = GetParam();
    TPrtTextGrid g = NumberedGrid(p.cols, p.rows, p.width);
    g.RepeatHeader = true;
    g.Margin.Left = 100;
    RecordingCanvas canvas(p.cx, p.cy);
    ASSERT_TRUE(g.Print(canvas));
    EXPECT_TRUE(canvas.ended);
    EXPECT_EQ(std::make_pair(g.StartRow, g.StartCol), std::make_pair(0, 0));
    if (p.manyPages) { EXPECT_GT(canvas.pages.size(), 2u); }
    std::map<std::string, int> seen;
    for (const auto& page : canvas.pages) {
        ASSERT_FALSE(page.empty());
        EXPECT_EQ(page.front().substr(0, 2), "H/") << "a page without its header";
        for (const auto& text : page) ++seen[text];
    }
    int headerPrints = -1;
    for (int c = 0; c < p.cols; ++c) {
        const int h = seen["H/" + std::to_string(c)];
        if (headerPrints < 0) headerPrints = h;
        EXPECT_EQ(h, headerPrints) << "column " << c;
        for (int r = 1; r < p.rows; ++r)
            EXPECT_EQ(seen[std::to_string(c) + "/" + std::to_string(r)], 1) << c << "/" << r;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grids, PrintLayout,
    ::testing::Values(PrintCase{"long", 2, 400, 100, 2100, -2970, true},
                      PrintCase{"wide_and_long", 12, 120, 200, 2100, -2970, true},
                      PrintCase{"column_wider_than_page", 3, 5, 5000, 2100, -2970, true},
                      PrintCase{"page_lower_than_a_row", 2, 6, 100, 2100, -30, true},
                      PrintCase{"fits_one_page", 3, 4, 60, 2100, -2970, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrintLayout, CancelStopsAfterThePageAndStartsOverNextTime) {
    struct StopAtOnce final : IPrtProgress {
        bool PagePrinted(int32_t, int32_t, int32_t) override { return false; }
    } stop;
    TPrtTextGrid g = NumberedGrid(1, 500, 100);
    RecordingCanvas canvas(2100, -2970);
    EXPECT_FALSE(g.Print(canvas, &stop));
    EXPECT_EQ(std::make_tuple(canvas.pages.size(), canvas.ended, g.StartRow), std::make_tuple(size_t{1}, true, 0));
}

TEST(TextExport, WritesTheRangeAsTabSeparatedAnsiLines) {
    TempDir dir;
    const struct {
        int32_t endCol, endRow;
        const char* expected;
    } cases[] = {{-1, -1, "a\tL\xE4nge\tc\r\nd\t\tf\r\n"},
                 {0, 0, "a\tL\xE4nge\tc\r\nd\t\tf\r\n"},
                 {99, 99, "a\tL\xE4nge\tc\r\nd\t\tf\r\n"},
                 {2, 1, "a\tL\xE4nge\r\n"}};
    for (const auto& c : cases) {
        TPrtTextGrid g;
        g.Widths = {10, 10, 10};
        g.Cells = {{"a", "Länge", "c"}, {"d", "", "f"}};
        g.SetEndCol(c.endCol);
        g.SetEndRow(c.endRow);
        g.FileName = dir / "ExportGrid.txt";
        g.Export();
        EXPECT_EQ(ReadText(g.FileName), c.expected) << "end " << c.endCol << "/" << c.endRow;
    }
    TPrtTextGrid g = NumberedGrid(1, 1, 10);
    g.FileName = "/nonexistent-folder/x.txt";
    EXPECT_THROW(g.Export(), Exception);
}

// A table of three records whose texts hold a code page 850 umlaut.
struct SmallTable {
    TempDir dir;
    TKorTable t;
    SmallTable() {
        t.SetProject(dir.Path());
        t.SetFileName("000001");
        t.SetKeyFileName("000002");
        t.SetFieldDefs({{"Stelle", TKorFieldType::String, 10}, {"Text", TKorFieldType::String, 20}});
        t.SetPrimaryKeyField(1);
        t.CreateNew(true);
        t.Open();
        for (const auto& r : std::vector<std::vector<std::string>>{{"B2", "K\x84lte"}, {"A1", "eins"}, {"C3", "drei"}})
            EXPECT_GE(t.Append(r), 0);
    }
};

TEST(ContentsGrid, HeaderThenRecordsInKeyOrderConverted) {
    SmallTable s;
    TTableContentsGrid g(s.t);
    ASSERT_EQ(std::make_pair(g.ColCount(), g.RowCount()), std::make_pair(2, 4));
    // Read in this order (a braced list keeps it): forwards, backwards again, forwards.
    EXPECT_EQ((std::vector<std::string>{g.Cell(1, 0), g.Cell(0, 1), g.Cell(1, 2), g.Cell(0, 1), g.Cell(0, 3)}),
              (std::vector<std::string>{"Text", "A1", "Kälte", "A1", "C3"}));
}

TEST(EmptyTable, AFailureKeepsTheRecordsAndSaysWhy) {
    SmallTable s;
    std::filesystem::create_directory(s.dir / "000001.tmp");  // the new file cannot be written
    EXPECT_EQ(MessageOf([&] { EmptyTable(s.t); }), kEmptyRefused);
    s.t.Close();
    s.t.Open();
    EXPECT_EQ(s.t.RecordCount(), 3);
}

TEST(ProjectTableCommands, PrintExportEmptyByCataloguePath) {
    TempDir dir;
    const std::string project = dir / "P";
    ASSERT_EQ(RunTool({"project", "create", project}).exitCode, 0);
    const ToolResult made =
        RunTool({"project", "create-table", project, "AUC_SYSTEM/MESSTELLE", "Stelle:string:10", "Text:string:20"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string files = made.out.substr(0, made.out.find('\n'));
    const std::string data = project + "/" + files.substr(0, files.find('\t'));
    const std::string key = project + "/" + files.substr(files.find('\t') + 1);
    for (int i = 0; i < 150; ++i) {
        const std::string n = std::to_string(1000 + i);
        ASSERT_EQ(RunTool({"table", "append", data, key, "M" + n, "Text " + n}).exitCode, 0);
    }
    const std::string pdf = dir / "m.pdf";
    const ToolResult printed = RunTool({"project", "print", project, "AUC_SYSTEM/MESSTELLE", "--pdf", pdf});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    const std::string bytes = ReadText(pdf);
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    const std::regex page(R"(/Type\s*/Page[^s])");
    EXPECT_GE(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()), 3);
    const std::string txt = dir / "m.txt";
    ASSERT_EQ(RunTool({"project", "export-text", project, "AUC_SYSTEM/MESSTELLE", txt}).exitCode, 0);
    const std::string text = ReadText(txt);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "Stelle\tText\r\n");
    EXPECT_NE(text.find("M1149\tText 1149\r\n"), std::string::npos);
    ASSERT_EQ(RunTool({"project", "empty", project, "AUC_SYSTEM/MESSTELLE"}).exitCode, 0);
    EXPECT_NE(RunTool({"project", "info", project, "AUC_SYSTEM/MESSTELLE"}).out.find("records\t0\n"), std::string::npos);
    EXPECT_EQ(RunTool({"project", "dump", project, "AUC_SYSTEM/KABEL"}).exitCode, 1);
}

}  // namespace
