// The table file: the bytes of a new file, appending with its keys, conflicts and
// normalisation, slot reuse and growth, editing and deleting, finding, secondary
// key definitions, and the refusals that keep damaged or misused tables intact.
#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_key_file.h"
#include "store/kor_path.h"
#include "store/kor_table.h"
#include "store/kor_table_format.h"
#include "store/le.h"
#include "test_table_support.h"

namespace {

using namespace korin;
using namespace korin::testing;
namespace fmt = korin::tablefmt;

const std::string kConflictHead = "Achtung! In der Tabelle T kam es zu\r einem Schlüsselkonflikt.";
using Texts = std::vector<std::string>;

// The field texts of the current record.
Texts Fields(TKorTable& t) {
    Texts fields;
    for (int32_t i = 0; i < t.FieldCount(); ++i) fields.push_back(t.GetField(i));
    return fields;
}

// A table object aimed at <base>.dat and <base>.key in dir.
void Aim(TKorTable& t, const TempDir& dir, const std::string& base) {
    t.SetProject(dir.Path()), t.SetFileName(base + ".dat"), t.SetKeyFileName(base + ".key");
}

TEST(TableNewFile, HeaderSizeAndKeyFileAreThoseOfTheDefinitions) {
    TempDir dir;
    TKorTable t;
    Aim(t, dir, "t");
    t.SetFieldDefs({Text("Name", 10), Int("Nr"), Float("Wert")});
    t.SetPrimaryKeyField(2);
    t.SetTitle("MESSTELLE_MIT_UEBERLANGEM_TITEL_X");  // 33 characters
    t.TextLines() = {"AUC_SYSTEM", "Ebene2", "Ebene3", "Ebene4"};
    t.CreateNew(true);
    const auto bytes = ReadBytes(dir / "t.dat");
    // 3284 + 64·n + Σ(size + 1); the number kinds count size 0.
    ASSERT_EQ(bytes.size(), 3284u + 3 * 64 + 11 + 1 + 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[200]), 6), std::string("TABLE\0", 6));
    EXPECT_EQ((std::vector<int>{I32At(bytes, 12), bytes[1024], bytes[1025], bytes[1027], le::I16(&bytes[98])}),
              (std::vector<int>{2, 2, 2, 3, 4}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[16]), 32), "MESSTELLE_MIT_UEBERLANGEM_TITEL_");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[100]), 26),
              std::string("AUC_SYSTEM\0Ebene2\0Ebene3\0", 25) + std::string(1, '\0'));
    // Everything the header does not name is zero.
    for (size_t i = 0; i < bytes.size(); ++i) {
        const bool named = (i >= 12 && i < 16) || (i >= 16 && i < 48) || (i >= 98 && i < 125) ||
                           (i >= 200 && i < 205) || i == 1024 || i == 1025 || i == 1027 ||
                           (i >= 2304 && i < 2304 + 3 * 64);
        if (!named) { ASSERT_EQ(bytes[i], 0) << "byte " << i; }
    }
    // The key file is made when the table is opened.
    EXPECT_FALSE(path::FileExists(dir / "t.key"));
    t.Open();
    ASSERT_TRUE(t.IsOpen());
    EXPECT_EQ(ReadBytes(dir / "t.key").size(), 72u);
}

TEST(TableNewFile, AMissingTableStaysClosedAndForeignFilesAreRefused) {
    TempDir dir;
    TKorTable t;
    Aim(t, dir, "x");
    t.Open();  // missing: stays closed
    EXPECT_FALSE(t.IsOpen() || t.First());
    EXPECT_EQ(t.Append({"a"}), -1);
    // A wrong mark; the right one in a file too short for the header.
    for (const auto& [size, mark] : {std::pair<size_t, const char*>{4000, "TABLEX"}, {3250, "TABLE"}}) {
        std::vector<uint8_t> foreign(size, 0);
        std::memcpy(&foreign[200], mark, 6);
        WriteBytes(dir / "x.dat", foreign);
        EXPECT_THROW(t.Open(), EKorMMFError) << mark;
    }
    EXPECT_FALSE(t.IsOpen());
}

