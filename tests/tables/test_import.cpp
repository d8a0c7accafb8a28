// The import: structure rules, the mapping's life in "ImpMap.db", and reading
// rows (update instead of append, refused keys, CP850, bad input).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "extdb/ext_source.h"
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
    const std::string& Name() const override { return name_; }
    const std::vector<extdb::TExtField>& Fields() const override { return fields_; }
    const std::vector<extdb::TExtIndex>& Indexes() const override { return indexes_; }
    int64_t RowCount() override { return 0; }
    bool NextRow(std::vector<extdb::TExtValue>&) override { return false; }
    void Rewind() override {}

private:
    std::string name_ = "T";
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

TEST(ImportStructure, FieldKindsSizesAndKeys) {
    TFakeTable source({{"a", TExtFieldKind::Memo, 0},
                       {"b", TExtFieldKind::Date, 0},
                       {"c", TExtFieldKind::Text, 255},
                       {"d", TExtFieldKind::SmallInt, 2},
                       {"e", TExtFieldKind::Float, 8},
                       {"No#", TExtFieldKind::Text, 7}},
                      {{"pk", true, true, {"c"}}, {"u", false, true, {"d", "e"}}, {"n", false, false, {"b"}}});
    const TCreateDefinition def = DefinitionFromSource(source, true);
    ASSERT_EQ(def.fields.size(), 6u);
    EXPECT_EQ(def.fields[0].type, TKorFieldType::String);
    EXPECT_EQ(def.fields[0].size, 20);
    EXPECT_EQ(def.fields[1].size, 20);
    EXPECT_EQ(def.fields[2].size, 137);
    EXPECT_EQ(def.fields[3].type, TKorFieldType::SmallInt);
    EXPECT_EQ(def.fields[4].type, TKorFieldType::Float);
    EXPECT_EQ(def.fields[5].name, "No_");
    EXPECT_EQ(def.primaryKeyField, 3);
    ASSERT_EQ(def.secondaryKeys.size(), 2u);
    EXPECT_TRUE(def.secondaryKeys[0].unique);
    EXPECT_EQ(def.secondaryKeys[0].fields, (std::vector<int32_t>{4, 5}));
    EXPECT_FALSE(def.secondaryKeys[1].unique);

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
        table.SetProject(tmp.Path());
        table.SetFileName("000001");
        table.SetKeyFileName("000002");
        ASSERT_TRUE(CreateFromAccess(table, dir + file, "MSP_PROJECTS", Direct()));
        table.Open();
        EXPECT_EQ(table.FieldCount(), 74);
        EXPECT_EQ(table.PrimaryKeyField(), 1);  // no primary index: field 1
        EXPECT_EQ(table.FieldDefs().FieldWidth(1), 137);  // PROJ_NAME Text (255)
        ASSERT_EQ(table.SecondaryKeyCount(), 2);
        EXPECT_TRUE(table.SecondaryKeyUnique(0));
        EXPECT_TRUE(table.SecondaryKeyUnique(1));
    }
}

struct ImportFixture : ::testing::Test {
    void MakeTable(const std::vector<TKorNewField>& fields, int32_t primary) {
        table.Close();
        table.SetProject(dir.Path());
        table.SetFileName("000001");
        table.SetKeyFileName("000002");
        table.SetFieldDefs(fields);
        table.SetPrimaryKeyField(primary);
        table.CreateNew(true);
        table.Open();
    }
    TempDir dir;
    TKorTable table;
    TImpMapOwner owner{"ANLAGE", "", "", "TEIL"};
};

