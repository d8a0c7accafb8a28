// The originals of an original project: the original list built from a level
// of its catalogue, and the rows of the originals grid.
//
// Below the chosen level every folder is one original; the drawings below the
// folder are its pages, in key order. An original list item is a comma text:
// the original's name, the original project's directory (with its trailing
// separator), then the file names of its pages. The info list holds, per page
// and in the same order, the page entry's description ("Dir.dat" long text):
// the processing function that automatic assignment matches.
//
// A grid row is one page whose file exists; a page whose file is missing gives
// no row, and its description goes with it (the info of the other rows does not
// shift).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/kor_key_file.h"

namespace korin::msr {

struct TOriginalLists {
    std::vector<std::string> origList;  // one comma text per original
    std::vector<std::string> origInfo;  // one description per page
};

// Reads the original project in `originalDir` (a project folder with "Dir.ref")
// below the folder path `level` (its texts, top first). A level without folder
// children gives empty lists. Errors of the catalogue pass through; a folder
// without a catalogue raises EKorKeyError "KorKeyFile: Datei konnte nicht
// geöffnet werden. Datei : Dir.ref".
TOriginalLists BuildOriginalLists(const std::string& originalDir, const std::vector<std::string>& level);
// The same below the entry with the catalogue key `levelKey` (its parts top
// first, as the original project dialog builds them for the chosen node, which
// may be of any type). The empty key lists the top level.
TOriginalLists BuildOriginalListsBelow(const std::string& originalDir, const TKeyList& levelKey);

// The lists as the settings keep them ("OrigList", "OrigInfo"): each list one
// comma text, so an original list item is quoted as a whole. Reading gives
// what writing took.
std::string ListSetting(const std::vector<std::string>& list);
std::vector<std::string> ListFromSetting(const std::string& text);

// One row of the originals grid.
struct TOriginalRow {
    std::string original;      // column 1
    int32_t page = 0;          // column 2: position among the original's page files, from 1
    std::string processing;    // column 3 at first: the page's description
    std::string functionGroup; // code 20026 of the page's first symbol
    std::string planType;      // code 76 of the page's first symbol
    std::string directory;     // the original project's directory
    std::string file;          // the page's file name

    // "<original>-<page>": the name under which the page is assigned.
    std::string Name() const { return original + "-" + std::to_string(page); }
};

// The rows of the originals grid for the lists. A page file that cannot be read
// as a drawing still gives a row, with empty codes.
std::vector<TOriginalRow> OriginalRows(const TOriginalLists& lists);

// The matching criterion of automatic assignment: the originals grid's column 3
// and the measure point grid's column 6 show the same kind of text.
enum class TCriterion { Processing, FunctionGroup, PlanType };

// The criterion text of a row.
const std::string& CriterionOf(const TOriginalRow& row, TCriterion criterion);
// The measure point field id compared under a criterion: 12110, 20026 or 76.
int32_t CriterionField(TCriterion criterion);

}  // namespace korin::msr
