// korintool table, end to end: every command's output, the warnings on stderr
// that do not fail a command, the store's refusals (exit 1) and usage errors
// (exit 2), and the files the commands leave.
#include "cli_expect.h"
#include "store/kor_path.h"

namespace korin::testing {
namespace {

class CliTable : public ::testing::Test {
protected:
    ToolResult Table(const std::string& command, Args rest = {}) {
        Args args{"table", command, dir / "t.dat", dir / "t.key"};
        args.insert(args.end(), rest.begin(), rest.end());
        return RunTool(args);
    }
    void Create(Args extra) { ASSERT_TRUE(Ok(Table("create", extra), "")); }
    TempDir dir;
};

TEST_F(CliTable, CreateAndInfoShowTheHeader) {
    Create({"--title", "MESSTELLE", "--primary", "2", "Name:string:12", "Nr#12135:integer", "Wert:float",
            "Klein:smallint", "Wort:word"});
    EXPECT_EQ(std::make_pair(ReadBytes(dir / "t.key").size(), ReadBytes(dir / "t.dat").size()),
              std::make_pair(size_t{72}, size_t{3284 + 5 * 64 + 13 + 4}));
    EXPECT_TRUE(Ok(Table("info"),
                   "title\tMESSTELLE\nrecords\t0\nslots\t0\nfreehead\t0\nprimary\t2\n"
                   "field\t0\t600\tName\t12\t0\t0\n"
                   "field\t1\t12135\tNr\t11\t1\t0\n"
                   "field\t2\t601\tWert\t10\t2\t2\n"
                   "field\t3\t602\tKlein\t6\t1\t0\n"
                   "field\t4\t603\tWort\t11\t1\t0\n"));
    // Creating again replaces both files.
    Create({"Only:string:3"});
    EXPECT_TRUE(Ok(Table("info"), "title\t\nrecords\t0\nslots\t0\nfreehead\t0\nprimary\t1\nfield\t0\t600\tOnly\t3\t0\t0\n"));
}

TEST_F(CliTable, AppendDumpFindAndTheConflictWarning) {
    Create({"--title", "T", "K:string:6", "N:integer", "W:float"});
    EXPECT_TRUE(Ok(Table("append", {"m", " 5 ", "1,5"}), "0\n"));
    EXPECT_TRUE(Ok(Table("append", {"b", "", ""}), "1\n"));
    EXPECT_TRUE(Ok(Table("append", {"x", "7", "2"}), "2\n"));
    EXPECT_TRUE(Ok(Table("append", {"b", "1", "1"}), "-1\n",
                   "Achtung! In der Tabelle T kam es zu  einem Schlüsselkonflikt. PIndex b existiert bereits!\n"));
    EXPECT_TRUE(Ok(Table("append", {"short"}), "-1\n"));
    EXPECT_TRUE(Ok(Table("dump"), "1\tb\t0\t0.00\n0\tm\t5\t1.50\n2\tx\t7\t2.00\n"));
    EXPECT_TRUE(Ok(Table("find", {"x"}), "2\n"));
    EXPECT_TRUE(Ok(Table("find", {"y"}), "-1\n"));
    // Texts pass through byte for byte.
    EXPECT_TRUE(Ok(Table("append", {"\xE4\xF6", "1", "1"}), "3\n"));
    EXPECT_TRUE(Ok(Table("find", {"\xE4\xF6"}), "3\n"));
}

TEST_F(CliTable, EditAndDeleteRefuseSlotsThatAreNotRecords) {
    Create({"K:string:4", "V:string:4"});
    for (const char* k : {"a", "b", "c"}) ASSERT_TRUE(Ok(Table("append", {k, "v"}), std::string(1, char(k[0] - 'a' + '0')) + "\n"));
    EXPECT_TRUE(Ok(Table("edit", {"2", "0", "0"}), ""));
    EXPECT_TRUE(Ok(Table("edit", {"0", "1", "neu"}), ""));
    EXPECT_TRUE(Ok(Table("dump"), "0\ta\tneu\n1\tb\tv\n2\t0\tv\n"));
    EXPECT_TRUE(Ok(Table("delete", {"1"}), ""));
    EXPECT_TRUE(Fails(Table("delete", {"1"}), "KorTable: Datensatz 1 ist gelöscht und kann nicht gelöscht werden!"));
    EXPECT_TRUE(Fails(Table("edit", {"3", "0", "z"}), "KorTable: Datensatz 3 existiert nicht!"));
    EXPECT_TRUE(Fails(Table("delete", {"-1"}), "KorTable: Datensatz -1 existiert nicht!"));
    EXPECT_TRUE(Ok(Table("append", {"d", "v"}), "1\n"));
}

TEST_F(CliTable, DefineKeyReindexesAndFindSecondaryListsSlots) {
    Create({"K:string:4", "Ort:string:6", "Nr:integer"});
    const char* rows[][3] = {{"a", "Kiel", "1"}, {"b", "Bonn", "2"}, {"c", "Kiel", "3"}};
    for (const auto& r : rows) ASSERT_EQ(Table("append", {r[0], r[1], r[2]}).exitCode, 0);
    EXPECT_TRUE(Ok(Table("define-key", {"ORTE", "ort", "Fehlt"}), ""));
    EXPECT_TRUE(Ok(Table("define-key", {"U", "Ort", "Nr", "--unique"}), ""));
    const ToolResult info = Table("info");
    EXPECT_NE(info.out.find("key\t0\tORTE\t0\t2\nkey\t1\tU\t1\t2,3\n"), std::string::npos) << info.out;
    EXPECT_TRUE(Ok(Table("find-secondary", {"ORTE", "Kiel"}), "0\n2\n"));
    EXPECT_TRUE(Ok(Table("find-secondary", {"U", "Kiel", "3"}), "2\n"));
    EXPECT_TRUE(Ok(Table("find-secondary", {"ORTE", "Ulm"}), ""));
    EXPECT_TRUE(Ok(Table("dump", {"--filter", "Ort=\"Kiel\""}), "0\ta\tKiel\t1\n2\tc\tKiel\t3\n"));
    EXPECT_TRUE(Fails(Table("dump", {"--filter", "Nr=\"1\""}), "KorTable: Das Feld ist nicht in einem Index verzeichnet!"));
    EXPECT_TRUE(Fails(Table("dump", {"--filter", "Ort"}), "KorTable: Der Filterausdruck \"Ort\" ist ungültig!"));
    EXPECT_TRUE(Ok(Table("append", {"d", "Kiel", "3"}), "-1\n",
                   "Achtung! In der Tabelle  kam es zu  einem Schlüsselkonflikt. PIndex d existiert bereits!\n"));
}

TEST_F(CliTable, AddFieldEmptyAndReindex) {
    Create({"K:string:4", "V:string:4"});
    for (const char* k : {"b", "a"}) ASSERT_EQ(Table("append", {k, "v"}).exitCode, 0);
    EXPECT_TRUE(Ok(Table("add-field", {"Neu", "700", "8", "0", "0", "1"}), ""));
    EXPECT_TRUE(Ok(Table("dump"), "1\ta\tv\t\n0\tb\tv\t\n"));
    EXPECT_TRUE(Ok(Table("edit", {"1", "2", "gesetzt"}), ""));
    EXPECT_TRUE(Ok(Table("dump"), "1\ta\tv\tgesetzt\n0\tb\tv\t\n"));
    // A damaged key file: reindex builds it again.
    WriteBytes(dir / "t.key", std::vector<uint8_t>(100, 0x33));
    EXPECT_EQ(Table("dump").exitCode, 1);
    EXPECT_TRUE(Ok(Table("reindex"), ""));
    EXPECT_TRUE(Ok(Table("dump"), "1\ta\tv\tgesetzt\n0\tb\tv\t\n"));
    EXPECT_TRUE(Ok(Table("empty"), ""));
    EXPECT_TRUE(Ok(Table("dump"), ""));
    EXPECT_TRUE(Ok(Table("append", {"z", "v", "w"}), "0\n"));
}

TEST_F(CliTable, UsageErrorsAndMissingFiles) {
    const std::string d = dir / "t.dat", k = dir / "t.key";
    for (const Args& args : std::vector<Args>{{"table"}, {"table", "nosuch", d, k}, {"table", "create", d, k},
                                              {"table", "create", d, k, "A:int"}, {"table", "create", d, k, "A:integer:4"},
                                              {"table", "create", d, k, "--primary", "x", "A:string:3"},
                                              {"table", "create", d, "/elsewhere/t.key", "A:string:3"}})
        EXPECT_EQ(RunTool(args).exitCode, 2) << args.size() << " " << args.back();
    EXPECT_FALSE(path::FileExists(dir / "t.dat"));
    EXPECT_TRUE(Fails(Table("info"), "KorMMF: Konnte Datei nicht öffnen. Datei : t.dat"));
    Create({"A:string:3"});
    for (const auto& [command, rest] : std::vector<std::pair<std::string, Args>>{
             {"edit", {"0", "0"}}, {"edit", {"x", "0", "v"}}, {"add-field", {"N", "1", "2", "3", "4"}}, {"dump", {"--filter"}}})
        EXPECT_EQ(Table(command, rest).exitCode, 2) << command;
    const ToolResult bad = RunTool({"table", "create", dir / "u.dat", dir / "u.key", "A#x:string:3"});
    EXPECT_TRUE(Fails(bad, "'x' ist kein gültiger Integerwert"));
}

}  // namespace
}  // namespace korin::testing