TEST_F(ImportFixture, MappingFollowsTheFieldsAndAgreesOnBlankLevels) {
    MakeTable({{"Name", TKorFieldType::String, 10}, {"Wert", TKorFieldType::Integer, 0}}, 1);
    TTableImport import(table, dir.Path(), owner, Direct());
    import.LoadMapping();
    ASSERT_EQ(import.Mapping().size(), 2u);
    ASSERT_TRUE(import.SetSourceField("Wert", "value"));

    // A new field gets a row at the end; the earlier choice stays.
    table.AddField("Neu", 700, 5, 0, 0, 0);
    import.LoadMapping();
    auto rows = import.Mapping();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].korName, "Neu");
    EXPECT_EQ(rows[2].code, 700);
    EXPECT_EQ(rows[1].exName, "value");

    // A table with the same place but without "Wert" loses that row.
    MakeTable({{"Name", TKorFieldType::String, 10}, {"Neu", TKorFieldType::String, 5}}, 1);
    import.LoadMapping();
    rows = import.Mapping();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].korName, "Name");
    EXPECT_EQ(rows[1].korName, "Neu");

    // The file as another Paradox reader sees it: the rows with blank levels.
    auto written = extdb::OpenSource(dir / "ImpMap.db")->OpenTable("ImpMap");
    ASSERT_EQ(written->Fields().size(), 12u);
    EXPECT_EQ(written->Fields()[0].name, "IndexNo");
    EXPECT_EQ(written->Fields()[11].name, "ExTabName");
    std::vector<extdb::TExtValue> row;
    int count = 0;
    while (written->NextRow(row)) {
        ++count;
        EXPECT_EQ(row[6].text, "ANLAGE");
        EXPECT_TRUE(row[7].text.empty());
        EXPECT_EQ(row[9].text, "TEIL");
    }
    EXPECT_EQ(count, 2);
}

TEST_F(ImportFixture, ReadingTwiceUpdatesAndEmptyKeysAreRefused) {
    const std::string src = dir / "src.sqlite";
    Sql(src, "CREATE TABLE q (k TEXT, ort TEXT, n INTEGER);"
             "INSERT INTO q VALUES ('A', 'München', 1), ('B', 'Мир', 2), ('', 'leer', 3), ('C', 'zu langer Ort', 4);");
    MakeTable({{"K", TKorFieldType::String, 5}, {"ORT", TKorFieldType::String, 8}, {"N", TKorFieldType::Integer, 0}}, 1);
    TTableImport import(table, dir.Path(), owner, Direct());
    import.LoadMapping();
    import.ChooseSource(src, "q");
    import.MapByName();
    korin::testing::RecordingSink sink;
    TImportReport first = import.Read(nullptr);
    EXPECT_EQ(first.appended, 3);
    EXPECT_EQ(first.refused, 1);
    EXPECT_EQ(first.converted, 1);
    EXPECT_EQ(first.cut, 1);
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_NE(sink.errors[0].find("Schlüsselkonflikt"), std::string::npos);
    ASSERT_TRUE(table.FindByPrimary("A"));
    EXPECT_EQ(table.GetField(1), "M\x81nchen");  // ü in CP850
    ASSERT_TRUE(table.FindByPrimary("C"));
    EXPECT_EQ(table.GetField(1), "zu lange");

    Sql(src, "UPDATE q SET n = 9 WHERE k = 'A';");
    TImportReport second = import.Read(nullptr);
    EXPECT_EQ(second.appended, 0);
    EXPECT_EQ(second.updated, 3);
    EXPECT_EQ(table.HeaderRecordCount(), 3);
    ASSERT_TRUE(table.FindByPrimary("A"));
    EXPECT_EQ(table.GetField(2), "9");
}

TEST_F(ImportFixture, BadSourcesChangeNothing) {
    const std::string src = dir / "src.sqlite";
    Sql(src, "CREATE TABLE q (k TEXT); INSERT INTO q VALUES ('A');");
    MakeTable({{"K", TKorFieldType::String, 5}}, 1);
    TTableImport import(table, dir.Path(), owner, Direct());
    import.LoadMapping();
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
    TImportReport report = import.Read(nullptr, [&] { return ++asked > 2; });
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(table.HeaderRecordCount(), 2);
}

}  // namespace
}  // namespace korin
