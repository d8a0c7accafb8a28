// The original lists read from a small original project below a chosen entry,
// and the lists as the settings keep them.
#include <gtest/gtest.h>

#include "msr/msr_originals.h"
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
    struct Case {
        TKeyList level;
        std::vector<std::string> list, info;
    };
    const Case cases[] = {
        {FolderKey({"TYPICALS"}), {"A," + d + "," + a1 + "," + a2, "B," + d + "," + b1}, {"Druck", "", "Temperatur"}},
        {FolderKey({"LEER"}), {"C," + d}, {}},
        {FolderKey({"TYPICALS", "A"}), {}, {}},           // pages only, no folder
        {DrawingKey({"TYPICALS", "Notiz"}), {}, {}},      // a page chosen as the level
    };
    for (const Case& c : cases) {
        const msr::TOriginalLists lists = msr::BuildOriginalListsBelow(d, c.level);
        EXPECT_EQ(std::make_pair(lists.origList, lists.origInfo), std::make_pair(c.list, c.info)) << c.level.back();
    }
    EXPECT_EQ(msr::BuildOriginalLists(d, {"TYPICALS"}).origList, cases[0].list);
}

TEST(OriginalLists, SettingTextGivesBackEveryItem) {
    const std::vector<std::vector<std::string>> lists = {
        {}, {""}, {"Druck", ""}, {"", "a b", "x,\"y\"", ""},
        {"TYP_FI,/data/Originale/,000008", "TYP_MO,/data/Originale/,000017,000018"}};
    for (const auto& list : lists)
        EXPECT_EQ(msr::ListFromSetting(msr::ListSetting(list)), list) << msr::ListSetting(list);
}

}  // namespace
}  // namespace korin::testing
