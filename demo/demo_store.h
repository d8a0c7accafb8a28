// Writing the demo's projects through the store: catalogues, schedules,
// tables and their records, and the original pages.
//
// Everything goes through the store's own classes (TKorDirFile, TKorTable), so
// keys, record checksums, counters, system tables and "Dir.dat" are exactly
// what the program itself would have written. Records are added with Append;
// a record the table refuses (a key conflict) means the sample data are wrong,
// and the writing stops with an error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo/demo_data.h"
#include "demo/demo_page.h"

namespace korin::demo {

// Creates `dir` (and its parents) when missing, and a new, empty catalogue in
// it, replacing an existing one.
void CreateProjectFolder(const std::string& dir);

// Writes the tables into the project folder `dir` (its catalogue exists): for
// every folder that holds tables its schedule and system table, then per table
// its catalogue entries with the long text, the table file with its field
// definitions, primary key field, title (the table name) and text lines (the
// folder names), its secondary keys, and its records. Throws korin::Exception.
void WriteTables(const std::string& dir, const std::vector<TTableData>& tables);

// One written original page.
struct TOriginalPage {
    const TTypical* typical = nullptr;
    size_t index = 0;       // page index within the typical
    std::string fileName;   // six-digit file name in the original project
};

// Writes the original project into `dir` (its catalogue exists): below the
// level folder `level` one folder per typical (long text: its description),
// below each its pages "1", "2", ... (long text: the typical's description,
// the processing function that automatic assignment matches) with their
// drawing files.
std::vector<TOriginalPage> WriteOriginals(const std::string& dir, const std::string& level,
                                          const std::vector<TTypical>& typicals);

}  // namespace korin::demo
