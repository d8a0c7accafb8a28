// The field mapping of the import: the Paradox table "ImpMap.db" in the project
// directory.
//
// Fields, in order: IndexNo AUTOINC (primary key, the rows' order), KorName
// CHAR(32), Code, FieldLen, FieldType SMALLINT, ExName CHAR(40), Level1, Level2,
// Level3 CHAR(32), KorTabName CHAR(32), ExDBName CHAR(255), ExTabName CHAR(40).
// One project table owns the rows whose levels and KorTabName equal its own.
//
// The statements of the import view work on the rows in memory (TImpMap); Save
// writes the whole table anew beside the file ("ImpMap.$$$") through pxlib and
// renames it over "ImpMap.db", so a failed write leaves the old mapping. Texts
// are stored as they come (the store's CP850 bytes); the file declares code
// page 850.
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

    // projectDir ends in "/".
    explicit TImpMap(std::string projectDir);

    std::string FilePath() const { return dir_ + kFileName; }
    // Creates an empty "ImpMap.db" when the project directory has none.
    void EnsureExists();
    // Reads every row of "ImpMap.db" (none when the file does not exist).
    void Load();
    // Writes every row (above).
    void Save();

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
    std::string dir_;
    std::vector<TImpMapRow> rows_;
    int32_t nextIndex_ = 1;
};

}  // namespace korin