TEST(TableAppend, PrimaryKeyOrderPointerPartsAndTheKeyFileAudit) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("Name", 8), Int("Nr")});
    const std::vector<Texts> records = {{"M", "3"}, {"B", "1"}, {"X", "2"}, {"A10", "2"}, {"A9", "2"}};
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(t->Append(records[i]), i);
    EXPECT_EQ(Slots(*t), (std::vector<int32_t>{4, 3, 1, 0, 2}));  // A9 A10 B M X
    EXPECT_EQ(t->KeyFile().Verify(), "");
    // The primary key and its pointer part as the key file holds them.
    EXPECT_EQ(t->KeyFile().Locate({KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 80, "X")}), 2);
    // Every record carries its checksum and the in-use word.
    t->Close();
    const auto bytes = ReadBytes(dir / "t.dat");
    const int64_t b = fmt::RecordsOffset(2, 9 + 12);
    const uint8_t* slot2 = bytes.data() + b + 2 * (48 + 21);
    EXPECT_EQ(le::U16(slot2 + 28), 1);
    EXPECT_EQ(le::U32(slot2 + 18), static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>("X2"), 2)));
}

TEST(TableAppend, WithoutPrimaryKeyFieldRecordsComeInSlotOrderComparedAsNumbers) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("Name", 4)}, 0);
    std::vector<int32_t> expected;
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(t->Append({"r" + std::to_string(i)}), i);
        expected.push_back(i);
    }
    EXPECT_EQ(Slots(*t), expected);  // "10" after "9"
    // A freed slot is taken again, and its key names it.
    ASSERT_TRUE(t->GoToSlot(3));
    t->Delete();
    EXPECT_EQ(t->Append({"new"}), 3);
    EXPECT_EQ(Slots(*t), expected);
    EXPECT_EQ(t->KeyFile().Locate({KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0"), KeyPart('N', 80, "11")}), 10);
    // Without a primary key field FindByPrimary looks up the bare index only.
    EXPECT_FALSE(t->FindByPrimary("r1") || t->FindByPrimary(1));
    // A unique key's conflict names the secondary key in the warning.
    RecordingSink sink;
    t->DefineSecondaryKey("U", {"Name"}, true);
    EXPECT_EQ((std::vector<int32_t>{t->Append({"u"}), t->Append({"u"})}), (std::vector<int32_t>{12, -1}));
    EXPECT_EQ(sink.errors, Texts{kConflictHead + " Der eindeutige Sekundärschlüssel existiert bereits!"});
}

TEST(TableAppend, EmptyBlankAndDuplicateKeysAreRefusedWithTheWarning) {
    TempDir dir;
    RecordingSink sink;
    auto t = MakeTable(dir, {Text("Name", 8), Int("Nr")});
    ASSERT_EQ(t->Append({"A", "1"}), 0);
    // The last has fewer values than fields: no warning.
    for (const Texts& refused : {Texts{"", "2"}, Texts{"   ", "2"}, Texts{"A", "2"}, Texts{"B"}})
        EXPECT_EQ(t->Append(refused), -1) << refused[0];
    EXPECT_EQ(sink.errors, (Texts{kConflictHead + " PIndex  existiert bereits!", kConflictHead + " PIndex     existiert bereits!",
                                  kConflictHead + " PIndex A existiert bereits!"}));
    EXPECT_EQ(std::make_pair(t->HeaderRecordCount(), t->SlotCount()), std::make_pair(1, 1));
}

TEST(TableAppend, KeysAreComparedAsTheyWouldBeStored) {
    // " 7" is stored as "7", "1,5" as "1.50", and a text longer than its field
    // as its first width characters: each would share the present record's key.
    RecordingSink sink;
    for (const auto& [field, present, same] : std::vector<std::tuple<TKorNewField, std::string, std::string>>{
             {Int("Nr"), "7", " 7"}, {Float("W"), "1.5", "1,5"}, {Text("K", 3), "ABC", "ABCD"}}) {
        TempDir dir;
        auto t = MakeTable(dir, {field, Text("X", 2)});
        ASSERT_EQ(t->Append({present, "a"}), 0);
        EXPECT_EQ(t->Append({same, "b"}), -1) << same;
        EXPECT_EQ(t->HeaderRecordCount(), 1) << same;
    }
    EXPECT_EQ(sink.errors.size(), 3u);
}

TEST(TableAppend, ValuesAreNormalisedByType) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 4), Int("I"), Float("F"), Small("S"), Text("T", 6)});
    // Given values, then the stored ones; "12345678.90" is cut to the width of 10.
    const std::vector<std::pair<Texts, Texts>> cases = {
        {{"a", "  42 ", " 3,14159 ", "", "  raw "}, {"a", "42", "3.14", "0", "  raw "}},
        {{"b", "", "", "-7", ""}, {"b", "0", "0.00", "-7", ""}},
        {{"c", "1", "-2.005e1", "1", ""}, {"c", "1", "-20.05", "1", ""}},
        {{"d", "1", "12345678.9", "1", ""}, {"d", "1", "12345678.9", "1", ""}},
    };
    for (const auto& [given, stored] : cases) {
        ASSERT_GE(t->Append(given), 0) << given[0];
        ASSERT_TRUE(t->FindByPrimary(given[0]));
        EXPECT_EQ(Fields(*t), stored);
    }
}

