// The export's statements as the directory database parses them, and the
// refusals of the Paradox and dBase writers.
#include <gtest/gtest.h>

#include <tuple>

#include "extdb/export_sql.h"
#include "store/kor_path.h"
#include "test_support.h"

namespace korin::extdb {
namespace {

using testing::MessageOf;

TEST(ExportStatementParser, ReadsQuotedNamesAndValues) {
    const TExtStatement create = ParseStatement("CREATE TABLE 'O''Hara.db' \r\n( Name CHAR(21) \r\n, Nr INTEGER "
                                                "\r\n, PRIMARY KEY (Nr)\r\n);");
    ASSERT_EQ(create.columns.size(), 2u);
    EXPECT_EQ(std::make_tuple(create.table, create.columns[0].size, create.columns[1].integer, create.primaryKey),
              std::make_tuple("O'Hara.db", 21, true, "Nr"));
    const TExtStatement insert = ParseStatement("INSERT INTO [T] VALUES (   'it''s', -5 );");
    ASSERT_EQ(insert.values.size(), 2u);
    EXPECT_EQ(std::make_tuple(insert.values[0].text, insert.values[0].quoted, IntegerValue(insert.values[1], "Nr")),
              std::make_tuple("it's", true, -5));
}

TEST(ExportStatementParser, RefusesWhatItDoesNotKnow) {
    for (const char* bad : {"SELECT * FROM T", "CREATE TABLE 'T' ( a BLOB );", "CREATE TABLE 'T' ( a CHAR(0) );",
                            "INSERT INTO 'T' VALUES ( 'x' ", "INSERT INTO 'T' VALUES ( 'x );", "DROP TABLE 'T'; x",
                            "CREATE TABLE 'T' ( a INTEGER , PRIMARY KEY (a) "})
        EXPECT_EQ(MessageOf([&] { ParseStatement(bad); }).rfind("ExtDB: Die Anweisung ist ungültig: ", 0), 0u) << bad;
    EXPECT_EQ(MessageOf([] { ParseStatement("CREATE TABLE [T] ( a INTEGER , A CHAR(2) );"); }),
              "ExtDB: Die Spalte A ist doppelt vorhanden!");
    EXPECT_EQ(MessageOf([] { ParseStatement("CREATE TABLE [T] ( a INTEGER , PRIMARY KEY (b) );"); }),
              "ExtDB: Die Spalte b existiert nicht!");
    for (const char* number : {"2147483648", "1e3", "", "--1", "0x10"})
        EXPECT_NE(MessageOf([&] { IntegerValue({number, false}, "Nr"); }), "(nothing raised)") << number;
}

TEST(ExportColumnNames, CutNamesStayDistinct) {
    EXPECT_EQ(FitColumnNames({"Bezeichner_Anlage", "Bezeichner_Stelle", "bezeichner", "Nr"}, 10),
              (std::vector<std::string>{"Bezeichner", "Bezeichne2", "bezeichne3", "Nr"}));
}

TEST(ExportDirectoryDatabase, RefusalsLeaveNoFiles) {
    testing::TempDir dir;
    {
        TExtDirectoryDatabase db(dir.Path(), TExtTargetFormat::Paradox);
        db.Execute("CREATE TABLE 'K.db' ( Name CHAR(5) , Nr INTEGER , PRIMARY KEY (Nr) );");
        db.Execute("INSERT INTO 'K.db' VALUES (  'a', 7 );");
        db.Execute("INSERT INTO 'K.db' VALUES (  'b', 7 );");
        for (const auto& [statement, message] : std::vector<std::pair<std::string, std::string>>{
                 {"INSERT INTO 'K.db' VALUES (  'b' );", "ExtDB: Die Tabelle K.db erwartet 2 Werte, nicht 1!"},
                 {"INSERT INTO 'K.db' VALUES (  'abcdef', 1 );", "ExtDB: Der Wert der Spalte Name ist länger als 5 Zeichen!"},
                 {"", "ExtDB: Schlüsselverletzung in der Tabelle K.db: 7"},  // Commit
                 {"CREATE TABLE '../K.db' ( a INTEGER );", "ExtDB: Der Tabellenname ../K.db ist ungültig!"},
                 {"CREATE TABLE 'W.db' ( a CHAR(256) );", "ExtDB: Die Spaltenbreite 256 ist für Paradox zu groß!"}})
            EXPECT_EQ(MessageOf([&] { statement.empty() ? db.Commit() : db.Execute(statement); }), message);
        TExtDirectoryDatabase dbf(dir.Path(), TExtTargetFormat::DBase);  // goes without Commit
        dbf.Execute("CREATE TABLE 'D.dbf' ( a INTEGER );");
        EXPECT_EQ(MessageOf([&] { dbf.Execute("CREATE TABLE 'D.dbf' ( a INTEGER );"); }),
                  "ExtDB: Die Tabelle D.dbf existiert bereits!");
    }
    EXPECT_TRUE(path::ListDirectory(dir.Path()).empty());
}

}  // namespace
}  // namespace korin::extdb
