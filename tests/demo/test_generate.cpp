// The written demo, read back through the catalogue, the tables and the
// drawings as the program reads it.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <set>
#include <string>

#include "demo/demo.h"
#include "demo/demo_data.h"
#include "demo/demo_ini.h"
#include "demo/demo_store.h"
#include "demo/demo_typicals.h"
#include "drawing/kor_drawing.h"
#include "project/kor_dir_dat.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_table.h"
#include "test_support.h"

namespace korin::demo {
namespace {

namespace fs = std::filesystem;
using korin::testing::ReadBytes;
using korin::testing::ReadText;
using korin::testing::TempDir;

constexpr uint32_t kSeed = 17;
constexpr int32_t kCount = 36;

void OpenCatalogue(TKorDirFile& dir, const std::string& project) { dir.SetProject(project), dir.Open(); }

// A table of a project folder, opened by its catalogue path.
struct TOpenTable {
    TOpenTable(const std::string& project, const std::vector<std::string>& path) {
        TKorDirFile dir;
        OpenCatalogue(dir, project);
        std::string data, key;
        found_ = dir.TableFiles(path, data, key);
        dir.Close();
        if (!found_) return;
        table.SetProject(project);
        table.SetKeyFileName(key);
        table.SetFileName(data);
        table.Open();
    }
    ~TOpenTable() { table.Close(); }
    bool Found() const { return found_ && table.IsOpen(); }
    TKorTable table;
    bool found_ = false;
};

class DemoProject : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        result_ = new TDemoResult(Generate(dir_->Path(), {.seed = kSeed, .measurePoints = kCount}));
        data_ = new TSampleData(GenerateSampleData({kSeed, kCount, TSchemaVariant::Adapted}));
    }
    static void TearDownTestSuite() { delete data_; delete result_; delete dir_; }
    static inline TempDir* dir_ = nullptr;
    static inline TDemoResult* result_ = nullptr;
    static inline TSampleData* data_ = nullptr;
};

void ExpectTableAsDefined(TKorTable& t, const TTableData& data) {
    const TTableDef& def = data.def;
    ASSERT_EQ(t.FieldCount(), static_cast<int32_t>(def.fields.size()));
    for (int32_t i = 0; i < t.FieldCount(); ++i) {
        const TFieldDef& f = def.fields[static_cast<size_t>(i)];
        EXPECT_EQ(std::make_tuple(t.FieldDefs().FieldName(i), t.FieldDefs().FieldId(i), t.FieldDefs().FieldWidth(i)),
                  std::make_tuple(f.name, f.id, f.Width()));
    }
    EXPECT_EQ(std::make_pair(t.PrimaryKeyField(), t.Title()), std::make_pair(def.primaryKey, def.name));
    ASSERT_EQ(t.SecondaryKeyCount(), static_cast<int32_t>(def.keys.size()));
    for (size_t k = 0; k < def.keys.size(); ++k) {
        const auto ki = static_cast<int32_t>(k);
        EXPECT_EQ(std::make_pair(t.SecondaryKeyName(ki), t.SecondaryKeyUnique(ki)), std::make_pair(def.keys[k].name, def.keys[k].unique));
        ASSERT_EQ(t.SecondaryKeyFieldCount(ki), static_cast<int32_t>(def.keys[k].fields.size()));
        for (size_t f = 0; f < def.keys[k].fields.size(); ++f)
            EXPECT_EQ(t.SecondaryKeyFieldIndex(ki, static_cast<int32_t>(f)), def.IndexOf(def.keys[k].fields[f]));
    }
    EXPECT_EQ(t.HeaderRecordCount(), static_cast<int32_t>(data.rows.size()));
    // Every record reads back as written, in slot order.
    for (size_t r = 0; r < data.rows.size(); ++r) {
        ASSERT_TRUE(t.GoToSlot(static_cast<int32_t>(r)));
        for (size_t i = 0; i < def.fields.size(); ++i) {
            std::string expected = data.rows[r][i];
            if (def.fields[i].type == TKorFieldType::SmallInt && expected.empty()) expected = "0";
            EXPECT_EQ(t.GetField(static_cast<int32_t>(i)), expected) << def.name << " slot " << r << " " << def.fields[i].name;
        }
    }
}

TEST_F(DemoProject, EveryStandardTableIsFoundByItsPathAndHoldsItsData) {
    for (const auto& [folder, tables] : {std::pair{result_->projectDir, &data_->project},
                                         std::pair{result_->masterDir, &data_->master}})
        for (const TTableData& data : *tables) {
            SCOPED_TRACE(folder + data.def.name);
            TOpenTable open(folder, data.def.Path());
            ASSERT_TRUE(open.Found());
            ExpectTableAsDefined(open.table, data);
        }
    // KLEMMEN must not be found directly in AUC_SYSTEM.
    EXPECT_FALSE(TOpenTable(result_->projectDir, {"AUC_SYSTEM", "KLEMMEN"}).Found());
}

