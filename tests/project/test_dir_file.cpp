// The catalogue: entries and their "Dir.dat" records, paths, tables and
// folders, bookkeeping, and what opening makes of damaged files.
#include <gtest/gtest.h>

#include <ctime>

#include "project/kor_dir_file.h"
#include "project/kor_sys_table.h"
#include "project_fixture.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/le.h"
#include "test_support.h"

namespace korin::testing {
namespace {

std::vector<int32_t> Values(const TIntList& list) { return list.Values(); }

class DirFileTest : public ProjectTest {
protected:
    // Closes the catalogue and writes one word of a node of "Dir.ref"; returns the new bytes.
    std::vector<uint8_t> Damage(int32_t node, int32_t offset, int32_t v) {
        cat.Close();
        auto ref = ReadBytes(dir / "Dir.ref");
        le::PutI32(ref.data() + 64 * node + offset, v);
        WriteBytes(dir / "Dir.ref", ref);
        return ref;
    }
    void OpenSysTable(TKorSysTable& t, const std::string& sched, const std::string& sys) {
        t.SetProject(dir.Path());
        t.Schedule().SetFileName(sched);
        t.SetFileName(sys);
        t.Open();
    }
};

TEST_F(DirFileTest, ANewCatalogueIsHeaderAndOneZeroRecordAndCreateEntryGrowsDirDatFirst) {
    const auto ref = ReadBytes(dir / "Dir.ref");
    ASSERT_EQ(ref.size(), 72u);
    for (size_t i = 0; i < ref.size(); ++i) EXPECT_EQ(ref[i], i == 4 ? 1 : 0) << i;
    EXPECT_EQ(ReadBytes(dir / "Dir.dat"), std::vector<uint8_t>(90, 0));
    EXPECT_EQ(Values(cat.UsedEntries()), std::vector<int32_t>{0});
    // A new entry grows both files and is stamped.
    const int32_t before = LocalTimeStamp();
    EXPECT_EQ(cat.CreateEntry("Anlage Nord", FolderKey({"A"})), "000001");
    const int32_t after = LocalTimeStamp();
    EXPECT_EQ(ReadBytes(dir / "Dir.ref").size(), 72u + 8 * 64);
    const auto dat = ReadBytes(dir / "Dir.dat");
    ASSERT_EQ(dat.size(), 810u);
    EXPECT_TRUE(cat.DirDat().GetTime(1) >= before && cat.DirDat().GetTime(1) <= after);
    EXPECT_EQ(cat.DirDat().GetText(1), "Anlage Nord");
    cat.CreateEntry(std::string(100, 'L'), FolderKey({"B"}));
    EXPECT_EQ(cat.DirDat().GetText(2), std::string(80, 'L'));
    // The grown records are zeros: no time, no text.
    for (size_t i = 3 * 90; i < dat.size(); ++i) ASSERT_EQ(dat[i], 0) << i;
    EXPECT_EQ(cat.EntryEvaluate(1), 0);
    // A key that exists creates nothing.
    EXPECT_EQ(cat.CreateEntry("x", FolderKey({"A"})), "000000");
    EXPECT_EQ(std::make_pair(cat.CreatedEntries().Count(), cat.DirDat().GetText(1)), std::make_pair(0, std::string("Anlage Nord")));
}

TEST_F(DirFileTest, EntriesAreNumberedInCreationAndFoundByTheirPath) {
    EXPECT_EQ(cat.CreateEntry("", {FolderPart("A"), FolderPart("B"), DrawingPart("P1")}), "000003");
    EXPECT_EQ(Values(cat.CreatedEntries()), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(std::make_pair(cat.EntryType(3), cat.EntryType(4)), std::make_pair(int32_t{dirref::kDrawing}, -1));  // 4 is free
    EXPECT_EQ(cat.CreateEntry("", {FolderPart("A"), FolderPart("B"), DrawingPart("P2")}), "000004");
    EXPECT_EQ(Values(cat.CreatedEntries()), std::vector<int32_t>{4});
    // Locate gives the entry number, not a record; the type byte counts.
    EXPECT_EQ(cat.Locate({FolderPart("A"), FolderPart("B")}), 2);
    EXPECT_EQ(cat.LastFoundFileName(), "000002");
    EXPECT_EQ(cat.Locate({FolderPart("A"), DrawingPart("B")}), -1);
    EXPECT_EQ(cat.LastFound(), -1);
    // A path has at most seven texts.
    std::vector<std::string> eight = {"L1", "L2", "L3", "L4", "L5", "L6", "L7", "L8"};
    cat.CreateEntry("", FolderKey(eight));
    const int32_t l1 = cat.Locate(FolderKey({"L1"}));
    std::vector<std::string> path;
    cat.EntryPath(l1 + 6, path);
    EXPECT_EQ(path, std::vector<std::string>(eight.begin(), eight.begin() + 7));
    for (int32_t none : {l1 + 7, 0, 100000}) {
        cat.EntryPath(none, path);
        EXPECT_TRUE(path.empty()) << none;
    }
}

TEST_F(DirFileTest, TableEntriesWithoutScheduleLeaveNoSystemTable) {
    std::string data, key;
    ASSERT_TRUE(cat.CreateTableEntries({"AUC_SYSTEM", "MESSTELLE"}, "Messstellen", data, key));
    EXPECT_EQ(data + key + cat.DirDat().GetText(2), "000003000004Messstellen");
    EXPECT_EQ(cat.EntryType(2), dirref::kTable);
    std::string d2, k2;
    EXPECT_TRUE(cat.TableFiles({"AUC_SYSTEM", "MESSTELLE"}, d2, k2));
    EXPECT_EQ(d2 + k2, "000003000004");
    // Nothing was made on disk: the table's files are the caller's.
    for (const std::string& name : path::ListDirectory(dir.Path()))
        EXPECT_TRUE(name == "Dir.ref" || name == "Dir.dat") << name;
    const auto refBefore = ReadBytes(dir / "Dir.ref");
    const auto datBefore = ReadBytes(dir / "Dir.dat");
    EXPECT_FALSE(cat.CreateTableEntries({"AUC_SYSTEM", "MESSTELLE"}, "anders", data, key));
    EXPECT_TRUE(data.empty() && key.empty());
    EXPECT_EQ(ReadBytes(dir / "Dir.ref"), refBefore);
    EXPECT_EQ(ReadBytes(dir / "Dir.dat"), datBefore);
}

TEST_F(DirFileTest, TableFilesNeedsBothFileEntries) {
    cat.CreateEntry("", {FolderPart("AUC_SYSTEM"), TablePart("MESSTELLE"), DataFilePart()});
    std::string data = "x", key = "y";
    EXPECT_FALSE(cat.TableFiles({"AUC_SYSTEM", "MESSTELLE"}, data, key));
    EXPECT_EQ(std::make_pair(data, key), std::make_pair(std::string("000003"), std::string()));
    EXPECT_FALSE(cat.TableFiles({"AUC_SYSTEM", "KABEL"}, data, key));
    EXPECT_EQ(data + key, "");
}

TEST_F(DirFileTest, ScheduleEntriesCreateTheFolderPairOnce) {
    std::string sched, sys;
    ASSERT_TRUE(cat.CreateScheduleEntries({"AUC_SYSTEM"}, sched, sys));
    EXPECT_EQ(sched + sys, "000002000003");
    EXPECT_EQ(std::make_pair(ReadBytes(dir / "000002").size(), ReadBytes(dir / "000003").size()),
              std::make_pair(size_t{72}, size_t{1024}));
    std::string s2 = "x", y2 = "y";
    EXPECT_FALSE(cat.CreateScheduleEntries({"AUC_SYSTEM"}, s2, y2));
    EXPECT_EQ(s2 + y2, "");  // nothing is returned
    std::string data, key;
    ASSERT_TRUE(cat.CreateTableEntries({"AUC_SYSTEM", "ANLAGE"}, "", data, key));
    TKorSysTable table;
    OpenSysTable(table, sched, sys);
    EXPECT_EQ(std::make_tuple(table.AddedCount(), table.SlotName(0), table.SlotDataFile(0), table.SlotKeyFile(0)),
              std::make_tuple(1, std::string("ANLAGE"), std::stoi(data), std::stoi(key)));
}

TEST_F(DirFileTest, DeleteTableRemovesFilesEntriesAndSlot) {
    std::string sched, sys, data, key;
    cat.CreateScheduleEntries({"AUC_SYSTEM"}, sched, sys);
    cat.CreateTableEntries({"AUC_SYSTEM", "ANLAGE"}, "", data, key);
    cat.CreateTableEntries({"AUC_SYSTEM", "KABEL"}, "", data, key);
    WriteText(dir / data, "table");
    WriteText(dir / key, "keys");
    const int32_t table = cat.Locate(TableKey({"AUC_SYSTEM", "KABEL"}));
    cat.DeleteTable({"AUC_SYSTEM", "KABEL"});
    EXPECT_FALSE(path::FileExists(dir / data) || path::FileExists(dir / key));
    EXPECT_EQ(cat.Locate(TableKey({"AUC_SYSTEM", "KABEL"})), -1);
    auto released = Values(cat.ReleasedEntries());
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (std::vector<int32_t>{table, std::stoi(data), std::stoi(key)}));
    std::string d, k;
    EXPECT_TRUE(cat.TableFiles({"AUC_SYSTEM", "ANLAGE"}, d, k));
    TKorSysTable st;
    OpenSysTable(st, sched, sys);
    EXPECT_EQ(std::make_pair(st.SlotState(0), st.SlotState(1)), std::make_pair(1, 0));
    EXPECT_EQ(st.Schedule().Locate({KeyPart('C', 0, "SYSTABLE"), KeyPart('C', 0, "KABEL")}), -1);
    EXPECT_GT(st.Schedule().Locate({KeyPart('C', 0, "SYSTABLE"), KeyPart('C', 0, "ANLAGE")}), 0);
    EXPECT_EQ(cat.Verify(), "");
}

TEST_F(DirFileTest, DeleteFolderKeepsDrawingsAndSubFolders) {
    std::string sched, sys, data, key;
    cat.CreateScheduleEntries({"F"}, sched, sys);
    std::vector<std::string> files = {sched, sys};
    for (const char* t : {"T1", "T2", "T3"}) {
        cat.CreateTableEntries({"F", t}, "", data, key);
        files.push_back(data);
        files.push_back(key);
    }
    for (const auto& f : files) WriteText(dir / f, f);
    const std::string drawing = cat.CreateEntry("", DrawingKey({"F", "Seite"}));
    WriteText(dir / drawing, "page");
    cat.CreateTableEntries({"F", "SUB", "T9"}, "", data, key);
    const int32_t folder = cat.Locate(FolderKey({"F"}));
    cat.DeleteFolder({"F"});
    for (const auto& f : files) EXPECT_FALSE(path::FileExists(dir / f)) << f;
    EXPECT_TRUE(path::FileExists(dir / drawing));
    EXPECT_EQ(cat.Locate(DrawingKey({"F", "Seite"})), std::stoi(drawing));
    EXPECT_EQ(cat.Locate(FolderKey({"F"})), folder);
    std::string d, k;
    EXPECT_TRUE(cat.TableFiles({"F", "SUB", "T9"}, d, k));
    for (const char* t : {"T1", "T2", "T3"}) EXPECT_FALSE(cat.TableFiles({"F", t}, d, k));
    // Every entry let go of, not just those of the last table.
    EXPECT_EQ(cat.ReleasedEntries().Count(), 2 + 3 * 3);
    EXPECT_EQ(cat.Verify(), "");
}

TEST_F(DirFileTest, ListChildrenByTypeInKeyOrder) {
    for (const char* name : {"T2", "T10", "T1"}) {
        std::string d, k;
        cat.CreateTableEntries({"F", name}, "", d, k);
    }
    cat.CreateEntry("", DrawingKey({"F", "P"}));
    cat.CreateEntry("", FolderKey({"E"}));
    std::vector<std::string> names;
    cat.ListChildren(FolderKey({"F"}), dirref::kTable, names);
    EXPECT_EQ(names, (std::vector<std::string>{"T1", "T2", "T10"}));
    cat.ListChildren(FolderKey({"F"}), dirref::kDrawing, names);
    EXPECT_EQ(names, std::vector<std::string>{"P"});
    cat.ListChildren({}, dirref::kFolder, names);
    EXPECT_EQ(names, (std::vector<std::string>{"E", "F"}));
    cat.ListChildren(FolderKey({"X"}), dirref::kTable, names);
    EXPECT_TRUE(names.empty());
}

TEST_F(DirFileTest, ListingsFromTheStartNode) {
    cat.CreateEntry("eins", DrawingKey({"F", "P1"}));
    cat.CreateEntry("zwei", DrawingKey({"F", "P2"}));
    cat.CreateEntry("", DrawingKey({"F", "G", "P3"}));
    ASSERT_TRUE(cat.SetStart(FolderKey({"F"})));
    std::vector<std::string> texts;
    cat.ListLevelTexts(texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"", "eins", "zwei"}));  // G, P1, P2
    std::vector<std::string> files;
    cat.ListDrawingFiles(files);
    EXPECT_EQ(files, (std::vector<std::string>{"000005", "000002", "000003"}));
}

