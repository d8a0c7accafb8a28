// What the measure point assignment window walks: the measure points whose
// pages are of one kind, the head of a page (its level text, its path in the
// project tree and its number of further measure point slots) and the
// measure points still offered for assignment.
//
// Kind 'M' (MSR pages) or 'E' (electrical pages): a measure point's pages are
// of the kind when its DRAWING is not blank and its ME_Kennung holds the
// letter. A measure point assigned somewhere carries the mark ('x' or 'y') and
// is no longer offered.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace korin::msr {

class TMsrProject;

struct TKindPages {
    std::vector<std::string> points;               // in primary key order
    std::vector<std::vector<std::string>> files;   // the page files of each, in DRAWING order
    // page file -> (index into points, page index)
    std::unordered_map<std::string, std::pair<int32_t, int32_t>> byFile;
};

// One walk over MESSTELLE; empty when the table is closed.
TKindPages IndexKindPages(TMsrProject& project, char kind);

struct TPageHead {
    bool valid = false;      // false: the file is missing or is not a readable page
    std::string levelText;   // code 60, "-" and each non-blank of 61, 63, 64, "-" code 62
    std::string levelPath;   // the same texts, 62 last, as a comma text of the tree
    int32_t slotCount = 0;      // consecutive codes from 803 on (at most 20)
};

TPageHead ReadPageHead(TMsrProject& project, const std::string& file);

struct TCandidate {
    std::string designation;
    std::string instruments;  // the sorted instrument designations (12115), comma joined
};

// The measure points without the mark, in primary key order.
std::vector<TCandidate> Candidates(TMsrProject& project, char mark);
// Fills each row's instruments: the sorted comma text of the non-empty field
// 12115 of the INSTRUMENTIERUNG records under "MESSTELLE" = its designation.
void FillInstruments(TMsrProject& project, std::vector<TCandidate>& rows);

}  // namespace korin::msr