TEST_F(DemoProject, TheCatalogueHoldsSchedulesLongTextsAndNoStrayFiles) {
    TKorDirFile dir;
    OpenCatalogue(dir, result_->projectDir);
    for (const std::vector<std::string>& folder :
         {std::vector<std::string>{"AUC_SYSTEM"}, std::vector<std::string>{"AUC_SYSTEM", "PRO_DOKU"}}) {
        TKeyList schedule = FolderKey(folder), sysTable = FolderKey(folder);
        schedule.push_back(SchedulePart());
        sysTable.push_back(SysTablePart());
        for (const int32_t entry : {dir.Locate(schedule), dir.Locate(sysTable)})
            EXPECT_TRUE(entry > 0 && fs::exists(result_->projectDir + TKorDirFile::EntryFileName(entry))) << entry;
    }
    const int32_t ref = dir.Locate(TableKey({"AUC_SYSTEM", "PRO_DOKU", "MSR_REF"}));
    ASSERT_GT(ref, 0);
    EXPECT_EQ(dir.DirDat().GetText(ref), "Referenzliste verknuepfter Messtellen");
    EXPECT_GT(dir.DirDat().GetTime(ref), 0);
    std::vector<std::string> report;
    dir.CheckReport(report);
    const auto unlinked = std::find_if(report.begin(), report.end(),
                                       [](const std::string& l) { return l.rfind("Nicht verlinkte", 0) == 0; });
    ASSERT_NE(unlinked, report.end());
    EXPECT_EQ(report.end() - unlinked, 2) << "nothing unlinked and no foreign file: " << report.back();
    dir.Close();
}

TEST_F(DemoProject, OriginalPagesLieBelowTheirTypicalsWithBitmaps) {
    TKorDirFile dir;
    OpenCatalogue(dir, result_->originalDir);
    std::vector<std::string> originals;
    dir.ListChildren(FolderKey({kOriginalLevel}), dirref::kFolder, originals);
    std::set<std::string> expected;
    for (const TTypical& t : Typicals()) expected.insert(t.name);
    EXPECT_EQ(std::set<std::string>(originals.begin(), originals.end()), expected);
    for (const TTypical& t : Typicals()) {
        std::vector<std::string> pages;
        dir.ListChildren(FolderKey({kOriginalLevel, t.name}), dirref::kDrawing, pages);
        ASSERT_EQ(pages.size(), t.pages.size()) << t.name;
        for (size_t p = 0; p < pages.size(); ++p) {
            SCOPED_TRACE(t.name + "-" + pages[p]);
            EXPECT_EQ(pages[p], std::to_string(p + 1));
            const int32_t entry = dir.Locate(DrawingKey({kOriginalLevel, t.name, pages[p]}));
            ASSERT_GT(entry, 0);
            // The page's description is the processing function automatic
            // assignment matches against MESSTELLE 12110.
            EXPECT_EQ(dir.DirDat().GetText(entry), t.description);
            TKorDrawing page;
            page.SetProject(result_->originalDir);
            page.SetFileName(TKorDirFile::EntryFileName(entry));
            uint32_t stored = 0, computed = 1;
            ASSERT_TRUE(page.CheckCrc(stored, computed));
            page.Open();
            ASSERT_GT(page.Symbols().Count(), 1);
            EXPECT_EQ(std::make_pair(page.SymbolAt(0)->SymbolType(), page.SymbolAt(0)->GetCode(76)),
                      std::make_pair(9, t.planType));
            QImage bitmap;
            const std::string bmp = result_->originalDir + "bitmap/" + t.name + "-" + pages[p] + ".bmp";
            ASSERT_TRUE(bitmap.load(QString::fromStdString(bmp), "BMP")) << bmp;
            EXPECT_EQ(bitmap.size(), QSize(1400, 990));
        }
    }
    dir.Close();
}

TEST_F(DemoProject, ProjectIniNamesTheLevelsAndTheMasterDatabase) {
    const std::string ini = ReadText(result_->projectDir + "project.ini");
    const std::string folder = fs::path(result_->masterDir).parent_path().parent_path().string();
    for (const std::string& part : {std::string("[RVK]\r\nLevelCount=4\r\nLevel1=<ANLAGE:Bereich>\r\nLevel2=<MESSTELLE:Bezeichner_Anlage>\r\n"),
                                    "[CableDataBase]\r\nProjectPath=" + folder + "\r\nProjectName=Stammkabel.pro\r\nName1=AUC_SYSTEM\r\n"})
        EXPECT_NE(ini.find(part), std::string::npos) << part;
    // The master project the cable module would open from those settings.
    EXPECT_TRUE(fs::exists(folder + "/" + kMasterFolder + "/Dir.ref"));
}

