// The drawing's rows as the symbol dataset shows them, its one-condition
// filter, korintool drawing rows, and the page picture's resampling kernels
// and zoom steps checked against their definitions.
#include <tuple>

#include "drawing/kor_draw_rows.h"
#include "drawing/kor_resample.h"
#include "drawing_test.h"

namespace korin::testing {
namespace {

// A title block (type 9, two codes), an instrument without codes (type 10)
// and an opaque record.
std::vector<TKorDrawRow> Rows(TKorDrawTable table, bool withCodes = true) {
    gen::Drawing d;
    gen::Symbol title{.kind = 6, .type = 9, .name = "SCHRIFTFELD"};
    if (withCodes) title.codes = {{.number = 62, .text = "2"}, {.number = 12135, .text = "A10.TI1"}};
    d.symbols = {title, {.kind = 10, .type = 10, .name = "TT"}, {.kind = 2}};
    TempDir dir;
    TKorDrawing drawing;
    OpenPage(drawing, dir, gen::Build(d), "000001");
    return BuildDrawRows(drawing, table);
}

std::vector<int32_t> Passing(const std::vector<TKorDrawRow>& rows, const std::string& filter) {
    std::vector<int32_t> out;
    const TKorDrawFilter condition(filter);
    for (const TKorDrawRow& r : rows)
        if (condition.Accepts(r)) out.push_back(r.symNo * 100000 + r.codeNo);
    return out;
}

TEST(DrawRows, OneRowPerSymbolOrPerCode) {
    const auto symbols = Rows(TKorDrawTable::Symbol);
    ASSERT_EQ(symbols.size(), 3u);
    EXPECT_EQ(symbols[0].symName, "SCHRIFTFELD");
    for (const auto& r : symbols) EXPECT_EQ(r.codeNo, 0);
    const auto codes = Rows(TKorDrawTable::Code);
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(DrawRowField(codes[1], 3) + " " + DrawRowField(codes[1], 4), "12135 A10.TI1");
    EXPECT_TRUE(Rows(TKorDrawTable::Code, false).empty());
}

TEST(DrawRows, FilterConditions) {
    const auto symbols = Rows(TKorDrawTable::Symbol);
    const std::vector<int32_t> all{0, 100000, 200000};
    const std::vector<std::pair<std::string, std::vector<int32_t>>> cases{
        {"SymTyp=9", {0}},
        {"SymTyp <= 9", all},               // "<=", not "<": "9" itself passes
        {"SymTyp>10", {0}},                 // as text "9" sorts after "10"
        {"SymTyp<>10", {0, 200000}},
        {"SymName LIKE 'FELD'", {0}},
        {"SymName='TT'", {100000}},
        {"CodeNo>=0", all},
        {"Typ=9", all},                     // no field: no condition
        {"SymTyp ! 9", all},                // no operator: no condition
        {"", all},
    };
    for (const auto& [filter, passing] : cases) EXPECT_EQ(Passing(symbols, filter), passing) << filter;
    EXPECT_EQ(TKorDrawFilter("SymTyp<=9").Operator(), TKorDrawFilter::Op::LessEqual);
    EXPECT_EQ(Passing(Rows(TKorDrawTable::Code), "CodeText LIKE 'TI'"), std::vector<int32_t>{12135});
}

TEST(DrawRows, KorintoolRows) {
    gen::Drawing d;
    d.symbols = {{.kind = 6, .type = 9, .name = "SF", .codes = {{.number = 62, .text = "2 a"}}}, {.kind = 2}};
    TempDir dir;
    WriteBytes(dir / "000001", gen::Build(d));
    EXPECT_EQ(RunTool({"drawing", "rows", dir / "000001"}).out, "0\t9\tSF\t0\t\n1\t0\t\t0\t\n");
    EXPECT_EQ(RunTool({"drawing", "rows", dir / "000001", "--codes", "--filter", "CodeNo=62"}).out, "0\t9\tSF\t62\t2 a\n");
    EXPECT_EQ(RunTool({"drawing", "rows", dir / "fehlt"}).exitCode, 1);
}

TEST(Resample, KernelsFollowTheirDefinitions) {
    using F = TKorResampleFilter;
    const std::vector<std::tuple<F, double, double>> cases{
        {F::Box, 0.5, 1},          {F::Box, -0.5, 0},          {F::Triangle, 0.25, 0.75},
        {F::Triangle, -0.25, 0.75}, {F::Hermite, 0.5, 0.5},    {F::Bell, 0.25, 0.6875},
        {F::Bell, 1.0, 0.125},     {F::BSpline, 0, 2.0 / 3},   {F::BSpline, 1.5, 0.125 / 6},
        {F::Lanczos3, 0, 1},       {F::Lanczos3, 1, 0},        {F::Lanczos3, 0.5, 0.6079271},
        {F::Mitchell, 0, 16.0 / 18}, {F::Mitchell, 1, 1.0 / 18}, {F::Mitchell, 1.5, -0.0347222},
    };
    for (const auto& [f, t, value] : cases) EXPECT_NEAR(FilterValue(f, t), value, 1e-6) << FilterName(f) << " " << t;
    for (F f : {F::Box, F::Triangle, F::Hermite, F::Bell, F::BSpline, F::Lanczos3, F::Mitchell})
        EXPECT_EQ(FilterValue(f, FilterSupport(f) + 1e-9), 0.0) << FilterName(f);
    // Downscaled, the triangle's weights of every target pixel add up to 1.
    for (const auto& list : Contributors(10, 4, F::Triangle, 1.0)) {
        double sum = 0;
        for (const auto& c : list) sum += c.weight;
        EXPECT_NEAR(sum, 1.0, 1e-9);
    }
}

TEST(Resample, AKnownSmallImage) {
    TKorImage source(3, 1);
    source.pixels = {0xFF000000u, 0xFFFFFFFFu, 0xFF000000u};
    TKorImage target(2, 1);
    Stretch(source, target, TKorResampleFilter::Triangle, 1.0);
    // Weights ¼ ½ ¼ around 0 and 2 (scale ½, the filter twice as wide),
    // positions −1 and 3 mirrored to 1 and 2: 255/2 and 255/4.
    EXPECT_EQ(target.pixels, (std::vector<uint32_t>{0xFF808080u, 0xFF404040u}));
    EXPECT_EQ(MessageOf([] {
                  TKorImage empty(0, 5), out(2, 2);
                  Stretch(empty, out, TKorResampleFilter::Triangle, 1.0);
              }),
              "Source bitmap too small");
}

TEST(Resample, ZoomStepsAndDisplaySizes) {
    std::vector<int32_t> in{100}, out{100};
    for (int i = 0; i < 4; ++i) in.push_back(ZoomIn(in.back()));
    for (int i = 0; i < 5; ++i) out.push_back(ZoomOut(out.back()));
    EXPECT_EQ(in, (std::vector<int32_t>{100, 130, 169, 220, 220}));
    EXPECT_EQ(out, (std::vector<int32_t>{100, 77, 59, 45, 35, 35}));
    EXPECT_EQ((std::vector<int32_t>{DisplaySize(1000, 130), DisplaySize(500, 130), DisplaySize(1000, 77), DisplaySize(500, 77)}),
              (std::vector<int32_t>{1301, 651, 771, 386}));
}

}  // namespace
}  // namespace korin::testing
