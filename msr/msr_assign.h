// Assigning original pages to measure points: by hand (Apply, Apply to all),
// automatically by a matching criterion, and taking assignments away.
//
// The assignment lives in two fields of the measure point record:
//   ORIGINAL (20020)  comma text of "<original>-<page>" names
//   ORIGPATH (20021)  the original project's directory, then one page file name
//                     per name, written as a comma text followed by ","
// Measure points are named by their designation (the primary key); one that is
// not found is skipped silently.
//
// Refusal that does not end the operation: a new ORIGINAL or ORIGPATH text
// longer than its field would lose pages when cut, so neither field is written
// for that measure point and the message sink (store/kor_ui.h) shows
//   "Messtelle <designation>: Die Zuweisung passt nicht in das Feld <ORIGINAL|ORIGPATH>
//    (<n> Zeichen, höchstens <w>). Sie wird nicht gespeichert."
// The measure point is listed in the result's `refused`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msr/msr_originals.h"
#include "store/kor_table.h"
#include "store/kor_ui.h"

namespace korin::msr {

struct TAssignResult {
    int32_t assigned = 0;                // measure points written
    std::vector<std::string> refused;    // designations refused (see above)
};

// The assignment made of marked originals grid rows, in row order.
struct TAssignment {
    std::vector<std::string> names;  // "<original>-<page>"
    std::string directory;           // of the last row
    std::vector<std::string> files;
    bool Empty() const { return names.empty(); }
};
TAssignment AssignmentOf(const std::vector<TOriginalRow>& rows);

// The stored lists of the current measure point record.
std::vector<std::string> OriginalsOf(const TKorTable& mpoint);
std::vector<std::string> PathOf(const TKorTable& mpoint);

// Apply: for each measure point, when its stored ORIGPATH has more than one item
// and names the same directory, the new pages not yet listed are appended
// (names and files alike); otherwise the assignment replaces the stored one.
// Nothing happens for an empty assignment.
TAssignResult Apply(TKorTable& mpoint, const TAssignment& assignment, const std::vector<std::string>& designations);
// Apply to all: the assignment replaces the stored one of each measure point,
// whatever it held (the caller passes the unmarked rows).
TAssignResult ApplyReplacing(TKorTable& mpoint, const TAssignment& assignment,
                             const std::vector<std::string>& designations);

// Automatic assignment. Neighbouring originals grid rows with the same non-empty
// criterion form a group; every measure point whose criterion field equals the
// group's text and whose ORIGINAL is empty gets the group's pages. Equal
// criteria further apart form separate groups, and since only empty measure
// points take one, the first group wins. Progress: 0 .. rows, step 10.
TAssignResult AutoAssign(TKorTable& mpoint, const std::vector<TOriginalRow>& rows, TCriterion criterion,
                         const std::vector<std::string>& designations, IKorProgress* progress = nullptr);

// Remove assignment: ORIGINAL, ORIGPATH and InstrFlags emptied; DRAWING stays,
// so that the next page generation removes the pages. Returns the count.
int32_t RemoveAssignment(TKorTable& mpoint, const std::vector<std::string>& designations);
// Reset fill flags: InstrFlags emptied. Returns the count.
int32_t ResetFillFlags(TKorTable& mpoint, const std::vector<std::string>& designations,
                       IKorProgress* progress = nullptr);

// Writes a comma-text field of the current measure point unless the text is
// longer than the field; then shows the refusal above and returns false.
bool StoreListField(TKorTable& mpoint, int32_t id, const std::string& text, const char* fieldName);

// The text ORIGPATH is written as: the items as a comma text, then ",".
std::string PathText(const std::vector<std::string>& items);

}  // namespace korin::msr