TEST(TableAppend, ADecimalThatIsNoNumberRaisesBeforeAnythingIsWritten) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 4), Float("F")});
    ASSERT_EQ(t->Append({"a", "1"}), 0);
    const auto before = std::make_pair(ReadBytes(dir / "t.dat"), ReadBytes(dir / "t.key"));
    for (const char* bad : {"abc", "1.2.3", "1,2,3", "--1", "1e", ".", "inf", "nan", "0x10"}) {
        std::string shown = bad;
        if (auto c = shown.find(','); c != std::string::npos) shown[c] = '.';
        EXPECT_EQ(MessageOf([&] { t->Append({"b", bad}); }), "'" + shown + "' ist kein gültiger Gleitkommawert");
    }
    EXPECT_EQ(std::make_pair(ReadBytes(dir / "t.dat"), ReadBytes(dir / "t.key")), before);
}

TEST(TableAppend, AutomaticFieldsCountUpAndIgnoreTheGivenValue) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 4), Text("Auto", 8), Text("Txt", 8), Text("Auto2", 8)});
    t->Close();
    auto bytes = ReadBytes(dir / "t.dat");
    for (auto [field, kind] : {std::pair{1, 17}, {2, 19}, {3, 17}}) bytes[fmt::FieldEntryOffset(field) + 4] = static_cast<uint8_t>(kind);
    le::PutI32(bytes.data() + 88, 41);
    WriteBytes(dir / "t.dat", bytes);
    t->Open();
    ASSERT_EQ((std::vector<int32_t>{t->Append({"a", "x", "y", "z"}), t->Append({"b", "", "", ""})}), (std::vector<int32_t>{0, 1}));
    ASSERT_TRUE(t->FindByPrimary("b"));
    EXPECT_EQ(Fields(*t), (Texts{"b", "44", "?2", "45"}));
    // A refused record uses no number.
    RecordingSink sink;
    EXPECT_EQ((std::vector<int32_t>{t->Append({"a", "", "", ""}), t->Append({"c", "", "", ""})}), (std::vector<int32_t>{-1, 2}));
    ASSERT_TRUE(t->FindByPrimary("c"));
    EXPECT_EQ(Fields(*t), (Texts{"c", "46", "?3", "47"}));
    // Editing leaves automatic fields as given.
    t->EditField(1, " 9 ");
    EXPECT_EQ(t->GetField(1), " 9 ");
}

TEST(TableSlots, AFullFileGrowsByExactlyTenSlots) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 20)});
    const int32_t slotSize = 48 + 21;
    const int64_t b = t->Records().RecordsOffset();
    const int32_t initial = t->FileSize();
    ASSERT_LT(initial, b + slotSize + 100);
    ASSERT_EQ(t->Append({"a"}), 0);
    EXPECT_EQ(t->FileSize(), initial + 10 * slotSize);
    // Ten more slots fit as long as 100 bytes stay behind the last one.
    int32_t appended = 1;
    for (; t->FileSize() == initial + 10 * slotSize; ++appended) ASSERT_EQ(t->Append({"k" + std::to_string(appended)}), appended);
    EXPECT_EQ(t->FileSize(), initial + 20 * slotSize);
    EXPECT_GE(t->FileSize() - (b + appended * slotSize), 100);
    EXPECT_EQ(static_cast<int64_t>(ReadBytes(dir / "t.dat").size()), t->FileSize());
}

