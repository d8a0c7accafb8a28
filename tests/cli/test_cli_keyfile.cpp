// korintool keyfile, end to end: every command's output format, the bytes it
// leaves in the file, and the exit codes 0 (done), 1 (the store's message on
// stderr) and 2 (usage).
#include <cstdint>
#include <filesystem>

#include "cli_expect.h"

namespace korin::testing {
namespace {

Args Cat(Args a, const Args& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Args PK(const std::string& ptr) { return {"C:0:P_KEY", "N:0:0", "N:80:" + ptr}; }
Args SK(const std::string& value, const std::string& ptr) {
    return {"C:0:S_KEY", "N:0:0", "C:0:NAME", "C:0:" + value, "N:80:" + ptr};
}

class KeyfileCommand : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Ok(RunTool({"keyfile", "create", file}), "")); }
    ToolResult Run(const std::string& command, const Args& rest = {}) {
        return RunTool(Cat({"keyfile", command, file}, rest));
    }
    // Adds record r of the sample table: primary key and the NAME key.
    void AddRecord(int r, const std::string& value, const std::string& expected = "1\n") {
        const std::string ptr = std::to_string(r);
        ASSERT_TRUE(Ok(Run("add", Cat(Cat({std::to_string(r + 1)}, PK(ptr)), Cat({"---"}, SK(value, ptr)))),
                       expected));
    }
    TempDir dir;
    const std::string file = dir / "000017";
};

TEST_F(KeyfileCommand, CreateWritesANewKeyFileOverAnyOldOne) {
    std::vector<uint8_t> fresh(72, 0);
    fresh[4] = 1;
    EXPECT_EQ(ReadBytes(file), fresh);
    EXPECT_TRUE(Ok(Run("dump"), "header\t0\t1\t72\n"));
    WriteBytes(file, std::vector<uint8_t>(500, 0xAB));
    EXPECT_TRUE(Ok(Run("create"), ""));
    EXPECT_EQ(ReadBytes(file), fresh);
}

TEST_F(KeyfileCommand, DumpShowsEveryWholeNode) {
    EXPECT_TRUE(Ok(Run("add", Cat({"8"}, PK("7"))), "1\n"));
    // Three nodes in use, 21 on the free chain; node 25 is the high-water node.
    std::string expected = "header\t1\t4\t1608\n";
    expected += "1\t2\t0\t0\t0\t0\t0\t0\tP_KEY\n";
    expected += "2\t3\t1\t0\t0\t0\t0\t0\t0\n";
    expected += "3\t0\t2\t0\t0\t0\t8\t80\t7\n";
    for (int k = 4; k <= 24; ++k) expected += std::to_string(k) + "\t0\t" + std::to_string(k + 1) + "\t0\t0\t0\t0\t0\t\n";
    EXPECT_TRUE(Ok(Run("dump"), expected));
}

