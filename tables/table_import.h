// Import of records and structures from external tables (Access first, and
// Paradox, dBase and SQLite through the same source interface, extdb/).
//
// TTableImport is the import view's logic for one project table: it keeps the
// table's rows of "ImpMap.db" (tables/imp_map.h) in step with the table's
// fields, records the chosen source, and copies the source's rows into the
// table ("Daten lesen"): a row whose key is in the table updates the mapped
// fields of that record, any other row is appended.
//
// Texts: the sources give UTF-8; the store keeps record texts in CP850. Every
// value and every field name is converted to CP850 before it reaches the
// store; a character that CP850 lacks becomes "?" and the report counts the
// values so changed. A text value longer than its field is cut to the field's
// width (as the store would) and counted.
//
// Binary values (OLE objects, BLObs, bytes): the store's fields hold texts
// only (every field type is stored as NUL-terminated text), so a binary value
// is not taken over. The report counts them; an appended record gets the field
// empty, an updated record keeps its value.
//
// CreateFromAccess makes a new table file from a source table's structure:
// small integer, integer, word and float fields keep their kind; every other
// field becomes a text field of the source size limited to 1 .. 137 (below 1:
// 20); the primary index's first field becomes the primary key field (without
// one and with FirstFieldKey set, field 1); the other indexes become secondary
// keys, unique when the source's index is. A "#" in a source field name would
// be read as a field id and becomes "_".
//
// Refusals (korin::Exception; nothing is written to the table before them):
//   the source's messages (extdb/ext_source.h): file missing, not of its
//   format, damaged, table gone, a mapped source field gone;
//   "Import: Für die Tabelle <name> ist keine Quelltabelle gewählt!"   (Read)
//   "Import: Die Tabelle <name> ist nicht geöffnet!"
// A failure while rows are written ends the import; rows written stay.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "extdb/ext_source.h"
#include "store/kor_table.h"
#include "store/kor_ui.h"
#include "tables/imp_map.h"

namespace korin {

class TKorDirFile;

// Opens a source for reading; the import reads through this so that the
// desktop program and korintool can read in a child process
// (extdb/ext_isolated.h) and tests directly.
using TSourceOpener = std::function<std::unique_ptr<extdb::IExtSource>(const std::string& path)>;
// The opener used when none is given: OpenSourceIsolated.
TSourceOpener DefaultSourceOpener();

// UTF-8 to CP850, a character CP850 lacks as "?".
class TOemConverter {
public:
    TOemConverter();
    ~TOemConverter();
    TOemConverter(const TOemConverter&) = delete;
    TOemConverter& operator=(const TOemConverter&) = delete;
    // Sets `changed` when a character became "?".
    std::string ToOem(const std::string& utf8, bool& changed);

private:
    void* cd_;
};

// CP850 to UTF-8, for showing store texts outside the store.
std::string OemToUtf8(const std::string& oem);

struct TImportReport {
    int64_t appended = 0;
    int64_t updated = 0;
    int64_t refused = 0;    // refused by the table (key conflict, no room)
    int64_t converted = 0;  // values with a character CP850 lacks
    int64_t cut = 0;        // values longer than their field
    int64_t binary = 0;     // binary values not taken over (below)
    bool cancelled = false;
};

// The definitions CreateFromAccess gives a new table for a source table.
struct TCreateDefinition {
    std::vector<TKorNewField> fields;
    int32_t primaryKeyField = 0;
    std::vector<TKorSecondaryKey> secondaryKeys;  // fields 1-based, as TKorTable keeps them
};
TCreateDefinition DefinitionFromSource(const extdb::IExtTable& source, bool firstFieldKey);

// Creates the table file (CreateNew, overwriting) with the source table's
// structure and its secondary keys; the table is closed afterwards. A database
// file that does not exist creates nothing (false).
bool CreateFromAccess(TKorTable& table, const std::string& databaseFile, const std::string& tableName,
                      const TSourceOpener& opener = DefaultSourceOpener());

// The direct import: `path` is the level path with the new table's name last.
// Makes the folder's schedule entries and the table's entries, then the table
// file by CreateFromAccess. False, creating nothing, when the table exists
// already or the catalogue gives no file names; the file names on success.
bool DirectImport(TKorDirFile& catalogue, const std::vector<std::string>& path, const std::string& databaseFile,
                  const std::string& tableName, std::string& dataFile, std::string& keyFile,
                  const TSourceOpener& opener = DefaultSourceOpener());

class TTableImport {
public:
    // The table must be open; its owner key is its level path and name.
    TTableImport(TKorTable& table, std::string projectDir, TImpMapOwner owner,
                 TSourceOpener opener = DefaultSourceOpener());

    // Loading the mapping: makes sure "ImpMap.db" exists; takes the source
    // from the first owned row; deletes owned rows whose field is gone; adds a
    // row at the end for every field that has none; writes the file when it
    // changed, and when its index files are missing or stale (a folder that
    // cannot be written then leaves them so).
    void LoadMapping();
    // The owned rows, in IndexNo order.
    std::vector<TImpMapRow> Mapping() const;
    const std::string& SourceDatabase() const { return sourceDb_; }
    const std::string& SourceTable() const { return sourceTable_; }
    // The source's field names in its order; empty when no source is recorded
    // or its file does not exist. A source that cannot be read raises.
    std::vector<std::string> SourceFieldNames() const;

    // Records the source on every owned row and forgets every field choice.
    void ChooseSource(const std::string& database, const std::string& table);
    // Sets the source field of the row of `korName` (blank: not imported);
    // false when the table has no row of that name.
    bool SetSourceField(const std::string& korName, const std::string& sourceField);
    // Maps every field to the source field of the same name, ignoring case;
    // fields without one are not imported.
    void MapByName();

    // "Daten lesen". `progress` may be null; `cancelled` is asked between rows.
    TImportReport Read(IKorProgress* progress, const std::function<bool()>& cancelled = {});

private:
    TKorTable& table_;
    TImpMap map_;
    TImpMapOwner owner_;
    TSourceOpener opener_;
    std::string sourceDb_;
    std::string sourceTable_;
};

}  // namespace korin
