// Filling the pages of measure points with instrumentation, terminal and wire
// data: table fields are copied into the codes of the symbols on the pages, by
// field id = code number (codes a symbol does not have are left alone).
//
// For each measure point given: its InstrFlags gets "I", "K" or "A" (by mode)
// unless the letter is there; then each page of its DRAWING is opened and its
// elements are walked in order, with the reference list R carried over from
// the last title block seen (R[0] = code 12135, R[1..20] = codes 803..822
// trimmed). For a data symbol, i = code 20025 − 1 (0 when empty) picks ref = R[i]:
//   instrument symbols (types 1, 3, 4, 5, 6, 10, 11, 12, 14, 16), mode
//     Instruments: a blank ref empties every code but 12115, 20023, 20025;
//     otherwise the INSTRUMENTIERUNG record at the key path "S_KEY","0",
//     "Bezeichner", loop (ref up to its first "."), ref, code 20023 is copied;
//   terminal symbols (type 7), mode Terminals: the KLEMMEN record whose primary
//     key is ref-<20023>-<20030>;
//   wire symbols (type 8), mode Wires: the first ADERN record under "ProjektAder"
//     with ref, code 20023, code 362; when its cable (field 4) is a KABEL
//     record, the wire is copied and gets 12008 = 12009 = "1", 5000 = the page
//     file, 1101 = the element's position (from 0); else 12008 = 12009 = "0" and
//     5000 = 1101 = "", the symbol unchanged.
// A table that is closed makes its symbols be skipped. A code 20025 that is no
// number or lies outside 1..21 leaves the symbol unchanged. The page is saved
// with a fresh checksum when it was read.
//
// A page that cannot be read or written is reported through the message sink
//   "Messtelle <d>: Die Seite <file> konnte nicht gefüllt werden: <reason>"
// and counted in `failed`; the run goes on. Cancelling stops between two
// measure points.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msr/msr_project.h"
#include "msr/msr_run.h"

namespace korin::msr {

enum class TFillMode { Instruments = 0, Terminals = 1, Wires = 2 };

struct TFillResult {
    int32_t measurePoints = 0;
    int32_t pages = 0;    // pages written
    int32_t symbols = 0;  // symbols that took a record's data
    int32_t failed = 0;
    bool cancelled = false;
};

TFillResult FillPages(TMsrProject& project, TFillMode mode, const std::vector<std::string>& designations,
                      const TMsrRun& run);

// The letter a mode adds to InstrFlags.
char FillLetter(TFillMode mode);

}  // namespace korin::msr