TEST_F(KeyfileCommand, TextsPassThroughByteForByte) {
    // A colon belongs to the text after the second one; 8-bit bytes are kept;
    // an empty text is a text.
    EXPECT_TRUE(Ok(Run("add", {"5", "C:0:a:b", "X:3:M\xe4\xdf", "N:255:"}), "1\n"));
    const ToolResult r = Run("dump");
    ASSERT_EQ(r.exitCode, 0);
    for (const char* line : {"\t0\t0\ta:b\n", "\t0\t3\tM\xe4\xdf\n", "\t5\t255\t\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << " in " << r.out;
    EXPECT_TRUE(Ok(Run("locate", {"C:0:a:b", "X:3:M\xe4\xdf", "N:255:"}), "4\n"));
    EXPECT_TRUE(Ok(Run("level", {"C:0:a:b"}), "M\xe4\xdf, 3\n"));
}

class KeyfileRecords : public KeyfileCommand {
protected:
    void SetUp() override {
        KeyfileCommand::SetUp();
        AddRecord(10, "b");
        AddRecord(2, "a");
        AddRecord(33, "a");
        AddRecord(1, "c");
        AddRecord(7, "b");
    }
};

// One line per record or level entry, in key order; -2 for a key not found.
TEST_F(KeyfileRecords, QueriesPrintOneValuePerLine) {
    EXPECT_TRUE(Ok(Run("locate", SK("b", "7")), "7\n"));
    EXPECT_TRUE(Ok(Run("locate", PK("8")), "-2\n"));
    EXPECT_TRUE(Ok(Run("list", {"C:0:S_KEY", "N:0:0", "C:0:NAME", "C:0:b"}), "7\n10\n"));
    EXPECT_TRUE(Ok(Run("list", Cat({"--leaf"}, PK("7"))), "7\n"));
    EXPECT_TRUE(Ok(Run("list", PK("7")), ""));
    EXPECT_TRUE(Ok(Run("records", {"C:0:S_KEY", "N:0:0", "C:0:NAME", "C:0:a"}), "2\n33\n"));
    EXPECT_TRUE(Ok(Run("level"), "P_KEY, 0\nS_KEY, 0\n"));
    ASSERT_TRUE(Ok(Run("add", {"11", "X:0:T", "X:0:S", "N:0:0"}), "1\n"));
    ASSERT_TRUE(Ok(Run("add", {"13", "X:0:T", "X:0:S", "N:6:2"}), "1\n"));
    EXPECT_TRUE(Ok(Run("indexvalues", {"X:0:T"}), "10\n"));
    // Adding says whether a node was taken: one new key of several is enough.
    EXPECT_TRUE(Ok(Run("add", Cat({"99"}, PK("7"))), "0\n"));
    EXPECT_TRUE(Ok(Run("add", Cat(Cat({"3"}, PK("7")), Cat({"---"}, PK("2x")))), "1\n"));
}

TEST_F(KeyfileRecords, DeleteRemovesKeysAndIgnoresAbsentOnes) {
    EXPECT_TRUE(Ok(Run("delete", Cat(PK("2"), Cat({"---"}, SK("a", "2")))), ""));
    EXPECT_TRUE(Ok(Run("list", {"C:0:S_KEY", "N:0:0", "C:0:NAME"}), "33\n7\n10\n1\n"));
    const auto before = ReadBytes(file);
    EXPECT_TRUE(Ok(Run("delete", PK("2")), ""));
    EXPECT_EQ(ReadBytes(file), before);
}

TEST_F(KeyfileCommand, TheStoresMessageGoesToStderrWithExitCode1) {
    const std::string missing = dir / "000099";
    for (const Args& args : {Args{"keyfile", "locate", missing}, Args{"keyfile", "add", missing, "2"}})
        EXPECT_TRUE(Fails(RunTool(Cat(args, PK("1"))), "KorKeyFile: Datei konnte nicht geöffnet werden. Datei : 000099"));
    EXPECT_FALSE(std::filesystem::exists(missing));
    const std::string foreign = dir / "000098";
    std::vector<uint8_t> bytes(72, 0);
    bytes[4] = 1;
    bytes[9] = 1;
    WriteBytes(foreign, bytes);
    EXPECT_TRUE(Fails(RunTool({"keyfile", "list", foreign}),
                      "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit Dateityp überein. Datei : 000098"));
    // A node that is its own left child.
    ASSERT_TRUE(Ok(Run("add", Cat({"2"}, PK("1"))), "1\n"));
    auto b = ReadBytes(file);
    b[64 * 3 + 8] = 3;
    WriteBytes(file, b);
    EXPECT_TRUE(Fails(Run("add", Cat({"3"}, PK("2"))),
                      "KorKeyFile: Die Indexdatei ist beschädigt. Es existiert ein direkter Ringverweis!"));
}

TEST_F(KeyfileCommand, UsageErrorsExitWith2AndChangeNothing) {
    ASSERT_TRUE(Ok(Run("add", Cat({"2"}, PK("1"))), "1\n"));
    const auto before = ReadBytes(file);
    const std::vector<Args> wrong = {
        {"keyfile"}, {"keyfile", "frobnicate", file}, {"keyfile", "create"}, {"keyfile", "create", file, "extra"},
        {"keyfile", "add", file, "5"}, Cat({"keyfile", "add", file, "five"}, PK("3")),
        {"keyfile", "add", file, "5", "C0P_KEY"}, {"keyfile", "add", file, "5", "C:256:x"},
        {"keyfile", "add", file, "5", "C:x:y"}, Cat(Cat({"keyfile", "add", file, "5"}, PK("3")), {"---"}),
        {"keyfile", "delete", file}, Cat(Cat({"keyfile", "locate", file}, PK("1")), Cat({"---"}, PK("2"))),
        {"keyfile", "dump", file, "extra"},
    };
    for (const auto& args : wrong) {
        const ToolResult r = RunTool(args);
        EXPECT_TRUE(r.exitCode == 2 && !r.err.empty() && r.out.empty())
            << ::testing::PrintToString(args) << ": exit " << r.exitCode << ", stdout [" << r.out << "]";
        EXPECT_EQ(ReadBytes(file), before) << ::testing::PrintToString(args);
    }
}

// A store object keeps its former directory when it is given one that does not
// exist; the tool must not fall back to a file of that name in its own folder.
TEST(CliFolders, AFileInAMissingFolderIsRefusedNotMadeHere) {
    TempDir dir;
    const std::string missing = dir / "no-such-folder/k.idx";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"keyfile", "create", missing},
          {"table", "create", dir / "no-such-folder/t.dat", dir / "no-such-folder/t.key", "A:string:3"}}) {
        const auto r = RunTool(args);
        EXPECT_EQ(r.exitCode, 1) << args[0];
        EXPECT_NE(r.err.find("existiert nicht!"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists("k.idx"));
    EXPECT_FALSE(std::filesystem::exists("t.dat"));
}

}  // namespace
}  // namespace korin::testing
