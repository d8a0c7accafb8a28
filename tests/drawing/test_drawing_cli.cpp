// korintool drawing, end to end: output lines, exit codes, and what lands in
// the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing_gen.h"
#include "test_support.h"

namespace korin {
namespace {

using testing::ReadBytes;
using testing::RunTool;
using testing::TempDir;
using testing::WriteBytes;
namespace gen = testing::gen;

gen::Drawing Page() {
    gen::Drawing d;
    gen::Symbol title;
    title.kind = 6;
    title.type = 9;
    title.name = "TITEL";
    title.codes = {{60, 1, 2, "EBENE \xC4"}, {61, 3, 65535, ""}};
    gen::Symbol line;
    line.kind = 2;
    line.tail = {1, 2};
    gen::Symbol valve;
    valve.kind = 10;
    valve.type = -1;
    valve.name = "VENTIL";
    valve.codes = {{100, 0, 0, "FV 12\tB"}};
    d.symbols = {title, line, valve};
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
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    gen::Drawing expected = Page();
    expected.symbols[0].codes[1].text = "NEU \xD6\xDF";
    EXPECT_EQ(ReadBytes(file), gen::Build(expected));
    EXPECT_EQ(RunTool({"drawing", "verify", file}).out, "ok\n");

    // A number the symbol lacks changes no code; the page is still saved.
    ASSERT_EQ(RunTool({"drawing", "set-code", file, "2", "999", "x"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(file), gen::Build(expected));
}

TEST_F(DrawingTool, VerifyAndFixCrc) {
    gen::Drawing bad = Page();
    bad.validCrc = false;
    bad.crcIfInvalid = 0x00ABCDEF;
    const std::string file = Put(bad);
    auto r = RunTool({"drawing", "verify", file});
    EXPECT_EQ(r.exitCode, 1);
    char want[40];
    std::snprintf(want, sizeof want, "bad\t00ABCDEF\t%08X\n", gen::CrcFrom32(gen::Build(bad)));
    EXPECT_EQ(r.out, want);

    r = RunTool({"drawing", "fix-crc", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(file), gen::Build(Page()));
    r = RunTool({"drawing", "verify", file});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "ok\n");
}

TEST_F(DrawingTool, DamagedAndMissingFilesFailWithTheStoreMessage) {
    auto bytes = gen::Build(Page());
    gen::Put32(bytes, 32, 40000);
    const std::string file = dir / "000311";
    WriteBytes(file, bytes);
    using Args = std::vector<std::string>;
    for (const Args& args : {Args{"drawing", "dump", file}, Args{"drawing", "set-code", file, "0", "60", "x"},
                             Args{"drawing", "fix-crc", file}}) {
        const auto r = RunTool(args);
        EXPECT_EQ(r.exitCode, 1) << args[1];
        EXPECT_EQ(r.err,
                  "KorDrawing: Die Datei ist zu kurz: der Symbolindex reicht über das Dateiende hinaus. "
                  "Datei : 000311\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(ReadBytes(file), bytes) << "a damaged file is never written";
    }

    const auto notDrawing = RunTool({"drawing", "verify", Put(Page(), "x") + "-missing"});
    EXPECT_EQ(notDrawing.exitCode, 1);
    EXPECT_EQ(notDrawing.err, "KorDrawing: Datei nicht gefunden. Datei : x-missing\n");
}

TEST_F(DrawingTool, RefusalsThatWriteNothingAreNotReportedAsSuccess) {
    const std::string file = Put(Page());
    const auto before = ReadBytes(file);
    auto r = RunTool({"drawing", "set-code", file, "3", "60", "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "KorDrawing: Symbol 3 existiert nicht (3 Symbole). Datei : 000310\n");
    EXPECT_EQ(ReadBytes(file), before);

    gen::Drawing none;
    none.validCrc = false;
    const std::string empty = Put(none, "000313");
    r = RunTool({"drawing", "fix-crc", empty});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("wurde nicht gespeichert"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(empty), gen::Build(none));

    const std::string zero = Put(Page(), "000000");
    r = RunTool({"drawing", "set-code", zero, "0", "60", "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ReadBytes(zero), before);
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
}  // namespace korin