TEST(TableSlots, AFileThatCannotGrowRefusesTheRecordWithTheWarning) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 32767)});
    t->Close();
    auto bytes = ReadBytes(dir / "t.dat");
    // A (sparse) file whose next slot would lie past the 2 GiB a file may have.
    const int32_t slotSize = 48 + 32768;
    const int64_t b = fmt::RecordsOffset(1, 32768);
    const int32_t slots = static_cast<int32_t>((INT32_MAX - b) / slotSize) - 1;
    for (int at : {0, 8}) le::PutI32(bytes.data() + at, slots);
    WriteBytes(dir / "t.dat", bytes);
    ::truncate((dir / "t.dat").c_str(), b + int64_t{slots} * slotSize + 50);
    RecordingSink sink;
    t->Open();
    ASSERT_TRUE(t->IsOpen());
    le::PutI32(t->View() + 4, 7);
    EXPECT_EQ(t->Append({"a"}), -1);
    EXPECT_EQ(sink.errors, Texts{"Datensatz konnte nicht angelegt werden!\rDatei läßt sich nicht erweitern!"});
    EXPECT_EQ(std::make_pair(t->FreeHead(), t->HeaderRecordCount()), std::make_pair(0, slots));
}

TEST(TableEdit, EditingOrDeletingASlotNotInUseIsRefused) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 4)});
    for (const char* k : {"a", "b", "c"}) t->Append({k});
    ASSERT_TRUE(t->GoToSlot(1));
    t->Delete();
    const auto files = std::make_pair(ReadBytes(dir / "t.dat"), ReadBytes(dir / "t.key"));
    ASSERT_TRUE(t->GoToSlot(1));
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->Delete(); }),
              "KorTable: Datensatz 1 ist gelöscht und kann nicht gelöscht werden!");
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->EditField(0, "z"); }),
              "KorTable: Datensatz 1 ist gelöscht und kann nicht geändert werden!");
    // Slots that do not exist cannot be reached.
    EXPECT_FALSE(t->GoToSlot(3) || t->GoToSlot(-1));
    EXPECT_EQ(t->CurrentSlot(), 1);
    EXPECT_EQ(TKorTable::SlotMissingText(3), "KorTable: Datensatz 3 existiert nicht!");
    EXPECT_EQ(std::make_pair(ReadBytes(dir / "t.dat"), ReadBytes(dir / "t.key")), files);
    // The chain still reuses slot 1 once.
    EXPECT_EQ((std::vector<int32_t>{t->Append({"d"}), t->Append({"e"})}), (std::vector<int32_t>{1, 3}));
}

TEST(TableKeys, ANonUniqueKeyKeepsEqualValuesApartAUniqueOneRefusesThem) {
    TempDir dir;
    RecordingSink sink;
    auto t = MakeTable(dir, {Text("K", 4), Text("Ort", 6), Text("Nr", 4)});
    t->DefineSecondaryKey("ORTE", {"ort"});
    t->DefineSecondaryKey("  OrtNr  ", {"Ort", "Nr", "Fehlt"}, true);
    ASSERT_EQ(t->SecondaryKeyCount(), 2);
    EXPECT_EQ(std::make_pair(t->SecondaryKeyName(1), t->SecondaryKeyFieldCount(1)), std::make_pair(std::string("OrtNr"), 2));
    ASSERT_EQ((std::vector<int32_t>{t->Append({"a", "Kiel", "1"}), t->Append({"b", "Kiel", "2"}), t->Append({"c", "Kiel", "1"})}),
              (std::vector<int32_t>{0, 1, -1}));
    EXPECT_EQ(sink.errors, Texts{kConflictHead + " PIndex c existiert bereits!"});
    // A prefix of a unique key that leaves one level open names that level's
    // root record only (the key file's GetIndexValues); key names are exact.
    const std::vector<std::tuple<std::string, Texts, std::vector<int32_t>>> finds = {
        {"ORTE", {"Kiel"}, {0, 1}}, {"OrtNr", {"Kiel", "2"}, {1}}, {"OrtNr", {"Kiel"}, {0}},
        {"OrtNr", {"Kiel", "1", "extra"}, {0}}, {"ORTE", {"Bonn"}, {}}, {"orte", {"Kiel"}, {}}};
    for (const auto& [key, values, records] : finds) {
        TIntegerList found;
        found.Add(-1);
        EXPECT_EQ(t->FindBySecondary(key, values, found), !records.empty()) << key << " " << values[0];
        EXPECT_EQ(found.Values(), records) << key << " " << values[0];
    }
    EXPECT_EQ(t->KeyFile().Verify(), "");
}

