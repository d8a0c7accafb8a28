// The level settings of page creation and the level path of a created page.
//
// A page is filed under 3, 4 or 5 levels; the last two are in every case the
// measure point's designation and the page number:
//   5 levels: box 1, box 2, box 3, designation, page
//   4 levels:        box 2, box 3, designation, page
//   3 levels:               box 3, designation, page
// The stored texts Level1..Level3 map onto the boxes by the level count: with 5
// boxes 1, 2, 3 hold Level1, Level2, Level3; with 4 boxes 2 and 3 hold Level1
// and Level2; with 3 box 3 holds Level1.
//
// A box holds a literal text or a field reference "<ANLAGE:name>" or
// "<MESSTELLE:name>", resolved per measure point (Resolve).
//
// "project.ini" of the project, section "RVK": "LevelCount", "Level1",
// "Level2", "Level3". Reading takes the keys that are there; writing replaces
// these four keys and keeps every other line of the file, through a file beside
// it that is renamed over it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/kor_table.h"

namespace korin::msr {

inline const std::string kEmptyLevel = "Leerer Eintrag";
inline const std::string kIniFile = "project.ini";

struct TMsrLevels {
    int32_t count = 0;  // 3, 4 or 5; 0 when not chosen
    std::array<std::string, 3> level{};  // Level1, Level2, Level3

    // The text of box b (1..3) under the mapping above; empty for a box the
    // level count does not show.
    std::string Box(int32_t b) const;
    void SetBox(int32_t b, const std::string& text);
    // Whether every shown box holds a non-blank text and the count is 3..5.
    bool Valid() const;
};

// The warning of an invalid level choice.
inline const std::string kLevelWarning = "Für die ersten beiden Ebenen muß ein Wert vergeben werden!";

// Reads section "RVK" of project.ini in the project directory `dir` (missing
// file or keys: the defaults above).
TMsrLevels ReadLevels(const std::string& dir);
// Writes the four keys; raises Exception "ModMSRCreatePages: Die Datei <path>
// konnte nicht geschrieben werden!" when the file cannot be replaced.
void WriteLevels(const std::string& dir, const TMsrLevels& levels);

// A box text resolved for the current record of the measure point table:
// "<MESSTELLE:name>" gives its field of that name (empty when the table has no
// such field); "<ANLAGE:name>" the field of the ANLAGE record whose primary key
// is the measure point's field 1 (the text as typed when there is no such record
// or ANLAGE is closed; empty when that record has no such field); any other
// text, or a reference to another table, as typed.
std::string ResolveBox(const std::string& text, const TKorTable& mpoint, TKorTable& unit);

// The names N of the page numbered `page` of the current measure point: the
// resolved shown boxes, the designation and the page number, every blank one
// replaced by "Leerer Eintrag".
std::vector<std::string> PageNames(const TMsrLevels& levels, const TKorTable& mpoint, TKorTable& unit,
                                   int32_t page);

// The level item list offered in the boxes: "<ANLAGE:name>" for the unit
// table's fields from the seventh on (only when it has more than 7 fields),
// then "<MESSTELLE:name>" for every measure point field except 12101, 12102,
// 20020, 20021 and 20022.
std::vector<std::string> LevelItems(const TKorTable& unit, const TKorTable& mpoint);

}  // namespace korin::msr
