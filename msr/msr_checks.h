// The two read-only checks of a project's pages against its tables.
//
// The instrumentation check compares the instrument symbols of every page
// (symbols carrying code 12115) with the instrumentation table INSTRUMENTIERUNG
// and the measure point table; the page info check compares the title block of
// every page (its first element) with the measure point table. Neither writes a
// file. The page-level functions take one drawing and the lookups as plain
// data, so they are tested without a project; `RunInstrumentationCheck` and
// `RunPageInfoCheck` walk the pages of a project.
//
// Codes on pages: title block 1 plant, 2 measure point, 12135 designation,
// 60 … 64 level texts and page number, 76 typical, 803 … 822 linked measure
// points; instrument symbols 12115 instrument designation and 20025 the number
// (1-based) of the page's measure point the symbol belongs to: 1 the page's own
// (12135), 2 the first linked one (803), and so on.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korin {

class TKorDrawing;

namespace msrcheck {

// What the instrumentation check lists.
enum class InstMode {
    SymbolText,          // "Symboltext unterschiedlich zum Eintrag in Intrumentierung"
    NotAssignable,       // "Instrument nicht zuweisbar"
    MissingMeasurePoint  // "Messtelle nicht vorhanden"
};

struct InstRow {
    std::string pageMeasurePoint;  // "Messtelle Blatt"
    std::string typical;           // "Typical"
    std::string measurePoint;      // "Messtelle Instrument"
    std::string instrument;        // "Instrumentierung"
    std::string error;             // "Fehler [Symbol]<>[Tabelle]"
};

// An instrumentation record: its fields' ids and texts in field order.
using FieldTexts = std::vector<std::pair<int32_t, std::string>>;

struct InstLookups {
    // The first INSTRUMENTIERUNG record under the secondary key "Bezeichner"
    // with the values loop, measure point, instrument; none when there is none.
    std::function<std::optional<FieldTexts>(const std::string& loop, const std::string& ref,
                                            const std::string& instrument)>
        findInstrument;
    // Whether a measure point has this designation (primary key of MESSTELLE).
    std::function<bool(const std::string& designation)> measurePointExists;
};

// The rows of one page. A page without elements or whose title block has no
// designation gives none; rows whose first value is blank are dropped, and with
// `ignoreEmpty` rows without an instrument designation too.
std::vector<InstRow> CheckInstrumentationPage(const TKorDrawing& page, InstMode mode, bool ignoreEmpty,
                                              const InstLookups& lookups);

// The check boxes of the page info check.
struct PageInfoOptions {
    bool composed = false;            // "Bezeichner_Stelle = Anlage + MSR_Stelle"
    bool found63 = false;             // "Bezeichner_Stelle (63) in Tabelle MESSTELLE"
    bool found12135 = false;          // "Bezeichner_Stelle (12135) in Tabelle MESSTELLE"
    bool same = false;                // "Bezeichner_Stelle (63) = Bezeichner_Stelle (12135)"
    bool ignoreEmpty12135 = true;     // "Bezeichner_Stelle (12135) = '' (leerer Eintrag) ignorieren"
    bool ignoreWarnings = false;      // "Warnungen ignorieren"
    bool bothFoundButDiffer = true;   // "... = ... und beide in Tabelle MESSTELLE"
};

// The columns of the grid, "Anlage (61)" first (filled from code 61, as its
// heading says), found flags "1" or empty.
struct PageInfoRow {
    std::string plant61, designation63, page62, found63;
    std::string designation12135, found12135, plant1, measurePoint2, typical76;
};

// The row of one page, or none when the page is not listed.
std::optional<PageInfoRow> CheckPageInfoPage(const TKorDrawing& page, const PageInfoOptions& options,
                                             const std::function<bool(const std::string&)>& measurePointExists);

// ---- over a project ----------------------------------------------------------

// Progress and cancellation between pages; `step` gets (done, total).
struct Progress {
    std::function<void(int64_t done, int64_t total)> step;
    std::function<bool()> cancelled;
};

struct InstResult {
    std::vector<InstRow> rows;
    int64_t pages = 0;
    bool cancelled = false;
};

struct PageInfoResult {
    std::vector<PageInfoRow> rows;
    // "Achtung! Seite konnte nicht gelesen werden: " + file, one per page that
    // could not be read (empty with ignoreWarnings).
    std::vector<std::string> warnings;
    int64_t pages = 0;
    bool cancelled = false;
};

// Runs the checks over every page of the project in `projectDir` (the drawings
// of its catalogue, in catalogue order). The tables are found at
// AUC_SYSTEM/MESSTELLE and AUC_SYSTEM/INSTRUMENTIERUNG; a missing table finds
// nothing. Pages that cannot be read are skipped.
InstResult RunInstrumentationCheck(const std::string& projectDir, InstMode mode, bool ignoreEmpty,
                                   const Progress& progress = {});
PageInfoResult RunPageInfoCheck(const std::string& projectDir, const PageInfoOptions& options,
                                const Progress& progress = {});

}  // namespace msrcheck
}  // namespace korin