TEST(TableKeys, DefinitionsArePackedIntoTheHeaderAndSurviveReopening) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("A", 4), Text("B", 4), Text("C", 4)});
    t->DefineSecondaryKey("", {"A"});
    t->DefineSecondaryKey("none", {"X", "Y"});
    EXPECT_EQ(t->SecondaryKeyCount(), 0);
    t->DefineSecondaryKey("K1", {"c", "a"});
    t->DefineSecondaryKey(std::string(40, 'N'), {"B"}, true);
    t->Close();
    const auto bytes = ReadBytes(dir / "t.dat");
    EXPECT_EQ(bytes[1280], 2);
    const std::string packed(reinterpret_cast<const char*>(&bytes[1281]), 3 + 2 + 4 + 33 + 2 + 2 + 1);
    const std::string expected = std::string("K1\0\0\x02\x03\x00\x01\x00", 9) + std::string(32, 'N') +
                                 std::string("\0\x01\x01\x02\x00\0", 6);
    EXPECT_EQ(packed, expected);
    t->Open();
    ASSERT_EQ(t->SecondaryKeyCount(), 2);
    EXPECT_EQ(t->SecondaryKeyName(1), std::string(32, 'N'));
    EXPECT_EQ(std::make_pair(t->SecondaryKeyFieldIndex(0, 0), t->SecondaryKeyFieldIndex(0, 1)), std::make_pair(2, 0));
}

TEST(TableKeys, DefinitionsThatWouldPass2304OrTheLimitsAreRefused) {
    TempDir dir;
    std::vector<std::string> names;
    for (int i = 0; i < 21; ++i) names.push_back("F" + std::to_string(i));
    std::vector<TKorNewField> fields;
    for (const std::string& name : names) fields.push_back(Text(name, 2));
    auto t = MakeTable(dir, fields);
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->DefineSecondaryKey("Zu", names); }),
              "KorTable: Ein Sekundärschlüssel kann höchstens 20 Felder haben!");
    // Each key of 32 characters and 20 fields takes 33 + 2 + 40 = 75 bytes:
    // 13 of them reach 2256, a 14th would end at 2331.
    names.pop_back();
    for (int k = 0; k < 13; ++k) t->DefineSecondaryKey(std::string(31, 'K') + char('a' + k), names);
    ASSERT_EQ(t->SecondaryKeyCount(), 13);
    const auto before = std::vector<uint8_t>(t->View(), t->View() + 2304);
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->DefineSecondaryKey(std::string(31, 'K') + "z", names); }),
              "KorTable: Der Sekundärschlüssel " + std::string(31, 'K') + "z passt nicht mehr in den Tabellenkopf!");
    EXPECT_EQ(std::vector<uint8_t>(t->View(), t->View() + 2304), before);
    EXPECT_EQ(t->SecondaryKeyCount(), 13);
    // Short keys fill up to 20 and no further.
    for (int k = 13; k < 20; ++k) t->DefineSecondaryKey(std::string(1, char('a' + k)), {"F0"});
    ASSERT_EQ(t->SecondaryKeyCount(), 20);
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->DefineSecondaryKey("z", {"F0"}); }),
              "KorTable: Es können höchstens 20 Sekundärschlüssel angelegt werden!");
    t->Close();
    t->Open();
    EXPECT_EQ(t->SecondaryKeyCount(), 20);
}

TEST(TableAppend, ARecordWhoseKeysAreAllPresentLeavesNoSlotInUse) {
    // A stale key for slot 0 in the key file (from a key file that was not
    // rebuilt): the record's only key is already there, so the key file takes
    // nothing.
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 4)}, 0);
    TKeyList stale{KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0"), KeyPart('N', 80, "1")};
    ASSERT_TRUE(t->KeyFile().AddKeys(stale, 1));
    EXPECT_EQ(t->Append({"a"}), -1);
    EXPECT_EQ((std::vector<int32_t>{t->HeaderRecordCount(), t->SlotCount(), t->FreeHead()}), (std::vector<int32_t>{0, 0, 0}));
    ASSERT_TRUE(t->Records().SlotInFile(0));
    TKorRecords probe = t->Records();
    probe.Select(0);
    EXPECT_FALSE(probe.IsActive());
    // Rebuilt keys take the record.
    t->Reindex();
    EXPECT_EQ((std::vector<int32_t>{t->Append({"a"}), t->HeaderRecordCount()}), (std::vector<int32_t>{0, 1}));
}