TEST(DemoSettings, IniTextIsVerbatimWithCrLf) {
    const std::string text = FormatIni({{"A", {{"Key", "a value, \"as is\""}, {"Empty", ""}}}, {"B", {}}});
    EXPECT_EQ(text, "[A]\r\nKey=a value, \"as is\"\r\nEmpty=\r\n\r\n[B]\r\n");
    for (const TIniSection& bad : {TIniSection{"A]", {}}, TIniSection{"A", {{"K=1", "v"}}},
                                   TIniSection{"A", {{"K", "two\nlines"}}}, TIniSection{"", {}}})
        EXPECT_THROW(FormatIni({bad}), std::invalid_argument) << bad.name;
}

TEST(DemoSettings, OriginalFoldersThatBreakOrigPathAreNamed) {
    for (const auto& [folder, warnings] : std::vector<std::pair<std::string, size_t>>{
             {"/home/kim/KorinPro/Originale/", 0}, {"/home/kim/Meine Projekte/Originale/", 1},
             {"/data/a,b/Originale/", 1}, {std::string(137 - 22, 'x'), 0}, {std::string(137 - 21, 'x'), 1}})
        EXPECT_EQ(OriginalFolderWarnings(folder).size(), warnings) << folder;
}

TEST(DemoGenerate, ExistingFoldersAreReplacedOnlyWhenAsked) {
    TempDir dir;
    TDemoOptions options{.measurePoints = 5};
    Generate(dir.Path(), options);
    EXPECT_EQ(korin::testing::MessageOf([&] { Generate(dir.Path(), options); }),
              "Demo: Der Ordner " + dir.Path() + "Demo existiert bereits und ist nicht leer.");
    options = {.measurePoints = 7, .replace = true};
    EXPECT_EQ(Generate(dir.Path(), options).measurePoints, 7);
    EXPECT_EQ(TOpenTable(dir.Path() + "Demo/", {"AUC_SYSTEM", "MESSTELLE"}).table.HeaderRecordCount(), 7);
    // A folder that is not a project is never removed.
    TempDir other;
    fs::create_directories(other.Path() + "Originale");
    korin::testing::WriteText(other.Path() + "Originale/notes.txt", "mine");
    EXPECT_THROW(Generate(other.Path(), options), Exception);
    EXPECT_EQ(ReadText(other.Path() + "Originale/notes.txt"), "mine");
    EXPECT_FALSE(fs::exists(other.Path() + "Demo"));
}

TEST(DemoGenerate, TheUnadaptedProjectLeavesTheAdaptationItsWork) {
    TempDir dir;
    const TDemoResult result = Generate(dir.Path(), {.measurePoints = 8, .adapted = false});
    EXPECT_FALSE(TOpenTable(result.projectDir, {"AUC_SYSTEM", "PRO_DOKU", "MSR_REF"}).Found());
    TOpenTable mp(result.projectDir, {"AUC_SYSTEM", "MESSTELLE"});
    ASSERT_TRUE(mp.Found());
    for (int32_t id : kAdaptedMeasurePointIds) EXPECT_LT(mp.table.FieldDefs().IndexOfId(id), 0) << id;
}

// korintool demo: the project folder printed, the options taken.
TEST(DemoTool, WritesTheDemoAndPrintsTheProjectFolder) {
    TempDir dir;
    const auto run = korin::testing::RunTool({"demo", dir.Path() + "out", "--seed", "5", "--measure-points", "12"});
    ASSERT_EQ(std::make_pair(run.exitCode, run.out), std::make_pair(0, dir.Path() + "out/Demo\n")) << run.err;
    EXPECT_EQ(TOpenTable(dir.Path() + "out/Demo/", {"AUC_SYSTEM", "MESSTELLE"}).table.HeaderRecordCount(), 12);
}

TEST(DemoTool, RefusesBadArguments) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"demo"}, {"demo", dir.Path(), "--measure-points", "0"},
          {"demo", dir.Path(), "--seed", "x"}, {"demo", dir.Path(), "--colour"}, {"demo", dir.Path(), dir.Path()},
          {"demo", dir.Path(), "--seed"}}) {
        const auto run = korin::testing::RunTool(args);
        EXPECT_EQ(run.exitCode, 2) << args.back();
        EXPECT_TRUE(run.out.empty());
    }
    korin::testing::WriteText(dir.Path() + "Demo", "a file where the project should go");
    const auto run = korin::testing::RunTool({"demo", dir.Path()});
    EXPECT_EQ(std::make_pair(run.exitCode, run.err),
              std::make_pair(1, "Demo: Der Ordner " + dir.Path() + "Demo existiert bereits und ist nicht leer.\n"));
}

}  // namespace
}  // namespace korin::demo
