// korintool drawing, end to end: output lines, exit codes, and what lands in
// the file.
#include <filesystem>

#include "drawing_test.h"

namespace korin::testing {
namespace {

gen::Drawing Page() {
    gen::Drawing d;
    d.symbols = {{.kind = 6, .type = 9, .name = "TITEL", .codes = {{60, 1, 2, "EBENE \xC4"}, {61, 3, 65535, ""}}},
                 {.kind = 2, .tail = {1, 2}},
                 {.kind = 10, .type = -1, .name = "VENTIL", .codes = {{100, 0, 0, "FV 12\tB"}}}};
    d.trailer = {1, 2, 3, 4, 5};
    return d;
}

class DrawingTool : public ::testing::Test {
protected:
    std::string Put(const gen::Drawing& d, const std::string& name = "000310") {
        WriteBytes(dir / name, gen::Build(d));
        return dir / name;
    }
    TempDir dir;
};

TEST_F(DrawingTool, DumpPrintsHeaderSymbolsAndCodes) {
    const std::string file = Put(Page());
    const auto r = RunTool({"drawing", "dump", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08X", gen::CrcFrom32(gen::Build(Page())));
    EXPECT_EQ(r.out, std::string("header\tsymbols\t3\tcodes\t3\ttrailer\t5\tcrc\t") + crc + "\n" +
                         "symbol\t0\t6\t9\tTITEL\t2\n"
                         "code\t60\t1\t2\tEBENE \xC4\n"
                         "code\t61\t3\t65535\t\n"
                         "symbol\t1\t2\t\t\t\n"
                         "symbol\t2\t10\t-1\tVENTIL\t1\n"
                         "code\t100\t0\t0\tFV 12\tB\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(DrawingTool, SetCodeWritesTheLayoutWithAValidCrc) {
    const std::string file = Put(Page());
    const auto r = RunTool({"drawing", "set-code", file, "0", "61", "NEU \xD6\xDF"});
    ASSERT_TRUE(r.exitCode == 0 && r.out.empty()) << r.err << r.out;
    gen::Drawing expected = Page();
    expected.symbols[0].codes[1].text = "NEU \xD6\xDF";
    EXPECT_EQ(ReadBytes(file), gen::Build(expected));
    // A number the symbol lacks changes no code; the page is still saved.
    ASSERT_EQ(RunTool({"drawing", "set-code", file, "2", "999", "x"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(file), gen::Build(expected));
}

TEST_F(DrawingTool, VerifyAndFixCrc) {
    gen::Drawing bad = Page();
    bad.validCrc = false;
    bad.crcIfInvalid = 0x00ABCDEF;
    const std::string file = Put(bad);
    auto Result = [](const ToolResult& r) { return std::make_pair(r.exitCode, r.out); };
    char want[40];
    std::snprintf(want, sizeof want, "bad\t00ABCDEF\t%08X\n", gen::CrcFrom32(gen::Build(bad)));
    EXPECT_EQ(Result(RunTool({"drawing", "verify", file})), std::make_pair(1, std::string(want)));
    ASSERT_EQ(Result(RunTool({"drawing", "fix-crc", file})), std::make_pair(0, std::string()));
    EXPECT_EQ(ReadBytes(file), gen::Build(Page()));
    EXPECT_EQ(Result(RunTool({"drawing", "verify", file})), std::make_pair(0, std::string("ok\n")));
}

// Damaged files, files that cannot be saved and symbols that do not exist: exit
// 1 with the store's message, and the file is never written.
TEST_F(DrawingTool, RefusalsFailWithTheStoreMessageAndWriteNothing) {
    auto damaged = gen::Build(Page());
    gen::Put32(damaged, 32, 40000);
    const std::string bad = dir / "000311";
    WriteBytes(bad, damaged);
    const std::string tooShort =
        "KorDrawing: Die Datei ist zu kurz: der Symbolindex reicht über das Dateiende hinaus. Datei : 000311\n";
    const std::string page = Put(Page());
    gen::Drawing none;
    none.validCrc = false;
    const std::string empty = Put(none, "000313");
    const std::string zero = Put(Page(), "000000");
    using Args = std::vector<std::string>;
    const std::vector<std::pair<Args, std::string>> cases = {
        {{"dump", bad}, tooShort},
        {{"set-code", bad, "0", "60", "x"}, tooShort},
        {{"fix-crc", bad}, tooShort},
        {{"verify", page + "-missing"}, "KorDrawing: Datei nicht gefunden. Datei : 000310-missing\n"},
        {{"set-code", page, "3", "60", "x"}, "KorDrawing: Symbol 3 existiert nicht (3 Symbole). Datei : 000310\n"},
        {{"fix-crc", empty}, "wurde nicht gespeichert"},
        {{"set-code", zero, "0", "60", "x"}, ""},
    };
    for (const auto& [args, message] : cases) {
        const bool exists = std::filesystem::exists(args[1]);
        const auto before = exists ? ReadBytes(args[1]) : std::vector<uint8_t>{};
        Args call{"drawing"};
        call.insert(call.end(), args.begin(), args.end());
        const auto r = RunTool(call);
        EXPECT_EQ(r.exitCode, 1) << args[0] << " " << args[1];
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        if (!message.empty() && message.back() == '\n') { EXPECT_EQ(r.err, message); }
        EXPECT_EQ(r.out, "");
        if (exists) { EXPECT_EQ(ReadBytes(args[1]), before) << "written: " << args[1]; }
    }
}

TEST_F(DrawingTool, UsageErrorsExitWithTwo) {
    const std::string file = Put(Page());
    using Args = std::vector<std::string>;
    for (const Args& args : {Args{"drawing"}, Args{"drawing", "dump"}, Args{"drawing", "dump", file, "extra"},
                             Args{"drawing", "set-code", file, "0", "60"},
                             Args{"drawing", "set-code", file, "null", "60", "x"},
                             Args{"drawing", "set-code", file, "0", "70000", "x"}, Args{"drawing", "frobnicate", file}}) {
        const auto r = RunTool(args);
        EXPECT_EQ(r.exitCode, 2) << args.size();
        EXPECT_NE(r.err.find("drawing dump FILE"), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadBytes(file), gen::Build(Page()));
}

}  // namespace
}  // namespace korin::testing
