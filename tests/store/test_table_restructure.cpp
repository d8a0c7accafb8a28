// Restructuring a table: Empty, AddField and Reindex (the files they leave, and
// the table left whole when the replacement cannot be written), the file-level
// helpers, progress, and CopyFile.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "project/rvk_func.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_table.h"
#include "store/kor_table_format.h"
#include "store/le.h"
#include "test_table_support.h"

namespace {

using namespace korin;
using namespace korin::testing;
namespace fmt = korin::tablefmt;

// A table of 25 records (slots 0 .. 24) of which slots 3, 11 and 17 are deleted,
// with two secondary keys.
std::unique_ptr<TKorTable> Filled(const TempDir& dir) {
    auto t = MakeTable(dir, {Text("K", 6), Text("Ort", 8), Int("Nr")});
    t->DefineSecondaryKey("ORT", {"Ort"});
    t->DefineSecondaryKey("NRK", {"Nr", "K"}, true);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(t->Append({"k" + std::to_string(100 - i), i % 2 ? "Kiel" : "Bonn", std::to_string(i % 7)}), i);
    for (int s : {3, 17, 11}) {
        EXPECT_TRUE(t->GoToSlot(s));
        t->Delete();
    }
    return t;
}

// The header bytes and the first `fields` field texts of every slot, in use or not.
using SlotImage = std::pair<std::vector<uint8_t>, std::vector<std::string>>;
std::vector<SlotImage> SlotImages(TKorTable& t, int32_t fields) {
    std::vector<SlotImage> images;
    for (int32_t s = 0; s < t.SlotCount(); ++s) {
        TKorRecords r = t.Records();
        r.Select(s);
        uint8_t h[48];
        r.GetHeader(h);
        images.emplace_back(std::vector<uint8_t>(h, h + 48), std::vector<std::string>{});
        for (int32_t i = 0; i < fields; ++i) images.back().second.push_back(r.GetField(i));
    }
    return images;
}

// What a restructuring of Filled() reports: ranges of ten records.
const auto kProgress = std::make_pair(std::vector<std::string>{"range 0 25", "step 10", "reset"}, 2);

std::vector<std::string> Files(const TempDir& dir) {
    auto names = path::ListDirectory(dir.Path());
    std::sort(names.begin(), names.end());
    return names;
}

// Each test starts from Filled().
struct FilledTable : ::testing::Test {
    TempDir dir;
    RecordingProgress progress;
    std::unique_ptr<TKorTable> t = Filled(dir);
};
using TableEmpty = FilledTable;
using TableAddField = FilledTable;
using TableReindex = FilledTable;
using TableFileHelpers = FilledTable;

TEST_F(TableEmpty, KeepsTheDefinitionsAndRemovesEveryRecordAndKey) {
    for (auto [at, value] : {std::pair{48, 9}, {88, 13}}) le::PutI32(t->View() + at, value);
    const int64_t b = t->Records().RecordsOffset();
    t->Close();
    const auto before = ReadBytes(dir / "t.dat");
    t->Open();
    t->Empty();
    ASSERT_TRUE(t->IsOpen());
    EXPECT_EQ(std::make_pair(t->FieldCount(), t->SecondaryKeyCount()), std::make_pair(3, 2));
    EXPECT_TRUE(Slots(*t).empty() && t->Eof());
    t->Close();
    auto expected = std::vector<uint8_t>(before.begin(), before.begin() + b);
    for (int offset : {0, 4, 8, 48, 88}) le::PutI32(expected.data() + offset, 0);
    expected.resize(static_cast<size_t>(b + 100), 0);
    EXPECT_EQ(ReadBytes(dir / "t.dat"), expected);
    std::vector<uint8_t> freshKey(72, 0);
    freshKey[4] = 1;
    EXPECT_EQ(ReadBytes(dir / "t.key"), freshKey);
    EXPECT_EQ(Files(dir), (std::vector<std::string>{"t.dat", "t.key"}));
    t->Open();
    EXPECT_EQ(t->Append({"a", "x", "1"}), 0);
    EXPECT_EQ(t->KeyFile().Verify(), "");
}

TEST_F(TableEmpty, ATableIsLeftWholeWhenItsReplacementCannotBeWritten) {
    const auto files = std::make_pair(ReadBytes(dir / "t.dat"), ReadBytes(dir / "t.key"));
    ASSERT_EQ(::mkdir((dir / "t.dat.tmp").c_str(), 0755), 0);
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->Empty(); }),
              "KorTable: Die Datei " + (dir / "t.dat.tmp") + " konnte nicht geschrieben werden!");
    EXPECT_TRUE(t->IsOpen());
    EXPECT_EQ(Slots(*t).size(), 22u);
    EXPECT_EQ(std::make_pair(ReadBytes(dir / "t.dat"), ReadBytes(dir / "t.key")), files);
    // The same when the key file's replacement fails: no half-written file stays.
    ::rmdir((dir / "t.dat.tmp").c_str());
    ASSERT_EQ(::mkdir((dir / "t.key.tmp").c_str(), 0755), 0);
    EXPECT_THROW(t->Empty(), EKorTabError);
    EXPECT_EQ(ReadBytes(dir / "t.dat"), files.first);
    EXPECT_FALSE(path::FileExists(dir / "t.dat.tmp"));
    EXPECT_EQ(Slots(*t).size(), 22u);
}