TEST(TableSlots, AHeadThatNamesARecordInUseIsNotFollowed) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 4)});
    for (const char* k : {"a", "b", "c", "d"}) t->Append({k});
    ASSERT_TRUE(t->GoToSlot(2));
    t->Delete();
    for (int32_t bad : {1, 9, -4, 5}) {
        le::PutI32(t->View() + 4, bad);  // damaged: slot 0, beyond, negative, just past the end
        EXPECT_EQ(t->Append({"n" + std::to_string(bad)}), 2) << bad;
        ASSERT_TRUE(t->GoToSlot(2));
        t->Delete();
    }
    EXPECT_EQ(Walk(*t).size(), 3u);
    for (const char* k : {"a", "b", "d"}) EXPECT_TRUE(t->FindByPrimary(k)) << k;
}

TEST(TableOpen, DamagedHeadersAreRefusedWithAClearMessage) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 4), Int("N")});
    for (const char* k : {"a", "b"}) t->Append({k, "1"});
    t->Close();
    const auto good = ReadBytes(dir / "t.dat");
    const std::vector<std::tuple<std::string, std::function<void(std::vector<uint8_t>&)>, std::string>> cases = {
        {"101 fields", [](auto& b) { b[1027] = 101; }, "KorTable: Die Tabelle hat 101 Felder, erlaubt sind höchstens 100!"},
        {"21 keys", [](auto& b) { b[1280] = 21; }, "KorTable: Die Tabelle hat 21 Sekundärschlüssel, erlaubt sind höchstens 20!"},
        {"slots beyond", [](auto& b) { le::PutI32(b.data() + 8, 40); }, "KorTable: Die Datensätze reichen über das Dateiende hinaus!"},
        {"wide field", [](auto& b) { le::PutI16(b.data() + 2304 + 2, 30000); }, "KorTable: Die Datensätze reichen über das Dateiende hinaus!"},
        {"negative width", [](auto& b) { le::PutI16(b.data() + 2304 + 64 + 2, -3); }, "KorTable: Die Felddefinitionen sind ungültig!"},
        {"fields beyond", [](auto& b) { b[1027] = 60; le::PutI32(b.data() + 8, 0); }, "KorTable: Die Felddefinitionen sind ungültig!"},
        {"negative count", [](auto& b) { le::PutI32(b.data(), -1); }, "KorTable: Die Datensatzzähler sind ungültig!"},
        {"key past 2304", [](auto& b) { b[1280] = 1; std::memset(b.data() + 1281, 'x', 1023); }, "KorTable: Die Sekundärschlüsseldefinitionen sind ungültig!"},
        {"key field 3", [](auto& b) { b[1280] = 1; std::memcpy(b.data() + 1281, "K\0\0\x01\x03\x00", 6); }, "KorTable: Die Sekundärschlüsseldefinitionen sind ungültig!"},
        {"key of 21 fields", [](auto& b) { b[1280] = 1; std::memcpy(b.data() + 1281, "K\0\0\x15", 4); }, "KorTable: Die Sekundärschlüsseldefinitionen sind ungültig!"},
    };
    for (const auto& [what, damage, message] : cases) {
        auto bytes = good;
        if (what == "fields beyond") bytes.resize(4000);
        damage(bytes);
        WriteBytes(dir / "t.dat", bytes);
        EXPECT_EQ(MessageOf<EKorTabError>([&] { t->Open(); }), message + " Datei: t.dat") << what;
        EXPECT_FALSE(t->IsOpen()) << what;
    }
    WriteBytes(dir / "t.dat", good);
    t->Open();
    EXPECT_EQ(Walk(*t).size(), 2u);
}

TEST(TableOpen, AKeyFileThatCannotBeOpenedLeavesTheTableOpenForReindex) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("K", 4)});
    for (const char* k : {"b", "a"}) t->Append({k});
    t->Close();
    WriteBytes(dir / "t.key", std::vector<uint8_t>(200, 0x7F));
    EXPECT_THROW(t->Open(), EKorMMFError);
    ASSERT_TRUE(t->IsOpen());
    EXPECT_EQ(MessageOf<EKorTabError>([&] { t->Append({"c"}); }), "KorTable: KeyFile ist nicht geöffnet! Datei: t.key");
    EXPECT_EQ(t->HeaderRecordCount(), 2);
    t->Reindex();
    EXPECT_EQ(Slots(*t), (std::vector<int32_t>{1, 0}));
    // A missing key file is made anew when the table opens.
    t->Close();
    path::RemoveFile(dir / "t.key");
    t->Open();
    EXPECT_EQ(std::make_pair(ReadBytes(dir / "t.key").size(), Slots(*t).empty()), std::make_pair(size_t{72}, true));
    t->Reindex();
    EXPECT_EQ(Slots(*t), (std::vector<int32_t>{1, 0}));
}

}  // namespace
