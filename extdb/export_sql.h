// External databases as export targets: the statements of the table export and
// the databases that carry them out.
//
// The export speaks SQL in three forms (tables/table_export.h):
//   CREATE TABLE <name> ( <col> <type> [, <col> <type>]... [, PRIMARY KEY (<col>)] );
//   INSERT INTO <name> VALUES ( <value> [, <value>]... );
//   DROP TABLE <name>;
// <name> is written in single quotes (a file of a directory database, inner
// quotes doubled) or in square brackets (a table of a database file); <type> is
// INTEGER or CHAR(n); a <value> is a whole number or a text in single quotes.
// Keywords are matched ignoring case, blanks and line breaks separate tokens.
//
// Two kinds of database carry them out:
//   TExtDirectoryDatabase  a folder whose tables are files: Paradox 7 (".db",
//                          written with pxlib, extdb/paradox_writer.h) or FoxPro
//                          / dBase (".dbf", written with shapelib,
//                          extdb/dbase_writer.h). The statements are parsed here.
//   TExtSqliteDatabase     an SQLite database file; SQLite parses the statements
//                          itself.
//
// Both keep every change apart until Commit, so that a failed or cancelled export
// leaves the old target as it was: a directory database writes each new table
// file completely beside its target under a temporary name and renames it over
// the target only at Commit (an existing table that was dropped is replaced
// then, not before); an SQLite database works inside one transaction. Rollback,
// and the destructor without Commit, remove everything written.
//
// Texts are passed through byte for byte: the caller gives them in the target's
// code page (Windows-1252 for Paradox and dBase, UTF-8 for SQLite), and the
// writers declare that code page in the file (Paradox header code page 1252,
// dBase language driver 0x03 "Windows ANSI").
//
// Refusals (korin::Exception):
//   "ExtDB: Die Anweisung ist ungültig: <statement>"       (parser; at most 200 characters quoted)
//   "ExtDB: Die Tabelle <name> existiert bereits!"          (CREATE over a table not dropped before)
//   "ExtDB: Die Tabelle <name> existiert nicht!"            (INSERT or DROP of an unknown table)
//   "ExtDB: Der Tabellenname <name> ist ungültig!"           (empty, or a path: "/" or "\" in it)
//   "ExtDB: Die Spalte <name> existiert nicht!"             (PRIMARY KEY of no column)
//   "ExtDB: Die Spalte <name> ist doppelt vorhanden!"
//   "ExtDB: Die Spaltenbreite <n> ist für <format> zu groß!"    (Paradox 255, dBase 254)
//   "ExtDB: Die Tabelle <name> erwartet <n> Werte, nicht <m>!"
//   "ExtDB: Der Wert <v> der Spalte <name> ist keine ganze Zahl!"  (also outside ±2147483647)
//   "ExtDB: Der Wert der Spalte <name> ist länger als <n> Zeichen!"
//   "ExtDB: Schlüsselverletzung in der Tabelle <name>: <value>"  (Paradox key given twice)
//   "ExtDB: Die Datei <path> konnte nicht geschrieben werden!"
//   "ExtDB: Die Datei <path> konnte nicht umbenannt werden!"
//   "ExtDB: SQLite: <message of SQLite>"
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace korin::extdb {

// A column of a created table: INTEGER, or CHAR(size).
struct TExtColumn {
    std::string name;
    bool integer = false;
    int32_t size = 0;
};

// A value of an INSERT: the text between the quotes (inner quotes undoubled), or
// the number as written.
struct TExtLiteral {
    std::string text;
    bool quoted = false;
};

struct TExtStatement {
    enum class Kind { CreateTable, InsertInto, DropTable };
    Kind kind = Kind::CreateTable;
    std::string table;
    std::vector<TExtColumn> columns;  // CREATE TABLE
    std::string primaryKey;           // CREATE TABLE; empty when none
    std::vector<TExtLiteral> values;  // INSERT INTO
};

// Parses one statement of the forms above; refuses anything else.
TExtStatement ParseStatement(std::string_view text);

// The integer a value of an INTEGER column stands for: a whole number in
// -2147483647 .. 2147483647, blanks around it allowed. Refused as above.
int32_t IntegerValue(const TExtLiteral& value, const std::string& column);

// Column names as a format can hold them: each cut to `limit` characters, and a
// cut name that equals an earlier one (ignoring case) ends in a running number
// instead ("Bezeichner", "Bezeichne2").
std::vector<std::string> FitColumnNames(const std::vector<std::string>& names, size_t limit);

// Files of `directory` whose stem equals the stem of `fileName` and whose
// extension matches one of `extensions` (ignoring case; "?" matches any
// character): the companions of a table file.
std::vector<std::string> CompanionFiles(const std::string& directory, const std::string& fileName,
                                        const std::vector<std::string>& extensions);

// Writes one table file. Rows arrive one by one; the file appears only at Finish.
class IExtTableWriter {
public:
    virtual ~IExtTableWriter() = default;
    virtual void Insert(const std::vector<TExtLiteral>& values) = 0;
    // Writes the complete file(s) under the temporary name(s) given when the
    // writer was made. Nothing is renamed here.
    virtual void Finish() = 0;
    // The files Finish wrote, as pairs (temporary, final); companions (a
    // Paradox primary index) before the table file itself.
    virtual std::vector<std::pair<std::string, std::string>> Files() const = 0;
    // Files of an older table of the same name that the new one does not
    // replace and that would no longer match it (a stale primary index).
    virtual std::vector<std::string> StaleFiles() const = 0;
};

enum class TExtTargetFormat { Paradox, DBase };

class TExtDirectoryDatabase {
public:
    // `directory` with or without a trailing separator; it must exist.
    TExtDirectoryDatabase(std::string directory, TExtTargetFormat format);
    ~TExtDirectoryDatabase();  // discards what was not committed
    TExtDirectoryDatabase(const TExtDirectoryDatabase&) = delete;
    TExtDirectoryDatabase& operator=(const TExtDirectoryDatabase&) = delete;

    // Parses and carries out one statement (lines joined by any line breaks).
    void Execute(std::string_view statement);
    // Whether a table file of that name exists in the directory (or was created).
    bool TableExists(const std::string& name) const;
    // Writes every created table beside its target, then renames each over its
    // target. A failure removes what was written beside and leaves the targets
    // not yet renamed as they were.
    void Commit();
    void Rollback();

private:
    struct Pending;
    Pending* Find(const std::string& name);
    std::string directory_;
    TExtTargetFormat format_;
    std::vector<std::unique_ptr<Pending>> pending_;
    std::vector<std::string> dropped_;
};

class TExtSqliteDatabase {
public:
    // Opens the database file, creating it when missing, and begins a transaction.
    explicit TExtSqliteDatabase(std::string file);
    ~TExtSqliteDatabase();  // rolls back what was not committed
    TExtSqliteDatabase(const TExtSqliteDatabase&) = delete;
    TExtSqliteDatabase& operator=(const TExtSqliteDatabase&) = delete;

    void Execute(std::string_view statement);
    // A user table of that name, ignoring case.
    bool TableExists(const std::string& name);
    void Commit();
    // Rolls back; a database file that this object created is removed again.
    void Rollback();

    // The user tables of a database file, sorted; empty when the file is missing.
    static std::vector<std::string> TableNames(const std::string& file);

private:
    void Close();
    std::string file_;
    sqlite3* db_ = nullptr;
    bool created_ = false;
    bool open_ = false;
};

}  // namespace korin::extdb