TEST_F(TableAddField, WidensEverySlotAndKeepsRecordsChecksumsAndKeys) {
    const int64_t oldB = t->Records().RecordsOffset();
    const int32_t oldS = t->Records().DataSize(), slots = t->SlotCount();
    const auto keys = ReadBytes(dir / "t.key");
    auto images = SlotImages(*t, 3);
    t->SetProgressBar(&progress);
    t->AddField("Bemerkung_mit_einem_sehr_langen_Namen", 12135, 20, 3, 2, 1);
    ASSERT_TRUE(t->IsOpen());
    EXPECT_EQ(std::make_pair(progress.calls, progress.steps), kProgress);

    EXPECT_EQ(t->FieldCount(), 4);
    const TKorFieldDefs& d = t->FieldDefs();
    EXPECT_EQ(d.FieldName(3), "Bemerkung_mit_einem_sehr_langen");  // 31 characters
    EXPECT_EQ((std::vector<int32_t>{d.FieldId(3), d.FieldWidth(3), d.FieldDecimals(3), d.FieldType(3), d.FieldAttribute(3)}),
              (std::vector<int32_t>{12135, 20, 3, 2, 1}));
    EXPECT_EQ(t->Records().RecordsOffset(), oldB + 20 + 65);
    EXPECT_EQ(t->FileSize(), oldB + 20 + 65 + (oldS + 48 + 20 + 1) * slots + 100);
    for (auto& image : images) image.second.push_back("");
    EXPECT_EQ(SlotImages(*t, 4), images);
    TKorRecords r = t->Records();
    for (int32_t s = 0; s < slots; ++s) EXPECT_TRUE((r.Select(s), !r.IsActive() || r.ComputeChecksum() == r.GetChecksum())) << s;
    EXPECT_EQ(ReadBytes(dir / "t.key"), keys);
    EXPECT_EQ(std::make_pair(Files(dir), Slots(*t).size()), std::make_pair(std::vector<std::string>{"t.dat", "t.key"}, size_t{22}));
    ASSERT_TRUE(t->FindByPrimary("k90"));
    t->EditField(3, "3,14159");
    EXPECT_EQ(t->GetField(3), "3.142");
    // The free chain came along: the last deleted slot is reused first.
    EXPECT_EQ(t->Append({"new", "x", "1", ""}), 11);
}

TEST_F(TableAddField, RefusalsLeaveTheTableAsItWas) {
    const auto data = ReadBytes(dir / "t.dat");
    ASSERT_EQ(::mkdir((dir / "000000tmp").c_str(), 0755), 0);
    WriteText(dir / "000000tmp/inside", "x");
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->AddField("Neu", 1, 5, 0, 0, 0); }),
              "Die Datei 000000tmp kann nicht schriebend geöffnet werden!");
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->AddField("Neu", 1, -1, 0, 0, 0); }),
              "KorTable: Die Feldlänge -1 ist ungültig!");
    EXPECT_EQ(ReadBytes(dir / "t.dat"), data);
    EXPECT_TRUE(t->IsOpen());

    TempDir wide;
    auto w = MakeTable(wide, std::vector<TKorNewField>(100, Text("F", 1)));
    EXPECT_EQ(MessageOf<EKorTabError>([&] { w->AddField("Zuviel", 1, 1, 0, 0, 0); }),
              "KorTable: Eine Tabelle kann höchstens 100 Felder haben!");
}

