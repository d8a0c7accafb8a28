// The original lists read from a small original project below a chosen entry,
// the lists as the settings keep them, and reconciliation naming the pages it
// registers under a name of the window's original list.
#include <gtest/gtest.h>

#include <filesystem>

#include "msr/msr_comma_text.h"
#include "msr/msr_originals.h"
#include "msr/msr_reconcile.h"
#include "project/kor_dir_file.h"
#include "test_support.h"

namespace korin::testing {
namespace {

TEST(OriginalLists, EveryFolderBelowTheChosenEntryIsOneOriginal) {
    TempDir orig;
    TKorDirFile cat;
    cat.SetProject(orig.Path());
    cat.CreateCatalogue();
    cat.Open();
    cat.CreateEntry("", FolderKey({"TYPICALS"}));
    cat.CreateEntry("", FolderKey({"TYPICALS", "A"}));
    const std::string a1 = cat.CreateEntry("Druck", DrawingKey({"TYPICALS", "A", "1"}));
    const std::string a2 = cat.CreateEntry("", DrawingKey({"TYPICALS", "A", "2"}));
    cat.CreateEntry("", FolderKey({"TYPICALS", "B"}));
    const std::string b1 = cat.CreateEntry("Temperatur", DrawingKey({"TYPICALS", "B", "1"}));
    cat.CreateEntry("", DrawingKey({"TYPICALS", "Notiz"}));
    cat.CreateEntry("", FolderKey({"LEER", "C"}));
    cat.Close();

    const std::string d = orig.Path();
    const TKeyList typicals = FolderKey({"TYPICALS"});
    struct Case {
        TKeyList level;
        std::vector<std::string> list, info;
    };
    const Case cases[] = {
        {typicals, {"A," + d + "," + a1 + "," + a2, "B," + d + "," + b1}, {"Druck", "", "Temperatur"}},
        {FolderKey({"LEER"}), {"C," + d}, {}},
        {FolderKey({"TYPICALS", "A"}), {}, {}},           // pages only, no folder
        {DrawingKey({"TYPICALS", "Notiz"}), {}, {}},      // a page chosen as the level
        {FolderKey({"FEHLT"}), {}, {}},
    };
    for (const Case& c : cases) {
        const msr::TOriginalLists lists = msr::BuildOriginalListsBelow(d, c.level);
        EXPECT_EQ(lists.origList, c.list) << c.level.back();
        EXPECT_EQ(lists.origInfo, c.info) << c.level.back();
    }
    EXPECT_EQ(msr::BuildOriginalLists(d, {"TYPICALS"}).origList, cases[0].list);
}

TEST(OriginalLists, SettingTextGivesBackEveryItem) {
    const std::vector<std::vector<std::string>> lists = {
        {},
        {""},
        {"Druck", ""},
        {"", "a b", "x,\"y\"", ""},
        {"TYP_FI,/data/Originale/,000008", "TYP_MO,/data/Originale/,000017,000018"},
    };
    for (const auto& list : lists)
        EXPECT_EQ(msr::ListFromSetting(msr::ListSetting(list)), list) << msr::ListSetting(list);
}

// A measure point that lost its DRAWING gets its pages registered again under
// its plan type; a name of the original list counts from the second item on.
TEST(Reconcile, ReportsRegisteredNamesOfTheOriginalListAfterItsFirstItem) {
    TempDir master;
    const ToolResult demo = RunTool({"demo", master.Path(), "--measure-points", "3", "--seed", "5"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    for (const bool first : {true, false}) {
        TempDir copy;
        std::filesystem::copy(master.Path(), copy.Path(), std::filesystem::copy_options::recursive);
        msr::TMsrProject p(copy.Path() + "Demo/");
        ASSERT_TRUE(p.mpoint.First());
        const std::string plan = p.mpoint.GetFieldById(msr::field::kPlanType);
        ASSERT_FALSE(msr::SplitCommaText(p.mpoint.GetFieldById(msr::field::kDrawing)).empty());
        for (int32_t id : {msr::field::kDrawing, msr::field::kOriginal, msr::field::kOrigPath})
            p.mpoint.SetFieldById(id, "");
        const std::vector<std::string> list =
            first ? std::vector<std::string>{plan + "-1", "x"} : std::vector<std::string>{"x", plan + "-1"};
        const msr::TReconcileResult r = msr::Reconcile(p, {}, list);
        EXPECT_GE(r.registered, 1);
        EXPECT_EQ(r.found, first ? std::vector<std::string>{} : std::vector<std::string>{plan + "-1"});
    }
}

}  // namespace
}  // namespace korin::testing
