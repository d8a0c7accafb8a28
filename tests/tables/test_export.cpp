// Table export: the statements and value rules, and round trips of the demo
// tables through each target format, read back by the import's readers.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>

#include "extdb/ext_source.h"
#include "project/kor_dir_file.h"
#include "store/kor_path.h"
#include "store/kor_table.h"
#include "tables/table_export.h"
#include "test_support.h"

namespace korin {
namespace {

using testing::MessageOf;
using testing::TempDir;

const std::vector<TExportField> kExample{{"Name", 0, 20}, {"Nr", 1, 11}};

TEST(ExportStatements, WorkedExample) {
    EXPECT_EQ(CreateTableLines(TExportFormat::Paradox, "T.db", kExample, 2),
              (std::vector<std::string>{"CREATE TABLE 'T.db' ", "( Name CHAR(21) ", ", Nr INTEGER ", ", PRIMARY KEY (Nr)", ");"}));
    EXPECT_EQ(CreateTableLines(TExportFormat::Access, "T", kExample, 2),
              std::vector<std::string>{"CREATE TABLE [T] ( Name CHAR(21) , Nr INTEGER );"});
    EXPECT_EQ(CreateIndexStatement(TExportFormat::Access, "T", kExample, 2),
              "CREATE INDEX Nr ON  [T] (Nr) WITH PRIMARY;");
    const std::vector<std::string> values{ExportValue(0, ExportText("O'Neil", TExportCodePage::Windows1252), "Name"),
                                          ExportValue(1, ExportText("", TExportCodePage::Windows1252), "Nr")};
    EXPECT_EQ(InsertStatement(TExportFormat::Paradox, "T.db", values), "INSERT INTO 'T.db' VALUES (   'O Neil', 0 );");
}

TEST(ExportStatements, TextColumnAndTablesWithoutKey) {
    const std::vector<TExportField> fields{{"text", 0, 5}, {"Zahl", 17, 11}};
    EXPECT_EQ(CreateTableLines(TExportFormat::SQLite, "T", fields, 0),
              std::vector<std::string>{"CREATE TABLE [T] ( KorText CHAR(6) , Zahl INTEGER );"});
    EXPECT_EQ(CreateTableLines(TExportFormat::SQLite, "T", fields, 1),
              std::vector<std::string>{"CREATE TABLE [T] ( KorText CHAR(6) , Zahl INTEGER , PRIMARY KEY (KorText) );"});
    EXPECT_EQ(CreateTableLines(TExportFormat::FoxPro, "T.dbf", fields, 0).size(), 4u);  // no key line
    EXPECT_EQ(CreateIndexStatement(TExportFormat::Access, "T", fields, 0), "");
    EXPECT_EQ(CreateTableLines(TExportFormat::Paradox, "O'Hara.db", fields, 0)[0], "CREATE TABLE 'O''Hara.db' ");
}

TEST(ExportValues, CodePagesAndQuoteCharacters) {
    // Code page 850: 0x81 ü, 0x84 ä, 0xE1 ß, 0xEF acute accent, 0xB0 a shade block.
    EXPECT_EQ(ExportText("M\x81nchen", TExportCodePage::Utf8), "München");
    EXPECT_EQ(ExportText("M\x81nchen \x84\xE1", TExportCodePage::Windows1252), "M\xFCnchen \xE4\xDF");
    EXPECT_EQ(ExportText("a`b'c\"d\xEF" "e", TExportCodePage::Utf8), "a b c d e");
    EXPECT_EQ(ExportText("\xB0", TExportCodePage::Windows1252), "?");
    EXPECT_EQ(ExportValue(4, " 7 ", "F"), " 7 ");
    EXPECT_EQ(ExportValue(2, "1.50", "F"), "'1.50'");
    // Written unquoted, so what is no number must not reach the statement.
    EXPECT_EQ(MessageOf([] { ExportValue(18, "1); DROP TABLE x", "F"); }),
              "Export: Der Wert '1); DROP TABLE x' des Feldes F ist keine ganze Zahl!");
    EXPECT_NE(MessageOf([] { ExportValue(1, "4294967296", "F"); }), "(nothing raised)");
}

std::string FormatName(const ::testing::TestParamInfo<TExportFormat>& info) {
    return info.param == TExportFormat::Paradox ? "Paradox" : info.param == TExportFormat::FoxPro ? "FoxPro" : "SQLite";
}

// The test's own conversion: code page 850 to UTF-8, quote characters blank.
std::string Expected(const std::string& oem) {
    iconv_t cd = iconv_open("UTF-8", "CP850");
    std::string in = oem, out(oem.size() * 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    out.resize(out.size() - ol);
    for (const char* q : {"`", "'", "\"", "\xC2\xB4"})
        for (size_t at; (at = out.find(q)) != std::string::npos;) out.replace(at, std::string(q).size(), " ");
    return out;
}

std::string RightTrimmed(std::string s) { return s.erase(s.find_last_not_of(' ') + 1); }

const std::vector<std::vector<std::string>> kStandardTables{
    {"AUC_SYSTEM", "MESSTELLE"},   {"AUC_SYSTEM", "ANLAGE"},   {"AUC_SYSTEM", "ADERN"},
    {"AUC_SYSTEM", "FUNKTIONSGRUPPEN"}, {"AUC_SYSTEM", "INSTRUMENTIERUNG"}, {"AUC_SYSTEM", "KABEL"},
    {"AUC_SYSTEM", "SIGNALPFADE"}, {"AUC_SYSTEM", "SIGNALREPRESENTATION"}, {"AUC_SYSTEM", "ZEICHNUNGEN"},
    {"AUC_SYSTEM", "PRO_DOKU", "MSR_REF"}, {"AUC_SYSTEM", "PRO_DOKU", "KLEMMEN"}};

class ExportRoundTrip : public ::testing::TestWithParam<TExportFormat> {
protected:
    static void SetUpTestSuite() {
        demo_ = new TempDir;
        ASSERT_EQ(testing::RunTool({"demo", demo_->Path()}).exitCode, 0);
    }
    static void TearDownTestSuite() { delete demo_; }
    static TempDir* demo_;
};
TempDir* ExportRoundTrip::demo_ = nullptr;

TEST_P(ExportRoundTrip, EveryDemoTableReadsBackWithItsValuesAndKey) {
    const TExportFormat format = GetParam();
    TempDir out;
    TKorDirFile cat;
    cat.SetProject(demo_->Path() + "Demo/");
    cat.Open();
    for (const auto& path : kStandardTables) {
        SCOPED_TRACE(path.back());
        std::string dataFile, keyFile;
        ASSERT_TRUE(cat.TableFiles(path, dataFile, keyFile));
        TKorTable table;
        table.SetProject(cat.Project());
        table.SetKeyFileName(keyFile);
        table.SetFileName(dataFile);
        table.Open();
        TExportOptions options{format, out.Path(), path.back(), true};
        const char* ext = format == TExportFormat::Paradox ? ".db" : ".dbf";
        if (format == TExportFormat::SQLite) options.database = out / "demo.sqlite";
        TTableExport exporter(options);
        ASSERT_EQ(exporter.Run(table, false), TTableExport::TResult::Done);
        std::vector<std::vector<std::string>> want;
        const TKorFieldDefs& defs = table.FieldDefs();
        for (bool more = table.First(); more; more = table.Next()) {
            std::vector<std::string> row;
            for (int32_t i = 0; i < defs.FieldCount(); ++i) {
                const std::string v = Expected(table.GetField(i));
                const bool number = ExportIntegerType(defs.FieldType(i));
                row.push_back(number && v.find_first_not_of(' ') == std::string::npos ? "0" : v);
            }
            want.push_back(row);
        }
        auto source = extdb::OpenSource(format == TExportFormat::SQLite ? options.database
                                                                        : out.Path() + path.back() + ext);
        auto target = source->OpenTable(path.back());
        ASSERT_EQ(target->Fields().size(), static_cast<size_t>(defs.FieldCount()));
        // Paradox puts the key field first; dBase names are cut, so it keeps order.
        std::vector<int32_t> column(static_cast<size_t>(defs.FieldCount()));
        for (int32_t i = 0; i < defs.FieldCount(); ++i)
            column[i] = format == TExportFormat::FoxPro ? i : target->FieldIndex(defs.FieldName(i));
        std::vector<std::vector<std::string>> got;
        std::vector<extdb::TExtValue> row;
        while (target->NextRow(row)) {
            std::vector<std::string> values;
            for (int32_t c : column) values.push_back(format == TExportFormat::FoxPro ? RightTrimmed(row[c].text)
                                                                                      : row[c].text);
            got.push_back(values);
        }
        if (format == TExportFormat::FoxPro)
            for (auto& r : want)
                for (auto& v : r) v = RightTrimmed(v);
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, want);
        if (format != TExportFormat::FoxPro && table.PrimaryKeyField() > 0) {
            const auto& idx = target->Indexes();
            const std::string key = defs.FieldName(table.PrimaryKeyField() - 1);
            EXPECT_TRUE(std::any_of(idx.begin(), idx.end(), [&](const extdb::TExtIndex& x) {
                return x.primary && x.fields == std::vector<std::string>{key};
            }));
        }
    }
}

const auto kFormats = ::testing::Values(TExportFormat::Paradox, TExportFormat::FoxPro, TExportFormat::SQLite);
INSTANTIATE_TEST_SUITE_P(Formats, ExportRoundTrip, kFormats, FormatName);

class ExportReplace : public ::testing::TestWithParam<TExportFormat> {
protected:
    void SetUp() override {
        table.SetProject(dir.Path());
        table.SetFileName("t.dat");
        table.SetKeyFileName("t.key");
        table.SetFieldDefs({{"Name", TKorFieldType::String, 20}, {"Nr", TKorFieldType::Integer, 0}});
        table.SetPrimaryKeyField(2);
        table.CreateNew(true);
        table.Open();
        for (int i = 0; i < 12; ++i) table.Append({"M\x81nchen", std::to_string(i)});
        options = {GetParam(), out.Path(), "T", true};
        if (GetParam() == TExportFormat::SQLite) options.database = out / "t.sqlite";
    }
    std::vector<std::string> Listing() const {
        auto names = path::ListDirectory(out.Path());
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir dir, out;
    TKorTable table;
    TExportOptions options;
};

TEST_P(ExportReplace, OldTargetStaysUnlessTheNewOneIsComplete) {
    TTableExport exporter(options);
    const auto never = [] { return true; };
    if (GetParam() == TExportFormat::SQLite) {  // a database file the export made goes again
        EXPECT_EQ(exporter.Run(table, false, nullptr, never), TTableExport::TResult::Cancelled);
        EXPECT_TRUE(Listing().empty());
    }
    ASSERT_EQ(exporter.Run(table, false), TTableExport::TResult::Done);
    const auto files = Listing();
    std::vector<std::vector<uint8_t>> bytes;
    for (const auto& f : files) bytes.push_back(testing::ReadBytes(out / f));
    const auto unchanged = [&] {
        EXPECT_EQ(Listing(), files);
        for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(testing::ReadBytes(out / files[i]), bytes[i]) << files[i];
    };
    EXPECT_EQ(MessageOf([&] { exporter.Run(table, false); }), "Die Tabelle existiert bereits.");
    unchanged();
    EXPECT_EQ(exporter.Run(table, true, nullptr, never), TTableExport::TResult::Cancelled);
    unchanged();
    table.AddField("Bad", 700, 5, 0, 4, 0);  // type 4 keeps any text
    ASSERT_TRUE(table.GoToSlot(5));
    table.EditField(2, "abc");
    EXPECT_EQ(MessageOf([&] { exporter.Run(table, true); }),
              "Export: Der Wert 'abc' des Feldes Bad ist keine ganze Zahl!");
    unchanged();
    table.EditField(2, "5");
    EXPECT_EQ(exporter.Run(table, true), TTableExport::TResult::Done);
    auto source = extdb::OpenSource(GetParam() == TExportFormat::SQLite ? options.database
                                                                        : out.Path() + exporter.Options().tableName);
    auto target = source->OpenTable("T");
    EXPECT_EQ(target->Fields().size(), 3u);
    std::vector<extdb::TExtValue> row;
    ASSERT_TRUE(target->NextRow(row));  // the code page the file declares reads back
    EXPECT_EQ(RightTrimmed(row[target->FieldIndex("Name")].text), "München");
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportReplace, kFormats, FormatName);

}  // namespace
}  // namespace korin
