// korintool project, end to end: what a user types and what the folder holds
// afterwards.
#include "drawing/drawing_test.h"
#include "store/kor_path.h"

namespace korin::testing {
namespace {

class ProjectCli : public ::testing::Test {
protected:
    ToolResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), "project");
        return RunTool(args);
    }
    std::string Ok(std::vector<std::string> args) {
        const ToolResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return r.out;
    }
    TempDir root;
    std::string dir = root / "proj";
};

TEST_F(ProjectCli, TablesAreEnteredCreatedListedAndDeleted) {
    Ok({"create", dir});
    EXPECT_EQ(Ok({"create-table", dir, "AUC_SYSTEM/MESSTELLE", "--text", "Messstellen", "--primary", "1",
                  "Loop#600:string:32", "Nr:integer"}),
              "000005\t000006\n");
    EXPECT_EQ(Ok({"create-table", dir, "AUC_SYSTEM/ANLAGE", "Name:string:20"}), "000008\t000009\n");
    EXPECT_EQ(Ok({"tree", dir}),
              "AUC_SYSTEM\t0\t000001\n"
              "  ANLAGE\t5\t000007\n"
              "    0\t6\t000008\n"
              "    1\t6\t000009\n"
              "  MESSTELLE\t5\t000004\n"
              "    0\t6\t000005\n"
              "    1\t6\t000006\n"
              "  SCHEDULE\t7\t000002\n"
              "  SYSTABLE\t8\t000003\n");
    EXPECT_EQ(Ok({"files", dir, "AUC_SYSTEM/MESSTELLE"}), "000005\t000006\n");
    // A table that exists is refused and left alone.
    const auto before = ReadBytes(dir + "/000005");
    const ToolResult again = Run({"create-table", dir, "AUC_SYSTEM/MESSTELLE", "X:string:5"});
    EXPECT_EQ(std::make_pair(again.exitCode, again.out), std::make_pair(1, std::string()));
    EXPECT_EQ(ReadBytes(dir + "/000005"), before);
    EXPECT_EQ(Ok({"delete-table", dir, "AUC_SYSTEM/MESSTELLE"}), "");
    EXPECT_FALSE(path::AnyExists(dir + "/000005") || path::AnyExists(dir + "/000006"));
    EXPECT_EQ(Run({"files", dir, "AUC_SYSTEM/MESSTELLE"}).exitCode, 1);
    EXPECT_EQ(Ok({"check", dir}),
              "Freie Einträge:\n000004\n000005\n000006\n000010\n000011\n000012\n000013\n000014\n000015\n"
              "000016\n"
              "Nicht verlinkte freie Einträge und belegte Einträge, die als frei markiert sind:\n"
              "Nicht zum Projekt gehörende Dateien:\n");
    EXPECT_EQ(Ok({"delete-folder", dir, "AUC_SYSTEM"}), "");
    EXPECT_EQ(Ok({"tree", dir}), "");
    for (const std::string& name : path::ListDirectory(dir))
        EXPECT_TRUE(name == "Dir.ref" || name == "Dir.dat") << name;
}

TEST_F(ProjectCli, DrawingsAreCopiedWithTheirLevelTexts) {
    Ok({"create", dir});
    const std::string source = root / "orig.drw";
    WriteBytes(source, gen::Build(gen::RandomDrawing(3, 6)));
    EXPECT_EQ(Ok({"add-drawing", dir, source, "ANLAGE/MSR/LIC-100/1"}), "000004\n");
    TKorDrawing d;
    OpenPage(d, dir, "000004");
    EXPECT_EQ(d.SymbolAt(0)->GetCode(60) + "/" + d.SymbolAt(0)->GetCode(62), "ANLAGE/1");
    EXPECT_EQ(Ok({"tree", dir}),
              "ANLAGE\t0\t000001\n  MSR\t0\t000002\n    LIC-100\t0\t000003\n      1\t1\t000004\n");
    // Once there, the same path creates nothing.
    EXPECT_EQ(Ok({"add-drawing", dir, source, "ANLAGE/MSR/LIC-100/1"}), "000000\n");
    EXPECT_EQ(Ok({"delete-drawing", dir, "ANLAGE/MSR/LIC-100/1"}), "");
    EXPECT_FALSE(path::FileExists(dir + "/000004"));
    EXPECT_EQ(Ok({"tree", dir}), "");
}

TEST_F(ProjectCli, CheckListsForeignFilesAndRepairMendsTheChain) {
    Ok({"create", dir});
    Ok({"create-table", dir, "F/T", "A:string:4"});
    WriteText(dir + "/000042", "x");
    const std::string report = Ok({"check", dir});
    EXPECT_NE(report.find("Nicht zum Projekt gehörende Dateien:\n000042\n"), std::string::npos);
    auto ref = ReadBytes(dir + "/Dir.ref");
    ASSERT_EQ(ref.size(), 72u + 16 * 64);
    ref[64 * 16 + 4] = 10;  // the last free entry links back to entry 10: a ring
    WriteBytes(dir + "/Dir.ref", ref);
    EXPECT_NE(Ok({"check", dir}).find("Achtung: In Dir.Ref existiert ein Ringverweis"), std::string::npos);
    EXPECT_EQ(Ok({"repair", dir}), "");
    EXPECT_EQ(Ok({"check", dir}).find("Achtung"), std::string::npos);
    EXPECT_EQ(Ok({"create-table", dir, "F/U", "A:string:4"}), "000008\t000009\n");
}

TEST_F(ProjectCli, FailuresAndUsage) {
    const ToolResult missing = Run({"tree", dir});
    EXPECT_EQ(std::make_pair(missing.exitCode, missing.err),
              std::make_pair(1, std::string("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : Dir.ref\n")));
    Ok({"create", dir});
    // No folder, no such command, no FIELD, no such kind, an empty path.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"tree"}, {"frobnicate", dir}, {"create-table", dir, "F/T"}, {"create-table", dir, "F/T", "A:text"},
             {"files", dir, ""}})
        EXPECT_EQ(Run(args).exitCode, 2) << args[0];
    // A refused definition leaves the catalogue untouched.
    EXPECT_EQ(Run({"create-table", dir, "F/T", "A#x:string:4"}).exitCode, 1);
    EXPECT_EQ(ReadBytes(dir + "/Dir.ref").size(), 72u);
}

}  // namespace
}  // namespace korin::testing
