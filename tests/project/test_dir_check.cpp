// The catalogue's consistency report and the repair of its free chain.
#include <sys/stat.h>

#include "project_fixture.h"
#include "store/le.h"

namespace korin::testing {
namespace {

std::vector<std::string> Numbers(int32_t from, int32_t to, const std::string& suffix = "") {
    std::vector<std::string> out;
    for (int32_t i = from; i <= to; ++i) out.push_back(TKorDirFile::EntryFileName(i) + suffix);
    return out;
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class CheckTest : public ProjectTest {
protected:
    // Writes a 32-bit word of a node straight into the mapped catalogue.
    void Poke(int32_t node, int32_t offset, int32_t v) { le::PutI32(cat.View() + 64 * node + offset, v); }
    int32_t Peek(int32_t node, int32_t offset) { return le::I32(cat.View() + 64 * node + offset); }
};

TEST_F(CheckTest, ARingInTheFreeChainIsReportedAndRepaired) {
    cat.CreateEntry("", FolderKey({"A"}));
    Poke(8, 4, 3);  // the last free entry points back to an earlier one
    // The walk stops after N = 9 steps: 2 … 8, then 3 and 4 a second time,
    // which the report then counts as entries in use linked as free.
    EXPECT_EQ(Report(), Join({{kFree}, Numbers(2, 8), kRingLines, {kUnlinked},
                              {"000003: Dieser Eintrag ist belegt: ", "000004: Dieser Eintrag ist belegt: "},
                              {kForeign}}));
    cat.RepairFreeChain();
    EXPECT_EQ(cat.Nodes().GetNextFree(), 2);
    for (int32_t k = 2; k <= 9; ++k) EXPECT_EQ(Peek(k, 4), k < 9 ? k + 1 : 0) << k;
    EXPECT_EQ(Report(), Join({{kFree}, Numbers(2, 8), {kUnlinked, kForeign}}));
    EXPECT_EQ(cat.Verify(), "");
}

TEST_F(CheckTest, EntriesInUseOnTheChainAndUnlinkedFreeEntries) {
    // Texts with a blank, a comma and quotes are quoted in the report.
    cat.CreateEntry("", {FolderPart("Anlage Nord"), FolderPart("x,\"y\"")});
    cat.Nodes().SetNextFree(2);  // the chain runs 2 → 1 → 0 through entries in use
    const std::string a = "\"Anlage Nord\"";
    EXPECT_EQ(Report(), Join({{kFree},
                              Numbers(3, 16),
                              {kUnlinked, "000001: Dieser Eintrag ist belegt: " + a,
                               "000002: Dieser Eintrag ist belegt: " + a + ",\"x,\"\"y\"\"\""},
                              Numbers(3, 16, ": Alter Eintrag: "),
                              {kForeign}}));
    cat.RepairFreeChain();
    EXPECT_EQ(cat.Nodes().GetNextFree(), 3);
    EXPECT_EQ(cat.Verify(), "");
    EXPECT_EQ(Section(Report(), kUnlinked), std::vector<std::string>{});
}

TEST_F(CheckTest, TheChainWalkStopsAtAnEntryOutsideTheFile) {
    cat.CreateEntry("", FolderKey({"A"}));
    Poke(4, 4, 5000);
    EXPECT_EQ(Section(Report(), kUnlinked), Numbers(5, 8, ": Alter Eintrag: "));
    cat.RepairFreeChain();
    EXPECT_EQ(cat.Verify(), "");
}

TEST_F(CheckTest, AFreedEntryDroppedFromTheChainIsUnlinked) {
    cat.CreateEntry("", {FolderPart("A"), FolderPart("B")});  // 1, 2
    cat.CreateEntry("", {FolderPart("A"), FolderPart("C")});  // 3
    TKeyList key = {FolderPart("A"), FolderPart("C")};
    cat.DeleteKeys(key);  // 3 heads the chain, its Up the former head 4
    cat.Nodes().SetNextFree(4);  // and is dropped from it
    // Up of 3 was reused for the chain, so no path of the old key is left.
    const auto report = Report();
    EXPECT_EQ(Section(report, kFree), Numbers(3, 16));
    EXPECT_EQ(Section(report, kUnlinked), std::vector<std::string>{"000003: Alter Eintrag: "});
}

TEST_F(CheckTest, NumberedFilesWithoutAnOwningEntryAreForeign) {
    std::string sched, sys, data, key;
    cat.CreateScheduleEntries({"F"}, sched, sys);           // 1 F, 2, 3
    cat.CreateTableEntries({"F", "T"}, "", data, key);      // 4 T, 5, 6
    const std::string page = cat.CreateEntry("", DrawingKey({"F", "P"}));  // 7
    for (const std::string& f : {data, key, page}) WriteText(dir / f, "x");
    // The table entry owns no file; neither does a folder.
    for (const char* f : {"000004", "000001", "000050", "999999"}) WriteText(dir / f, "x");
    for (const char* f : {"000001.bak", "12345", "1234567", "abcdef", "00001a", "dir.ref"})
        WriteText(dir / f, "x");
    ::mkdir((dir / "000077").c_str(), 0755);
    EXPECT_EQ(Section(Report(), kForeign),
              (std::vector<std::string>{"000001", "000004", "000050", "000077", "999999"}));
}

TEST_F(CheckTest, RepairEndsTheChainAtTheHighWaterEntry) {
    for (int i = 1; i <= 8; ++i) cat.CreateEntry("", FolderKey({"F" + std::to_string(i)}));
    ASSERT_EQ(cat.Nodes().GetNextFree(), 9);  // every whole node is in use
    // Without free entries the chain starts at the high-water entry.
    cat.Nodes().SetNextFree(0);
    cat.RepairFreeChain();
    EXPECT_EQ(cat.Nodes().GetNextFree(), 9);
    TKeyList three = FolderKey({"F3"});
    cat.DeleteKeys(three);
    Poke(3, 4, 0);   // a chain ending in 0 …
    Poke(9, 4, 5);   // … and a stray link in the never-used entry
    cat.RepairFreeChain();
    EXPECT_EQ(std::make_tuple(cat.Nodes().GetNextFree(), Peek(3, 4), Peek(9, 4)), std::make_tuple(3, 9, 0));
    EXPECT_EQ(cat.Verify(), "");
    // Allocation goes on behind the last entry: no entry in use is taken.
    for (int i = 10; i <= 13; ++i) cat.CreateEntry("", FolderKey({"F" + std::to_string(i)}));
    EXPECT_EQ(cat.Verify(), "");
    for (auto [name, entry] : std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {10, 3}, {11, 9}})
        EXPECT_EQ(cat.Locate(FolderKey({"F" + std::to_string(name)})), entry) << name;
}

TEST_F(CheckTest, RepairTouchesNothingButTheChain) {
    const auto fresh = ReadBytes(dir / "Dir.ref");
    cat.RepairFreeChain();
    EXPECT_EQ(ReadBytes(dir / "Dir.ref"), fresh) << "a sound fresh catalogue";
    std::string data, key;
    cat.CreateTableEntries({"F", "T1"}, "", data, key);
    cat.CreateTableEntries({"F", "T2"}, "", data, key);
    cat.DeleteTable({"F", "T1"});
    const auto before = ReadBytes(dir / "Dir.ref");
    cat.RepairFreeChain();
    const auto after = ReadBytes(dir / "Dir.ref");
    ASSERT_EQ(before.size(), after.size());
    const auto& used = cat.UsedEntries().Values();
    for (int32_t k = 1; k < static_cast<int32_t>(before.size() / 64); ++k) {
        const bool inUse = std::binary_search(used.begin(), used.end(), k);
        for (int32_t b = 0; b < 64; ++b) {
            if (!inUse && b >= 4 && b < 8) continue;  // a free entry's link
            ASSERT_EQ(before[64 * k + b], after[64 * k + b]) << k << " " << b;
        }
    }
    EXPECT_EQ(cat.Verify(), "");
}

}  // namespace
}  // namespace korin::testing