TEST_F(DirFileTest, ResultsHoldEveryEntryInWalkOrder) {
    cat.CreateEntry("", DrawingKey({"B", "P"}));
    cat.CreateEntry("", FolderKey({"A"}));
    cat.CreateEntry("", FolderKey({"C"}));
    // Walk order: Left, Down, the entry, Right.
    EXPECT_EQ(cat.Results().Values(), (std::vector<int32_t>{3, 2, 1, 4}));
    int32_t n = 0;
    for (bool ok = cat.First(); ok; ok = cat.Next()) ++n;
    EXPECT_EQ(n, 4);
    std::vector<TDirTreeEntry> tree;
    cat.ListTree(tree);
    ASSERT_EQ(tree.size(), 4u);
    EXPECT_EQ(std::make_pair(tree[2].name, tree[2].depth), std::make_pair(std::string("P"), 1));
}

TEST_F(DirFileTest, UsedEntriesFollowCreationAndDeletion) {
    cat.CreateEntry("", DrawingKey({"F", "P1"}));
    cat.CreateEntry("", DrawingKey({"F", "P2"}));
    EXPECT_EQ(Values(cat.UsedEntries()), (std::vector<int32_t>{0, 1, 2, 3}));
    cat.DeleteDrawing({"F", "P1"});
    EXPECT_EQ(Values(cat.UsedEntries()), (std::vector<int32_t>{0, 1, 3}));
    EXPECT_EQ(Values(cat.ReleasedEntries()), std::vector<int32_t>{2});
    // Deleting it again changes nothing.
    const auto ref = ReadBytes(dir / "Dir.ref");
    cat.DeleteDrawing({"F", "P1"});
    EXPECT_EQ(std::make_pair(ReadBytes(dir / "Dir.ref"), cat.ReleasedEntries().Count()), std::make_pair(ref, 0));
    // The freed entry is reused first.
    cat.CreateEntry("", DrawingKey({"F", "P9"}));
    EXPECT_EQ(Values(cat.CreatedEntries()), std::vector<int32_t>{2});
    Reopen();
    EXPECT_EQ(Values(cat.UsedEntries()), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST_F(DirFileTest, EvaluateMarksOfEntries) {
    cat.CreateEntry("", DrawingKey({"F", "P"}));
    cat.SetEntryValid(2, false);
    EXPECT_EQ(std::make_pair(cat.EntryEvaluate(2), int{ReadBytes(dir / "Dir.ref")[64 * 2 + 61]}), std::make_pair(1, 1));
    cat.SetEntryValid(2, true);
    EXPECT_EQ(cat.EntryEvaluate(2), 0);
    EXPECT_THROW(cat.SetEntryValid(0, true), Exception);
    WriteText(dir / "000002", "page");
    cat.DeleteDrawing({"F", "P"});
    EXPECT_FALSE(path::FileExists(dir / "000002"));
    EXPECT_EQ(cat.EntryEvaluate(2), 1);  // set before the release; a release keeps it
    // Deleting a drawing whose file is gone still deletes its key.
    cat.CreateEntry("", DrawingKey({"F", "Q"}));
    cat.DeleteDrawing({"F", "Q"});
    EXPECT_EQ(cat.Locate(DrawingKey({"F", "Q"})), -1);
}

TEST_F(DirFileTest, OpenCreatesAMissingDirDatAndExtendsAShortOne) {
    cat.CreateEntry("", DrawingKey({"F", "P"}));
    cat.Close();
    path::RemoveFile(dir / "Dir.dat");
    cat.Open();
    EXPECT_TRUE(cat.DirDat().IsOpen());
    EXPECT_EQ(ReadBytes(dir / "Dir.dat"), std::vector<uint8_t>(90 * 17, 0));
    // New entries are stamped into it; a short one keeps what it holds.
    cat.CreateEntry("alt", DrawingKey({"F", "Q"}));
    EXPECT_EQ(cat.DirDat().GetText(3), "alt");
    cat.Close();
    auto dat = ReadBytes(dir / "Dir.dat");
    dat.resize(3 * 90 + 10);
    WriteBytes(dir / "Dir.dat", dat);
    cat.Open();
    const auto grown = ReadBytes(dir / "Dir.dat");
    ASSERT_EQ(grown.size(), 90u * 17);
    EXPECT_TRUE(std::equal(dat.begin(), dat.end(), grown.begin()));
    EXPECT_EQ(cat.DirDat().GetText(3), "alt");
}

TEST_F(DirFileTest, NamesInOtherLetterCaseAreTaken) {
    cat.CreateEntry("text", FolderKey({"F"}));
    cat.Close();
    ASSERT_EQ(::rename((dir / "Dir.ref").c_str(), (dir / "DIR.REF").c_str()), 0);
    ASSERT_EQ(::rename((dir / "Dir.dat").c_str(), (dir / "dir.dat").c_str()), 0);
    cat.Open();
    EXPECT_EQ(std::make_pair(cat.Locate(FolderKey({"F"})), cat.DirDat().GetText(1)), std::make_pair(1, std::string("text")));
    EXPECT_FALSE(path::FileExists(dir / "Dir.dat"));
}

TEST(DirFileOpen, MissingCatalogueIsRefused) {
    TempDir dir;
    TKorDirFile cat;
    cat.SetProject(dir.Path());
    EXPECT_EQ(MessageOf<EKorKeyError>([&] { cat.Open(); }),
              "KorKeyFile: Datei konnte nicht geöffnet werden. Datei : Dir.ref");
    EXPECT_FALSE(cat.IsOpen());
    EXPECT_FALSE(path::FileExists(dir / "Dir.dat"));
}

TEST_F(DirFileTest, AnEntryReachedTwiceIsReportedAndTheFileStaysOpen) {
    cat.CreateEntry("", FolderKey({"B"}));
    cat.CreateEntry("", FolderKey({"A"}));
    cat.CreateEntry("", FolderKey({"C"}));  // B at the root, A left, C right
    Damage(2, 8, 3);  // A's Left is C as well
    cat.Open();
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0],
              "Der Eintrag 3 existiert bereits. Scheinbar liegt hier eine\rDoppelbelegung in der Dir.ref vor!");
    EXPECT_TRUE(cat.IsOpen());
    EXPECT_EQ(Values(cat.UsedEntries()), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST_F(DirFileTest, ARingInTheTreeEndsTheWalk) {
    cat.CreateEntry("", {FolderPart("A"), FolderPart("B")});
    Damage(2, 0, 1);  // B's Down is A again
    cat.Open();
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_NE(sink.errors[0].find("Der Eintrag 1 existiert bereits."), std::string::npos);
    std::vector<TDirTreeEntry> tree;
    cat.ListTree(tree);
    EXPECT_EQ(tree.size(), 2u);
    EXPECT_EQ(Report().front(), kFree);
}

TEST_F(DirFileTest, ARingWithinALevelIsRefusedByTheListings) {
    cat.CreateEntry("", FolderKey({"B"}));
    cat.CreateEntry("", FolderKey({"A"}));  // A is B's left child
    Damage(2, 8, 1);  // A's Left is B again
    cat.Open();
    EXPECT_EQ(sink.errors.size(), 1u);
    std::vector<std::string> names;
    EXPECT_EQ(MessageOf<EKorKeyError>([&] { cat.ListChildren({}, dirref::kFolder, names); }),
              "KorKeyFile: Die Indexdatei ist beschädigt. Ein Baum enthält einen Ringverweis!");
}

TEST_F(DirFileTest, ALinkOutsideTheFileRefusesIt) {
    cat.CreateEntry("", {FolderPart("A"), FolderPart("B")});
    Damage(2, 12, 4000);  // B's Right
    EXPECT_EQ(MessageOf<EKorKeyError>([&] { cat.Open(); }),
              "KorKeyFile: Die Indexdatei ist beschädigt. Der Eintrag 2 verweist auf den Eintrag "
              "4000 außerhalb der Datei!");
    EXPECT_FALSE(cat.IsOpen() || cat.DirDat().IsOpen());
}

TEST_F(DirFileTest, TakingAnEntryInUseFromTheChainIsRefusedBeforeWriting) {
    cat.CreateEntry("", {FolderPart("A"), FolderPart("B")});
    const auto ref = Damage(0, 4, 2);  // the chain starts at B, which is in use
    cat.Open();
    EXPECT_EQ(MessageOf<EKorKeyError>([&] { cat.CreateEntry("", FolderKey({"C"})); }),
              "IntList: Ein Eintrag mit der Nummer 2 existiert bereits!");
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0],
              "Fehler: Der Eintrag 2 ist bereits in Dir.ref vorhanden!\rDieser Fehler ist schwerwiegend. "
              "Ein Weiterarbeiten führt zu inkonsistenten Daten.");
    EXPECT_EQ(ReadBytes(dir / "Dir.ref"), ref);
    std::vector<std::string> path;
    cat.EntryPath(2, path);
    EXPECT_EQ(path, (std::vector<std::string>{"A", "B"}));
    cat.RepairFreeChain();
    EXPECT_EQ(cat.CreateEntry("", FolderKey({"C"})), "000003");
    EXPECT_EQ(cat.Verify(), "");
}

TEST_F(DirFileTest, ReleasingAnEntryNotInUseCompletesTheDeletion) {
    cat.CreateEntry("", FolderKey({"A"}));  // grows the file: the next entries are free
    // A second object on the same catalogue adds an entry this one does not know.
    TKorDirFile other;
    other.SetProject(dir.Path());
    other.Open();
    EXPECT_EQ(other.CreateEntry("", FolderKey({"X"})), "000002");
    other.Close();
    TKeyList key = FolderKey({"X"});
    cat.DeleteKeys(key);
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0],
              "Fehler: Der Eintrag 2 ist nicht in Dir.ref als belegt\rmarkiert. An dieser Stelle wurde "
              "ein leerer Eintrag gelöscht!");
    EXPECT_EQ(std::make_pair(cat.Locate(FolderKey({"X"})), cat.Locate(FolderKey({"A"}))), std::make_pair(-1, 1));
    EXPECT_EQ(cat.Verify(), "");
}

}  // namespace
}  // namespace korin::testing
