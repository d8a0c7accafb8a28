// The reference list MSR_REF: which further measure points a measure point's
// pages serve, and the links between two pages that share one.
//
// A record is (Loop 600, MSR_No 601, MSR_Add 602, Link 603): the measure point
// whose page it is, the position, the measure point named there, and the Loop
// of the other record when exactly two records name the same MSR_Add (else
// empty). Positions: 1 is the measure point itself, k + 1 the title block code
// 802 + k (k = 1 … 20). The assignment mask numbers its slots the same way, so
// that its first slot never overwrites the measure point's own record.
//
// The table must be open with the secondary keys "MSR_Add", "Loop", "Binding"
// (Loop, MSR_Add) and "LoopNo" (Loop, MSR_No) (msr_adapt.h makes them).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korin {
class TKorTable;
}

namespace korin::msr {

class TMsrProject;

constexpr int32_t kFirstLinkedCode = 803;
constexpr int32_t kLastLinkedCode = 822;
constexpr int32_t kSlots = kLastLinkedCode - kFirstLinkedCode + 1;

// The position of title block code 803 … 822 (2 … 21).
inline int32_t PositionOfCode(int32_t code) { return code - 801; }

class TReferenceList {
public:
    explicit TReferenceList(TKorTable& ref) : ref_(ref) {}

    // Records `additional` at (loop, position): a record there with another
    // MSR_Add takes the new one (the old one's links are cleared), a missing one
    // is appended; then the links of `additional` are set. A blank `additional`
    // deletes the record at (loop, position) and clears the links of what it
    // named.
    void Add(const std::string& loop, const std::string& additional, int32_t position);
    // Link becomes empty in every record that names `additional`.
    void ClearLinks(const std::string& additional);
    // When exactly two records name `additional`, each one's Link becomes the
    // other's Loop.
    void SetLinks(const std::string& additional);
    // The Link of the record (loop, additional), empty when there is none.
    std::string LinkOf(const std::string& loop, const std::string& additional);

private:
    TKorTable& ref_;
};

struct TRebuildResult {
    int32_t measurePoints = 0;  // measure points whose first page was read
    bool cancelled = false;
};

// "Referenztabelle neu erstellen": for every measure point with pages, its own
// record and one per non-empty code 803 … of its first page (positions whose
// code became empty lose their records, up to the first empty code past the
// number of records the measure point had plus 804). A first page without
// elements ends the rebuild with "Fehlerhafte Zeichnung. Kann den Inhalt nicht
// lesen. Datei: " + file. `progress` gets (done, total) every tenth measure
// point and may return false to stop between measure points.
TRebuildResult RebuildReferenceList(TMsrProject& project,
                                    const std::function<bool(int32_t done, int32_t total)>& progress = {});

}  // namespace korin::msr
