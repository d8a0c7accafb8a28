// The import: structure rules, the mapping's life in "ImpMap.db" and its index
// files, and reading rows (update instead of append, refused keys, CP850, bad
// input).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <map>
#include <optional>
#include <tuple>

#include "extdb/ext_source.h"
#include "extdb/paradox_index.h"
#include "tables/imp_map.h"
#include "tables/table_import.h"
#include "test_support.h"

namespace korin {
namespace {

using extdb::TExtFieldKind;
using korin::testing::MessageOf;
using korin::testing::TempDir;

// A source table given in memory.
class TFakeTable final : public extdb::IExtTable {
public:
    TFakeTable(std::vector<extdb::TExtField> f, std::vector<extdb::TExtIndex> i) : fields_(std::move(f)), indexes_(std::move(i)) {}
    const std::string& Name() const override { static const std::string name = "T"; return name; }
    const std::vector<extdb::TExtField>& Fields() const override { return fields_; }
    const std::vector<extdb::TExtIndex>& Indexes() const override { return indexes_; }
    int64_t RowCount() override { return 0; }
    bool NextRow(std::vector<extdb::TExtValue>&) override { return false; }
    void Rewind() override {}

private:
    std::vector<extdb::TExtField> fields_;
    std::vector<extdb::TExtIndex> indexes_;
};

TSourceOpener Direct() {
    return [](const std::string& path) { return extdb::OpenSource(path); };
}

void Sql(const std::string& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

void Place(TKorTable& table, const TempDir& dir) {
    table.SetProject(dir.Path());
    table.SetFileName("000001");
    table.SetKeyFileName("000002");
}

TEST(ImportStructure, FieldKindsSizesAndKeys) {
    using K = TExtFieldKind;
    TFakeTable source({{"a", K::Memo, 0}, {"b", K::Date, 0}, {"c", K::Text, 255}, {"d", K::SmallInt, 2},
                       {"e", K::Float, 8}, {"No#", K::Text, 7}},
                      {{"pk", true, true, {"c"}}, {"u", false, true, {"d", "e"}}, {"n", false, false, {"b"}}});
    const TCreateDefinition def = DefinitionFromSource(source, true);
    ASSERT_EQ(std::make_pair(def.fields.size(), def.secondaryKeys.size()), std::make_pair(size_t{6}, size_t{2}));
    const auto& f = def.fields;
    EXPECT_EQ(std::make_tuple(f[0].type, f[0].size, f[1].size, f[2].size, f[3].type, f[4].type, f[5].name),
              std::make_tuple(TKorFieldType::String, 20, 20, 137, TKorFieldType::SmallInt, TKorFieldType::Float,
                              std::string("No_")));
    EXPECT_EQ(std::make_tuple(def.primaryKeyField, def.secondaryKeys[0].unique, def.secondaryKeys[0].fields,
                              def.secondaryKeys[1].unique),
              std::make_tuple(3, true, std::vector<int32_t>{4, 5}, false));

    TFakeTable keyless({{"x", TExtFieldKind::Integer, 4}, {"y", TExtFieldKind::Text, 0}}, {});
    EXPECT_EQ(DefinitionFromSource(keyless, true).primaryKeyField, 1);
    EXPECT_EQ(DefinitionFromSource(keyless, false).primaryKeyField, 0);
}

TEST(ImportStructure, AccessTablesOfBothJetVersions) {
    if (korin::testing::FixturesDir().empty()) GTEST_SKIP() << "no fixtures";
    const std::string dir = korin::testing::FixturesDir() + "/access/";
    for (const char* file : {"test2V1997.mdb", "test2V2000.mdb"}) {
        SCOPED_TRACE(file);
        TempDir tmp;
        TKorTable table;
        Place(table, tmp);
        ASSERT_TRUE(CreateFromAccess(table, dir + file, "MSP_PROJECTS", Direct()));
        table.Open();
        // No primary index: field 1; PROJ_NAME Text (255) is 137 wide; two unique keys.
        ASSERT_EQ(table.SecondaryKeyCount(), 2);
        EXPECT_EQ(std::make_tuple(table.FieldCount(), table.PrimaryKeyField(), table.FieldDefs().FieldWidth(1),
                                  table.SecondaryKeyUnique(0), table.SecondaryKeyUnique(1)),
                  std::make_tuple(74, 1, 137, true, true));
    }
}

struct ImportFixture : ::testing::Test {
    void MakeTable(const std::vector<TKorNewField>& fields, int32_t primary) {
        table.Close();
        Place(table, dir);
        table.SetFieldDefs(fields);
        table.SetPrimaryKeyField(primary);
        table.CreateNew(true);
        table.Open();
    }
    // The import of `table` with its mapping loaded; with a source table "q"
    // made by `sql`, mapped by name.
    TTableImport& Import(const char* sql = nullptr) {
        import.emplace(table, dir.Path(), owner, Direct());
        import->LoadMapping();
        if (sql == nullptr) return *import;
        Sql(src, sql);
        import->ChooseSource(src, "q");
        import->MapByName();
        return *import;
    }
    // Field i of the record with this primary key (which becomes current).
    std::string Field(const std::string& key, int32_t i) {
        return table.FindByPrimary(key) ? table.GetField(i) : "(no record " + key + ")";
    }
    TempDir dir;
    const std::string src = dir / "src.sqlite";
    TKorTable table;
    TImpMapOwner owner{"ANLAGE", "", "", "TEIL"};
    std::optional<TTableImport> import;
};

TEST_F(ImportFixture, MappingFollowsTheFieldsAndAgreesOnBlankLevels) {
    MakeTable({{"Name", TKorFieldType::String, 10}, {"Wert", TKorFieldType::Integer, 0}}, 1);
    TTableImport& import = Import();
    ASSERT_EQ(import.Mapping().size(), 2u);
    ASSERT_TRUE(import.SetSourceField("Wert", "value"));

    // A new field gets a row at the end; the earlier choice stays.
    table.AddField("Neu", 700, 5, 0, 0, 0);
    import.LoadMapping();
    auto rows = import.Mapping();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(std::make_tuple(rows[2].korName, rows[2].code, rows[1].exName), std::make_tuple("Neu", 700, "value"));

    // A table with the same place but without "Wert" loses that row.
    MakeTable({{"Name", TKorFieldType::String, 10}, {"Neu", TKorFieldType::String, 5}}, 1);
    import.LoadMapping();
    rows = import.Mapping();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::make_tuple(rows[0].korName, rows[1].korName), std::make_tuple("Name", "Neu"));

    // The file as another Paradox reader sees it: the rows with blank levels.
    auto written = extdb::OpenSource(dir / "ImpMap.db")->OpenTable("ImpMap");
    ASSERT_EQ(written->Fields().size(), 12u);
    EXPECT_EQ(std::make_tuple(written->Fields()[0].name, written->Fields()[11].name), std::make_tuple("IndexNo", "ExTabName"));
    std::vector<extdb::TExtValue> row;
    std::vector<std::string> levels;
    while (written->NextRow(row)) levels.push_back(row[6].text + "|" + row[7].text + "|" + row[9].text);
    EXPECT_EQ(levels, std::vector<std::string>(2, "ANLAGE||TEIL"));
}

// Every record of a Paradox file as pxlib reads it, with its data block.
std::vector<std::pair<std::string, int>> PxRecords(const std::string& path, int expectType) {
    extdb::TPxDocument px;
    EXPECT_EQ(PX_open_file(px.get(), path.c_str()), 0) << path;
    if (px.get()->px_head == nullptr) return {};
    EXPECT_EQ(px.get()->px_head->px_filetype, expectType) << path;
    std::vector<std::pair<std::string, int>> records;
    std::vector<char> buf(static_cast<size_t>(px.get()->px_head->px_recordsize));
    for (int r = 0; r < PX_get_num_records(px.get()); ++r) {
        int deleted = 0;
        pxdatablockinfo_t info{};
        EXPECT_NE(PX_get_record2(px.get(), r, buf.data(), &deleted, &info), nullptr);
        records.emplace_back(std::string(buf.begin(), buf.end()), info.number);
    }
    return records;
}

int Short(pxdoc_t* doc, const std::string& record, size_t at) {
    short n = 0;
    PX_get_data_short(doc, const_cast<char*>(record.data() + at), 2, &n);
    return n;
}

TEST_F(ImportFixture, MappingComesWithItsPrimaryAndSecondaryIndex) {
    TImpMap map(dir.Path());
    const char* names[] = {"ORT", "Bez", "ALPHA", "ort", "ZZ", "ALPHA", ""};
    for (int i = 0; i < 75; ++i) {  // three data blocks of 32 rows
        TImpMapRow row;
        row.korName = names[(i * 5) % 7];
        row.korTabName = "TEIL";
        map.Insert(row);
    }
    map.Delete(3);
    map.Save();
    std::map<std::string, std::pair<std::string, int>> byKey;  // IndexNo bytes -> KorName bytes, block
    for (const auto& [record, block] : PxRecords(dir / TImpMap::kFileName, pxfFileTypIndexDB))
        byKey[record.substr(0, 4)] = {record.substr(4, 32), block};
    ASSERT_EQ(byKey.size(), 74u);
    EXPECT_EQ(byKey.rbegin()->second.second, 3);

    extdb::TPxDocument codec;
    const auto x = PxRecords(dir / TImpMap::kSecondaryIndex, pxfFileTypIncSecIndex);
    ASSERT_EQ(x.size(), 74u);
    for (size_t i = 0; i < x.size(); ++i) {
        const std::string& r = x[i].first;
        EXPECT_TRUE(i == 0 || x[i - 1].first.substr(0, 36) < r.substr(0, 36)) << i;  // KorName, then IndexNo
        ASSERT_EQ(byKey.count(r.substr(32, 4)), 1u);
        EXPECT_EQ(byKey[r.substr(32, 4)].first, r.substr(0, 32));
        EXPECT_EQ(Short(codec.get(), r, 36), byKey[r.substr(32, 4)].second);  // the hint
    }
    int covered = 0;
    for (const auto& [record, block] : PxRecords(dir / TImpMap::kSecondaryIndexIndex, pxfFileTypSecIndex)) {
        EXPECT_EQ(record.substr(0, 36), x[static_cast<size_t>(covered)].first.substr(0, 36));
        covered += Short(codec.get(), record, 38);
    }
    EXPECT_EQ(covered, 74);
    covered = 0;
    for (const auto& [record, block] : PxRecords(dir / TImpMap::kPrimaryIndex, pxfFileTypPrimIndex))
        covered += Short(codec.get(), record, 6);
    EXPECT_EQ(covered, 74);

    TImpMap back(dir.Path());
    back.Load();
    EXPECT_TRUE(back.IndexFilesCurrent());
    ASSERT_EQ(back.Rows().size(), 74u);
    EXPECT_EQ(std::make_pair(back.Rows()[4].indexNo, back.Rows()[4].korName), std::make_pair(6, std::string("ZZ")));
}

TEST_F(ImportFixture, MissingOrStaleIndexFilesAreWrittenAnewAndAFailedSaveKeepsTheOldSet) {
    MakeTable({{"Name", TKorFieldType::String, 10}}, 1);
    TTableImport& import = Import();
    const std::string x = dir / TImpMap::kSecondaryIndex;
    const auto changeCount = [&](const std::string& file) {
        unsigned char c = 0;
        extdb::ReadPxHeaderBytes(file, extdb::pxhead::kChangeCount, &c, 1);
        return int(c);
    };
    for (const char* damage : {"remove", "garbage", "other count"}) {
        SCOPED_TRACE(damage);
        const int before = changeCount(dir / TImpMap::kFileName);
        EXPECT_EQ(changeCount(x), before);
        if (damage[0] == 'r') ::unlink(x.c_str());
        if (damage[0] == 'g') korin::testing::WriteText(x, "no index");
        if (damage[0] == 'o') extdb::WritePxHeaderBytes(x, extdb::pxhead::kChangeCount, "\x7f", 1);
        TImpMap old(dir.Path());
        old.Load();  // the .db alone is read
        EXPECT_EQ(std::make_pair(old.IndexFilesCurrent(), old.Rows().size()), std::make_pair(false, size_t{1}));
        import.LoadMapping();
        EXPECT_EQ(std::make_pair(changeCount(dir / TImpMap::kFileName), changeCount(x)), std::make_pair(before + 1, before + 1));
    }
    const std::string before = korin::testing::ReadText(dir / TImpMap::kFileName);
    ASSERT_EQ(::mkdir((x + ".~new").c_str(), 0755), 0);  // the new .X02 cannot be written
    EXPECT_EQ(MessageOf([&] { import.ChooseSource("a.mdb", "T"); }),
              "ImpMap: Die Datei " + (dir / "ImpMap.db") + " kann nicht geschrieben werden!");
    EXPECT_EQ(korin::testing::ReadText(dir / TImpMap::kFileName), before);
    TImpMap old(dir.Path());
    old.Load();
    EXPECT_TRUE(old.IndexFilesCurrent());

    // A ring of data blocks or an encrypted header: refused before pxlib reads for ever.
    for (const auto& [at, bytes] : {std::pair<long, const char*>{0x800, "\x01\x00"}, {0x5C, "\x01\x00"}}) {
        extdb::WritePxHeaderBytes(dir / TImpMap::kFileName, at, bytes, 2);
        EXPECT_EQ(MessageOf([&] { old.Load(); }),
                  "ImpMap: Die Datei " + (dir / "ImpMap.db") + " kann nicht gelesen werden!");
        korin::testing::WriteText(dir / TImpMap::kFileName, before);
    }
}

TEST_F(ImportFixture, ReadingTwiceUpdatesAndEmptyKeysAreRefused) {
    MakeTable({{"K", TKorFieldType::String, 5}, {"ORT", TKorFieldType::String, 8}, {"N", TKorFieldType::Integer, 0}}, 1);
    TTableImport& import = Import("CREATE TABLE q (k TEXT, ort TEXT, n INTEGER); INSERT INTO q VALUES "
                                  "('A', 'München', 1), ('B', 'Мир', 2), ('', 'leer', 3), ('C', 'zu langer Ort', 4);");
    korin::testing::RecordingSink sink;
    TImportReport first = import.Read(nullptr);
    EXPECT_EQ(std::make_tuple(first.appended, first.refused, first.converted, first.cut),
              std::make_tuple(3, 1, 1, 1));
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_NE(sink.errors[0].find("Schlüsselkonflikt"), std::string::npos);
    EXPECT_EQ(std::make_tuple(Field("A", 1), Field("C", 1)), std::make_tuple("M\x81nchen", "zu lange"));  // ü in CP850

    Sql(src, "UPDATE q SET n = 9 WHERE k = 'A';");
    TImportReport second = import.Read(nullptr);
    EXPECT_EQ(std::make_tuple(second.appended, second.updated, table.HeaderRecordCount()), std::make_tuple(0, 3, 3));
    EXPECT_EQ(Field("A", 2), "9");
}

TEST_F(ImportFixture, BinaryValuesAreCountedAndNeverWriteAnEmptyValue) {
    MakeTable({{"K", TKorFieldType::String, 5}, {"B", TKorFieldType::String, 8}, {"T", TKorFieldType::String, 8}}, 1);
    TTableImport& import = Import("CREATE TABLE q (k TEXT, b BLOB, t TEXT);"
                                  "INSERT INTO q VALUES ('A', x'00ff', x'41'), ('B', NULL, 'text'), ('C', x'', 'x');");
    EXPECT_EQ(import.Read(nullptr).binary, 2);  // A's b and t; NULL and an empty BLOB lose nothing
    EXPECT_EQ(Field("A", 1), "");
    table.EditField(1, "kept");
    table.EditField(2, "kept");
    const TImportReport again = import.Read(nullptr);
    EXPECT_EQ(std::make_pair(again.updated, again.binary), std::make_pair(int64_t{3}, int64_t{2}));
    EXPECT_EQ(std::make_tuple(Field("A", 1), Field("A", 2), Field("B", 2)), std::make_tuple("kept", "kept", "text"));
}

TEST_F(ImportFixture, BadSourcesChangeNothing) {
    Sql(src, "CREATE TABLE q (k TEXT); INSERT INTO q VALUES ('A');");
    MakeTable({{"K", TKorFieldType::String, 5}}, 1);
    TTableImport& import = Import();
    EXPECT_EQ(MessageOf([&] { import.Read(nullptr); }),
              "Import: Für die Tabelle TEIL ist keine Quelltabelle gewählt!");
    import.ChooseSource(src, "q");
    import.SetSourceField("K", "gone");
    EXPECT_EQ(MessageOf([&] { import.Read(nullptr); }), "ExtDB: Das Feld gone existiert nicht in der Tabelle q!");
    import.ChooseSource(src, "missing");
    EXPECT_EQ(MessageOf([&] { import.Read(nullptr); }), "ExtDB: Die Tabelle missing existiert nicht in " + src + "!");
    korin::testing::WriteText(dir / "x.mdb", "no database");
    import.ChooseSource(dir / "x.mdb", "q");
    EXPECT_EQ(MessageOf([&] { import.Read(nullptr); }),
              "ExtDB: Die Datei " + (dir / "x.mdb") + " ist keine Access-Datenbank!");
    EXPECT_EQ(table.HeaderRecordCount(), 0);

    // Cancelled after two rows: the rows read so far stay.
    Sql(src, "INSERT INTO q VALUES ('B'), ('C'), ('D');");
    import.ChooseSource(src, "q");
    import.SetSourceField("K", "k");
    int asked = 0;
    EXPECT_TRUE(import.Read(nullptr, [&] { return ++asked > 2; }).cancelled);
    EXPECT_EQ(table.HeaderRecordCount(), 2);
}

}  // namespace
}  // namespace korin
