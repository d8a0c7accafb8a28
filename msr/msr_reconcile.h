// Reconciliation of existing pages with their measure points, and the
// evaluation bit of created pages.
//
// Reconcile walks the page files of the catalogue (every drawing entry below
// the top level, in catalogue order). A page whose title block (its first
// symbol) names a measure point in code 12135 is registered with it when its
// file is not yet an item of DRAWING: the name is the measure point's plan type
// (field 76), "-" and the smallest number from 1 that is not yet an item of
// DRAWING; the name and the file are appended to DRAWING, the name to ORIGINAL,
// and "000000" to ORIGPATH (which gets the placeholder directory "C:\" first
// when it was empty). The three fields are written together or not at all
// (a text longer than its field is refused as in msr_assign.h). A registered
// name that is an item of `originalList` at a position after the first (the
// window's original list, whose items are compared whole) is collected in
// `found`, for the window's message name + " gefunden".
// Then the link mark is "y" for a measure point whose ME_Kennung holds "E" (its
// field 3 takes code 3 of the title block), else "x"; each measure point named
// in codes 803, 804, ... up to the first blank one gets the mark appended when
// its ME_Kennung does not hold it yet and the field has room for it.
// A file that cannot be read as a drawing is skipped (counted in `skipped`).
// Cancelling stops between two files.
//
// SetEvaluationBits: for every measure point, for every page of its DRAWING
// whose entry is a page of the catalogue, the entry's evaluation flag is set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msr/msr_project.h"
#include "msr/msr_run.h"

namespace korin::msr {

struct TReconcileResult {
    int32_t files = 0;       // page files looked at
    int32_t registered = 0;  // pages added to a DRAWING
    int32_t marked = 0;      // link marks appended
    int32_t skipped = 0;     // files that could not be read
    bool cancelled = false;
    std::vector<std::string> found;  // registered names met in the original list
};

TReconcileResult Reconcile(TMsrProject& project, const TMsrRun& run,
                           const std::vector<std::string>& originalList = {});

// Returns the number of entries flagged.
int32_t SetEvaluationBits(TMsrProject& project);

}  // namespace korin::msr
