// The source readers against the shared fixtures (facts from their README) and
// against SQLite files made here.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <tuple>

#include "extdb/ext_isolated.h"
#include "extdb/ext_source.h"
#include "test_support.h"

namespace korin::extdb {
namespace {

using korin::testing::MessageOf;
using korin::testing::TempDir;

std::string Fixture(const std::string& name) {
    const std::string dir = korin::testing::FixturesDir();
    return dir.empty() ? std::string() : dir + "/" + name;
}

struct TableCase {
    const char *file, *table;
    size_t fields;
    const char* textField;  // a text field and its declared size
    int32_t textSize;
    int64_t rows;
    const char* primary;  // first field of the primary index, "" when none
    int uniqueSecondaries, otherSecondaries;
};

// Jet 3 and Jet 4 (sizes in characters), foreign-key references left out.
const TableCase kTables[] = {
    {"access/testV1997.mdb", "Table1", 9, "B", 100, 2, "A", 0, 1},
    {"access/nwind.mdb", "Orders", 14, "ShipName", 40, 830, "OrderID", 0, 5},
    {"access/nwind.mdb", "Categories", 4, "CategoryName", 15, 8, "CategoryID", 1, 0},
    {"access/test2V1997.mdb", "MSP_PROJECTS", 74, "PROJ_NAME", 255, 1, "", 2, 0},
    {"access/test2V2000.mdb", "MSP_PROJECTS", 74, "PROJ_NAME", 255, 1, "", 2, 0},
    {"access/testUnicodeCompV2003.mdb", "Table", 2, "Unicode", 255, 8, "ID", 0, 1},
    {"access/DateTestDatabase.mdb", "DateTest", 6, "ShortTextCol", 255, 6, "", 0, 0},
    {"paradox/CUSTOMER/CUSTOMER.DB", "CUSTOMER", 10, "FirstName", 51, 20, "CustNo", 0, 0},
    {"paradox/AREACODES/AREACODES.DB", "AREACODES", 3, "Cities", 157, 370, "AC", 0, 0},
    {"dbase/people.dbf", "people", 2, "NAME", 16, 2, "", 0, 0},
    {"dbase/sids.dbf", "sids", 14, "FIPS", 5, 100, "", 0, 0},
};

TEST(ExtSources, FixtureTablesGiveTheirFieldsIndexesAndRows) {
    if (Fixture("").empty()) GTEST_SKIP() << "no fixtures";
    for (const auto& c : kTables) {
        SCOPED_TRACE(std::string(c.file) + " " + c.table);
        auto source = OpenSource(Fixture(c.file));
        auto table = source->OpenTable(c.table);
        ASSERT_EQ(table->Fields().size(), c.fields);
        const int32_t t = table->FieldIndex(c.textField);
        ASSERT_GE(t, 0);
        EXPECT_EQ(table->Fields()[static_cast<size_t>(t)].size, c.textSize);
        std::string primary;
        int unique = 0, other = 0;
        for (const auto& idx : table->Indexes()) {
            ASSERT_FALSE(idx.fields.empty()) << idx.name;
            if (idx.primary) primary = idx.fields[0];
            else (idx.unique ? unique : other)++;
        }
        EXPECT_EQ(std::make_tuple(primary, unique, other),
                  std::make_tuple(std::string(c.primary), c.uniqueSecondaries, c.otherSecondaries));
        std::vector<TExtValue> row;
        int64_t rows = 0;
        for (; table->NextRow(row); ++rows) ASSERT_EQ(row.size(), c.fields);
        EXPECT_EQ(rows, c.rows);
    }
}

TEST(ExtSources, TextsArriveAsUtf8AndDatesAsDayMonthYear) {
    if (Fixture("").empty()) GTEST_SKIP() << "no fixtures";
    auto jet3 = OpenSource(Fixture("access/testV1997.mdb"))->OpenTable("Table1");
    std::vector<TExtValue> row;
    ASSERT_TRUE(jet3->NextRow(row));
    EXPECT_EQ(row[6].text, "12.12.1981");
    ASSERT_TRUE(jet3->NextRow(row));
    EXPECT_EQ(row[0].text + "|" + row[6].text + "|" + row[8].text, "abcdefg|21.09.1974|1");
    auto jet4 = OpenSource(Fixture("access/testUnicodeCompV2003.mdb"))->OpenTable("Table");
    std::vector<std::string> texts;
    while (jet4->NextRow(row)) texts.push_back(row[1].text);
    for (const char* text : {"ümlaut", "Мир"}) EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
    auto paradox = OpenSource(Fixture("paradox/TypSammlung/TypSammlung.DB"))->OpenTable("TypSammlung");
    EXPECT_GE(paradox->FieldIndex("Währung"), 0);
    const int32_t memo = paradox->FieldIndex("Memo");
    std::string fuenfter;
    while (paradox->NextRow(row))
        if (row[0].text == "Fünfter Datensatz") fuenfter = row[static_cast<size_t>(memo)].text;
    EXPECT_EQ(fuenfter, "Dies ist eine Memo im 'Fünften Datensat'");  // 40 bytes of TypSammlung.MB
    // The four comments longer than their 100-byte leader (318 .. 56864 bytes) come from CUSTOMER.MB whole.
    auto customer = OpenSourceIsolated(Fixture("paradox/CUSTOMER/CUSTOMER.DB"))->OpenTable("CUSTOMER");
    std::vector<size_t> longer;
    while (customer->NextRow(row))
        if (row[8].text.size() > 100) longer.push_back(row[8].text.size());
    ASSERT_EQ(longer.size(), 4u);
    EXPECT_GE(*std::max_element(longer.begin(), longer.end()), 56864u);
}

// Values that hold bytes are marked binary, through the child process too;
// the counts are those of mdb-export and of the records' blob lengths.
TEST(ExtSources, BinaryValuesAreMarkedNotDropped) {
    if (Fixture("").empty()) GTEST_SKIP() << "no fixtures";
    const std::tuple<const char*, const char*, int> cases[] = {
        {"access/nwind.mdb", "Categories", 8},      // Picture (OLE)
        {"access/nwind.mdb", "Employees", 9},       // Photo (OLE)
        {"access/testAccess2_2000.mdb", "Table1", 1},  // OLEObject, NULL in row 2
        {"paradox/TypSammlung/TypSammlung.DB", "TypSammlung", 0},  // "Binär" and "Bytes" empty
    };
    for (const auto& [file, name, expected] : cases) {
        SCOPED_TRACE(std::string(file) + " " + name);
        auto table = OpenSourceIsolated(Fixture(file))->OpenTable(name);
        std::vector<TExtValue> row;
        int binary = 0;
        while (table->NextRow(row))
            for (size_t i = 0; i < row.size(); ++i)
                if (row[i].binary) {
                    ++binary;
                    EXPECT_TRUE(table->Fields()[i].kind == TExtFieldKind::Binary && row[i].text.empty() && !row[i].null) << i;
                }
        EXPECT_EQ(binary, expected);
    }
}

TEST(ExtSources, OleDatesOutsideMdbtoolsRange) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "30.12.1899"},          {2.0, "01.01.1900"},
        {-728.0, "01.01.1898"},       {2958465.0, "31.12.9999"},
        {36526.5, "01.01.2000 12:00:00"}, {0.25, "06:00:00"},
        {-1.25, "29.12.1899 06:00:00"}, {3e6, ""},
    };
    for (const auto& [days, text] : cases) EXPECT_EQ(OleDateText(days), text) << days;
}

