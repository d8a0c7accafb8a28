// Table export: a project table into a Paradox, FoxPro or SQLite table.
//
// The export creates the target table from the table's field definitions, gives
// it the table's primary key field as key and, when asked, copies every record.
// It speaks SQL statements, generated here as text and carried out by the
// databases of extdb/export_sql.h:
//
//   Paradox (format 1)  a directory; the table is a file ("T.db"), its name
//                       written in single quotes; a Paradox 7 file (pxlib).
//   Access  (format 2)  statements only: no library on this system writes
//                       Access files, so the choice is offered but disabled.
//   FoxPro  (format 3)  a directory; the table is a file ("T.dbf"), its name in
//                       single quotes; a FoxPro/dBase file (shapelib).
//   SQLite  (format 4)  a database file (created when missing) takes the place of
//                       Access: its statements are Access's, names in square
//                       brackets.
//
// Column types: a field of type 1, 3, 4, 17 or 18 becomes "INTEGER", every other
// "CHAR(" + (width + 1) + ")". Column names: the field's name, except that a
// field whose name in upper case is "TEXT" becomes "KorText"; the key clause and
// the index name the key field by its column name too.
//
// Statements (table name T, fields Name type 0 width 20 and Nr type 1, the key):
//   Paradox, FoxPro   "CREATE TABLE 'T.db' " / "( Name CHAR(21) " / ", Nr INTEGER "
//                     / ", PRIMARY KEY (Nr)" / ");"   (five lines)
//   Access            "CREATE TABLE [T] ( Name CHAR(21) , Nr INTEGER );"
//                     "CREATE INDEX Nr ON  [T] (Nr) WITH PRIMARY;"
//   SQLite            "CREATE TABLE [T] ( Name CHAR(21) , Nr INTEGER , PRIMARY KEY (Nr) );"
//                     (SQLite cannot add a primary key to a table afterwards, so
//                     the key that Access's index statement gives is declared
//                     in the create statement; there is no index statement)
//   records           "INSERT INTO 'T.db' VALUES (   'O Neil', 0 );"
//                     ("[T]" for Access and SQLite)
// A table name in single quotes has its inner quotes doubled.
//
// Values: every record text is converted from the store's code page 850 to the
// target's (Windows-1252 for Paradox and FoxPro, a character it lacks becoming
// "?"; UTF-8 for SQLite); in it each grave accent, apostrophe, double quote and
// acute accent becomes a blank. Values of the integer types are written as they
// are when their trimmed text is not empty, "0" when it is; a text that is not a
// whole number in -2147483647 .. 2147483647 is refused rather than written into
// the statement. All other values are written in single quotes.
//
// Replacing: the old target table is replaced only when the new one has been
// written completely (extdb/export_sql.h); a failed or cancelled export leaves
// the old table, and a database file that the export created is removed again.
//
// Refusals (korin::Exception), besides those of extdb/export_sql.h and the table:
//   "Die Tabelle existiert bereits."                        (exists, replace not given)
//   "Export: Die Tabelle ist nicht geöffnet!"
//   "Export: Das Ziel <database> existiert nicht!"          (target not valid)
//   "Export: Der Tabellenname <name> ist ungültig!"         (empty; "/", "\" or "]" in it)
//   "Export: Access-Datenbanken können nicht geschrieben werden!"
//   "Export: Der Wert '<text>' des Feldes <name> ist keine ganze Zahl!"
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korin {

class IKorProgress;
class TKorTable;

enum class TExportFormat { Paradox = 1, Access = 2, FoxPro = 3, SQLite = 4 };

enum class TExportCodePage { Windows1252, Utf8 };

struct TExportField {
    std::string name;
    int32_t type = 0;
    int32_t width = 0;
};

bool ExportIntegerType(int32_t type);
std::string ExportColumnType(int32_t type, int32_t width);
std::string ExportColumnName(const std::string& fieldName);

// A store text (code page 850) in the target's code page, with the four quote
// characters made blanks.
std::string ExportText(std::string_view oem, TExportCodePage codePage);
// A converted text as the statement writes it (value rules above).
std::string ExportValue(int32_t type, const std::string& text, const std::string& fieldName);

// The create statement, one entry per line (Paradox and FoxPro: several lines;
// Access and SQLite: one). primaryKeyField is 1-based, 0 for none.
std::vector<std::string> CreateTableLines(TExportFormat format, const std::string& table,
                                          const std::vector<TExportField>& fields, int32_t primaryKeyField);
// Access's index statement; empty for the other formats and without a key.
std::string CreateIndexStatement(TExportFormat format, const std::string& table,
                                 const std::vector<TExportField>& fields, int32_t primaryKeyField);
// values: as ExportValue wrote them.
std::string InsertStatement(TExportFormat format, const std::string& table, const std::vector<std::string>& values);

struct TExportOptions {
    TExportFormat format = TExportFormat::Paradox;
    // Paradox, FoxPro: the directory; SQLite, Access: the database file.
    std::string database;
    std::string tableName;
    bool withContents = false;
};

class TTableExport {
public:
    explicit TTableExport(TExportOptions options);

    const TExportOptions& Options() const { return options_; }
    // SQLite, Access: the database file exists (SQLite: or its folder does, the
    // file is created); Paradox, FoxPro: the directory exists.
    bool TargetValid() const;
    // Whether the target table exists: the file database + table name, or, in
    // a database file, a user table of that name ignoring case.
    bool TableExists() const;

    enum class TResult { Done, Cancelled };
    // Creates the target table, and copies the records when asked. An existing
    // target table is replaced only with `replace`. The progress indicator
    // (may be null) runs 0 .. record count, step 10, one step after every tenth
    // record, reset at the end; `cancelled` (may be empty) is asked after every
    // tenth record, and a true answer discards everything written.
    TResult Run(TKorTable& table, bool replace, IKorProgress* progress = nullptr,
                const std::function<bool()>& cancelled = {});

private:
    TExportOptions options_;
};

}  // namespace korin