TEST_F(TableReindex, RebuildsTheKeyOrderTheFreeChainAndTheCount) {
    const auto order = Walk(*t);
    TIntegerList kiel;
    t->FindBySecondary("ORT", {"Kiel"}, kiel);
    le::PutI32(t->View() + 0, 999);  // a wrong count
    le::PutI32(t->View() + 4, 0);    // a lost head
    t->Close();
    path::RemoveFile(dir / "t.key");
    t->Open();
    EXPECT_TRUE(Slots(*t).empty());
    t->SetProgressBar(&progress);
    t->Reindex();
    EXPECT_EQ(std::make_pair(progress.calls, progress.steps), kProgress);
    EXPECT_EQ(Walk(*t), order);
    TIntegerList again;
    t->FindBySecondary("ORT", {"Kiel"}, again);
    EXPECT_EQ(again.Values(), kiel.Values());
    EXPECT_EQ(t->KeyFile().Verify(), "");
    // Free slots are chained in ascending order: the head is the highest.
    EXPECT_EQ(std::make_pair(t->HeaderRecordCount(), t->FreeHead()), std::make_pair(22, 18));
    TKorRecords r = t->Records();
    for (auto [slot, next] : {std::pair{17, 12}, {11, 4}, {3, 0}}) EXPECT_EQ((r.Select(slot), r.GetStamp()), next) << slot;
    EXPECT_EQ(Files(dir), (std::vector<std::string>{"t.dat", "t.key"}));
    EXPECT_EQ((std::vector<int32_t>{t->Append({"n1", "x", "1"}), t->Append({"n2", "x", "2"})}), (std::vector<int32_t>{17, 11}));
}

TEST_F(TableFileHelpers, ARawFileTakesAHeaderAndRecordsFromAnotherTable) {
    const int64_t b = t->Records().RecordsOffset();
    const int64_t used = b + int64_t{t->SlotCount()} * t->Records().SlotSize();
    t->Close();

    TKorTable c;
    c.SetProject(dir.Path()), c.SetFileName("c.dat"), c.SetKeyFileName("c.key");
    c.CreateRawFile(static_cast<int32_t>(used + 100), true);
    auto raw = ReadBytes(dir / "c.dat");
    ASSERT_EQ(raw.size(), static_cast<size_t>(used + 100));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&raw[200]), 5), "TABLE");
    EXPECT_EQ(std::count(raw.begin(), raw.end(), 0), static_cast<long>(raw.size()) - 5);
    WriteText(dir / "keep.dat", "keep");
    c.SetFileName("keep.dat");
    c.CreateRawFile(4000, false);
    EXPECT_EQ(ReadText(dir / "keep.dat"), "keep");
    c.SetFileName("c.dat");

    c.Open();
    ASSERT_TRUE(c.IsOpen());
    c.CopyHeaderFrom("t.dat");
    EXPECT_EQ(std::make_pair(c.FieldCount(), c.SecondaryKeyCount()), std::make_pair(3, 2));
    c.SetProgressBar(&progress);
    c.CopyRecordsFrom("t.dat");
    EXPECT_EQ(progress.steps, 2);
    c.Close();
    const auto original = ReadBytes(dir / "t.dat");
    const auto copy = ReadBytes(dir / "c.dat");
    EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + used, original.begin()));

    // A file too small for the header, and a source with fewer slots.
    c.SetFileName("small.dat");
    c.CreateRawFile(3300, true);
    c.Open();
    EXPECT_THROW(c.CopyHeaderFrom("t.dat"), EKorTabError);
    c.Close();
    c.SetFileName("c.dat");
    c.Open();
    le::PutI32(c.View() + 8, 26);
    EXPECT_EQ(MessageOf<EKorTabError>([&] { c.CopyRecordsFrom("t.dat"); }),
              "KorTable: Die Datei t.dat hat weniger Datensätze als die Tabelle!");
}

TEST(CopyFile, CopiesEveryByteAndRefusesAnExistingTargetWhenAsked) {
    TempDir dir;
    std::vector<uint8_t> bytes(200000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    WriteBytes(dir / "a", bytes);
    EXPECT_TRUE(CopyFile(dir / "a", dir / "b", true));
    EXPECT_EQ(ReadBytes(dir / "b"), bytes);
    WriteText(dir / "c", "a longer target than the source will be");
    WriteText(dir / "s", "short");
    EXPECT_TRUE(CopyFile(dir / "s", dir / "c", false));
    EXPECT_EQ(ReadText(dir / "c"), "short");
    EXPECT_EQ(MessageOf([&] { CopyFile(dir / "a", dir / "c", true); }),
              "RVKFunc: Datei existiert bereits. Datei: " + (dir / "c"));
    EXPECT_EQ(ReadText(dir / "c"), "short");
    EXPECT_THROW(CopyFile(dir / "missing", dir / "d", false), Exception);
    EXPECT_FALSE(path::FileExists(dir / "d"));
}

}  // namespace