TEST(ExtSources, BadInputGivesGermanMessages) {
    TempDir dir;
    korin::testing::WriteText(dir / "text.mdb", std::string(4096, 'x'));
    const std::string notAccess = "ExtDB: Die Datei " + (dir / "text.mdb") + " ist keine Access-Datenbank!";
    EXPECT_EQ((std::vector<std::string>{MessageOf([&] { OpenSource(dir / "missing.mdb"); }),
                                        MessageOf([&] { OpenSource(dir / "text.mdb"); }),
                                        MessageOf([&] { OpenSourceIsolated(dir / "text.mdb"); })}),
              (std::vector<std::string>{"ExtDB: Die Datei " + (dir / "missing.mdb") + " existiert nicht!", notAccess, notAccess}));
    if (Fixture("").empty()) return;
    EXPECT_EQ(MessageOf([&] { OpenSourceIsolated(Fixture("access/nwind.mdb"))->OpenTable("Gone"); }),
              "ExtDB: Die Tabelle Gone existiert nicht in " + Fixture("access/nwind.mdb") + "!");
    // A cut-off database: a message or a partial read, never a crash of this process.
    auto bytes = korin::testing::ReadBytes(Fixture("access/nwind.mdb"));
    bytes.resize(bytes.size() / 3);
    korin::testing::WriteBytes(dir / "cut.mdb", bytes);
    const std::string cut = MessageOf([&] {
        auto source = OpenSourceIsolated(dir / "cut.mdb");
        for (const auto& name : source->TableNames()) source->OpenTable(name);
    });
    EXPECT_TRUE(cut == "(nothing raised)" || cut.find("ExtDB: ") != std::string::npos) << cut;
}

TEST(ExtSources, SQLiteTablesWithKeys) {
    TempDir dir;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "s.sqlite").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(12) NOT NULL, v REAL);"
                               "CREATE UNIQUE INDEX byName ON t(name); CREATE INDEX byV ON t(v, name);"
                               "INSERT INTO t VALUES (1, 'München', 0.1), (2, 'x', NULL);", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    auto source = OpenSourceIsolated(dir / "s.sqlite");
    ASSERT_EQ(source->TableNames(), std::vector<std::string>{"t"});
    auto t = source->OpenTable("T");
    ASSERT_EQ(std::make_pair(t->Fields().size(), t->Indexes().size()), std::make_pair(size_t{3}, size_t{3}));
    EXPECT_EQ(std::make_tuple(t->Fields()[1].size, t->Indexes()[0].primary, t->Indexes()[1].unique, t->Indexes()[2].fields),
              std::make_tuple(12, true, true, std::vector<std::string>{"v", "name"}));
    std::vector<TExtValue> row;
    ASSERT_TRUE(t->NextRow(row));
    EXPECT_EQ(std::make_pair(row[1].text, row[2].text), std::make_pair(std::string("München"), std::string("0.1")));
    ASSERT_TRUE(t->NextRow(row));
    EXPECT_TRUE(row[2].null && !t->NextRow(row));
}

}  // namespace
}  // namespace korin::extdb
