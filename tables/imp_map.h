// The field mapping of the import: the Paradox table "ImpMap.db" in the project
// directory.
//
// Fields, in order: IndexNo AUTOINC (primary key, the rows' order), KorName
// CHAR(32), Code, FieldLen, FieldType SMALLINT, ExName CHAR(40), Level1, Level2,
// Level3 CHAR(32), KorTabName CHAR(32), ExDBName CHAR(255), ExTabName CHAR(40).
// One project table owns the rows whose levels and KorTabName equal its own.
//
// The statements of the import view work on the rows in memory (TImpMap); Save
// writes the whole table anew, with the files a Paradox engine keeps beside a
// keyed table with that secondary index (extdb/paradox_index.h):
//   "ImpMap.PX"   the primary index (IndexNo);
//   "ImpMap.X02"  the maintained secondary index "KorName" over field 2:
//                 KorName, IndexNo and the data block of the row, ordered by
//                 KorName (its stored bytes), then IndexNo;
//   "ImpMap.Y02"  the index of "ImpMap.X02".
// Every file is written beside its target ("<name>.~new") and flushed; then
// the old .X02 and .Y02 move aside, .PX and .db replace theirs (the table
// last, so that until then the old mapping is the file's), and .Y02 and .X02
// follow. Each set carries a change count one above the last (header byte
// 0x2E of the .db and the .X02), so the .X02 - renamed last - names the table
// it belongs to: a crash between the renames leaves the .db of the old or the
// new mapping and no .X02 that claims to index it. A failed write or rename
// puts the old files back ("<name>.~old"). Loading reads the .db alone and
// only looks at the index files' headers (IndexFilesCurrent); the import
// writes the set anew when they are missing (a project of an older version)
// or stale.
// Texts are stored as they come (the store's CP850 bytes); the files declare
// code page 850.
//
// Blank texts: Paradox keeps an empty CHAR as NULL, so "Level2 IS NULL",
// "Level2=''" and an inserted empty level all mean the same blank level here;
// selection, insertion and filter agree on it. Comparisons ignore trailing
// blanks, as CHAR fields do.
//
// Refusals (korin::Exception):
//   "ImpMap: Die Datei <path> kann nicht gelesen werden!"   (not a Paradox table,
//       or one without the fields above)
//   "ImpMap: Die Datei <path> kann nicht geschrieben werden!"
// After a refusal the rows in memory are those before the call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korin {

struct TImpMapRow {
    int32_t indexNo = 0;
    std::string korName;
    int32_t code = 0;
    int32_t fieldLen = 0;
    int32_t fieldType = 0;
    std::string exName;
    std::string level1, level2, level3;
    std::string korTabName;
    std::string exDBName;
    std::string exTabName;
};

// The place and name of a project table: its owner key in the mapping.
struct TImpMapOwner {
    std::string level1, level2, level3;
    std::string table;
};

class TImpMap {
public:
    static constexpr const char* kFileName = "ImpMap.db";
    static constexpr const char* kPrimaryIndex = "ImpMap.PX";
    static constexpr const char* kSecondaryIndex = "ImpMap.X02";
    static constexpr const char* kSecondaryIndexIndex = "ImpMap.Y02";

    // projectDir ends in "/".
    explicit TImpMap(std::string projectDir);

    std::string FilePath() const { return dir_ + kFileName; }
    // Creates an empty "ImpMap.db" when the project directory has none.
    void EnsureExists();
    // Reads every row of "ImpMap.db" (none when the file does not exist).
    void Load();
    // Writes every row and the index files (above).
    void Save();
    // After Load or Save: whether the index files beside "ImpMap.db" belong to
    // it (false when the file or one of them is missing).
    bool IndexFilesCurrent() const { return indexesCurrent_; }

    const std::vector<TImpMapRow>& Rows() const { return rows_; }
    // Positions in Rows() of the rows the owner owns, in IndexNo order.
    std::vector<size_t> Owned(const TImpMapOwner& owner) const;
    TImpMapRow& Row(size_t i) { return rows_[i]; }
    // INSERT: the row gets the next IndexNo (one above the highest ever given).
    int32_t Insert(TImpMapRow row);
    // DELETE ... WHERE IndexNo = n; false when no row has it.
    bool Delete(int32_t indexNo);
    // UPDATE ... SET ExDBName, ExTabName, ExName='' on the owner's rows.
    void SetSource(const TImpMapOwner& owner, const std::string& dbName, const std::string& tabName);

    // CHAR comparison: trailing blanks do not count, blank equals NULL.
    static bool SameText(const std::string& a, const std::string& b);

private:
    static constexpr int kSetSize = 4;  // .db, .PX, .X02, .Y02
    void WriteSet(const std::string (&finals)[kSetSize], unsigned char changeCount) const;
    static bool ReplaceSet(const std::string (&finals)[kSetSize]);

    std::string dir_;
    std::vector<TImpMapRow> rows_;
    int32_t nextIndex_ = 1;
    bool indexesCurrent_ = false;
};

}  // namespace korin
