// Removing the pages of a measure point whose assignment has changed.
//
// The assignment has changed when an original recorded in DRAWING (the first
// item of a pair) is missing from ORIGINAL, or an item of ORIGINAL occurs
// nowhere in DRAWING. Then InstrFlags is emptied and every pair of DRAWING,
// from the last to the first, whose file names a page entry of the catalogue is
// removed:
//   - each measure point named in codes 803..822 of the page's title block
//     loses the first "x" of its ME_Kennung (the page itself is not changed);
//   - the MSR_REF records under "Loop" = the designation are deleted, and the
//     records under "MSR_Add" = their MSR_Add get an empty Link;
//   - the catalogue entry and its file are deleted (log "Eintrag gelöscht : n"
//     per entry released);
//   - the ZEICHNUNGEN record of the file is deleted;
//   - the pair leaves DRAWING, which is stored after each page,
// so that a failure part-way leaves every page either wholly registered
// (catalogue, ZEICHNUNGEN, DRAWING) or wholly gone. Pairs whose entry is not a
// page are dropped from DRAWING.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msr/msr_project.h"
#include "msr/msr_run.h"

namespace korin::msr {

// The pairs (original, file) of a DRAWING text.
struct TPagePair {
    std::string original;
    std::string file;
};
std::vector<TPagePair> PagePairs(const std::string& drawingText);
std::string DrawingText(const std::vector<TPagePair>& pairs);

// Whether the assignment of the current measure point differs from its pages.
bool AssignmentChanged(const TKorTable& mpoint);

// The removal above for the measure point; -1 when it is not found or its
// assignment has not changed, else the number of pages removed. The measure
// point is the current record afterwards.
int32_t RemoveOutdatedPages(TMsrProject& project, const std::string& designation, const TMsrRun& run);

// Removes one page (every step above but the DRAWING field): true when the
// entry was a page.
bool RemovePage(TMsrProject& project, const std::string& designation, const std::string& file, const TMsrRun& run);

// The entry number of a six-digit file name, -1 for any other text.
int32_t EntryOfFile(const std::string& file);

}  // namespace korin::msr
