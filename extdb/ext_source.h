// External databases as sources of tables: the one interface through which the
// import reads Access, Paradox, dBase/FoxPro and SQLite files.
//
// A source is a file (or, for Paradox and dBase, a table file whose folder holds
// its companions). It lists its user tables; a table gives its fields (name,
// kind, size, required), its indexes (name, primary and unique flags, field
// names) and its rows, one value per field as text.
//
// Texts: names and values are UTF-8, whatever the file's own code page; the
// reader converts (Access through libmdb, Paradox from the table's code page,
// dBase from its language driver, or as UTF-8 when the bytes are valid UTF-8).
//
// Values as text:
//   NULL                       empty text, `null` set
//   text, memo                 as stored
//   integers, byte             decimal
//   float, currency            as the library prints them, "." as decimal point
//   boolean                    "1" / "0"
//   date/time                  "dd.mm.yyyy", followed by " hh:mm:ss" when the
//                              time of day is not midnight; a value whose date
//                              part is 30.12.1899 (a time only) gives "hh:mm:ss".
//                              Converted from the stored day count, so years
//                              before 1900 and after 9999 come out right.
//   binary (OLE object, BLOb,  empty text; `binary` set when the value holds
//   graphic, bytes, SQLite     bytes (the store keeps texts only, so the
//   BLOB)                      import counts such values instead of writing
//                              them). Access GUIDs come as "{...}" text.
//
// Sizes: the declared size in characters for text fields (Jet 4 stores them in
// bytes; the reader halves them), 0 for every kind that has no declared size
// (memo, date, boolean, currency, binary), the byte width for numbers.
//
// Refusals (korin::Exception, messages in extdb/ext_source.cpp):
//   "ExtDB: Die Datei <path> existiert nicht!"
//   "ExtDB: Die Datei <path> ist keine Access-Datenbank!"
//   "ExtDB: Die Datei <path> ist keine Paradox-Tabelle!"
//   "ExtDB: Die Datei <path> ist keine dBase-Tabelle!"
//   "ExtDB: Die Datei <path> ist keine SQLite-Datenbank!"
//   "ExtDB: Die Datei <path> ist beschädigt!"          (damage found while reading)
//   "ExtDB: Die Tabelle <name> existiert nicht in <path>!"
//   "ExtDB: Das Feld <name> existiert nicht in der Tabelle <table>!"
//   "ExtDB: Der Dateityp von <path> wird nicht unterstützt!"
// A source or table that raised has released its library handles.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korin::extdb {

// Kinds of a source field, as the import's field rules tell them apart.
enum class TExtFieldKind { SmallInt, Integer, Word, Float, Text, Memo, Date, Boolean, Currency, Binary, Other };

struct TExtField {
    std::string name;
    TExtFieldKind kind = TExtFieldKind::Text;
    int32_t size = 0;
    bool required = false;
};

struct TExtIndex {
    std::string name;
    bool primary = false;
    bool unique = false;
    std::vector<std::string> fields;  // in key order
};

// One value of a row: text as described above; `null` tells a NULL from "";
// `binary` marks a binary value that is not given as text.
struct TExtValue {
    std::string text;
    bool null = true;
    bool binary = false;
};

// An open table of a source. Rows are read forward from the first. A table
// stays usable after its source object is gone.
class IExtTable {
public:
    virtual ~IExtTable() = default;
    virtual const std::string& Name() const = 0;
    virtual const std::vector<TExtField>& Fields() const = 0;
    // Foreign-key references are not indexes and are left out.
    virtual const std::vector<TExtIndex>& Indexes() const = 0;
    // The number of rows as the file states it (deleted rows not counted where
    // the format tells them apart); -1 when unknown.
    virtual int64_t RowCount() = 0;
    // The next row, one value per field in field order; false at the end.
    virtual bool NextRow(std::vector<TExtValue>& row) = 0;
    // Back before the first row.
    virtual void Rewind() = 0;

    // Position of the named field (case-insensitive), -1 when none.
    int32_t FieldIndex(const std::string& name) const;
};

enum class TExtFormat { Auto, Access, Paradox, DBase, SQLite };

// An open source database.
class IExtSource {
public:
    virtual ~IExtSource() = default;
    virtual TExtFormat Format() const = 0;
    virtual const std::string& Path() const = 0;
    // User tables (no system tables) in the file's order. A Paradox or dBase
    // file holds exactly one table, named after the file without extension.
    virtual std::vector<std::string> TableNames() = 0;
    // Raises "Die Tabelle ... existiert nicht" when no table has that name
    // (case-insensitive).
    virtual std::unique_ptr<IExtTable> OpenTable(const std::string& name) = 0;
};

// The format by the file's extension (".mdb", ".db", ".dbf", ".sqlite",
// ".sqlite3", ".db3"), then by its first bytes; Auto when none fits.
TExtFormat GuessFormat(const std::string& path);

// Opens a source file for reading. Auto guesses the format (GuessFormat);
// a file that is not of the format given raises the "ist keine" message.
std::unique_ptr<IExtSource> OpenSource(const std::string& path, TExtFormat format = TExtFormat::Auto);

// TableNames sorted and without duplicates: what the table choice offers.
std::vector<std::string> SortedTableNames(IExtSource& source);

// Text for a date value stored as days since 30.12.1899 (fraction: time of
// day), in the form described above; empty when the value is not finite or
// lies outside the years 1 .. 9999.
std::string OleDateText(double days);

}  // namespace korin::extdb
