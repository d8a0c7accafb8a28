// Filtering the measure points through a secondary key of MESSTELLE, as the
// filter grids of the MSR windows do it.
//
// A filter names a secondary key and holds one value per field of that key, in
// the key's field order (at most 20). It is in force when its first value is not
// empty; trailing empty values are dropped, so that values given for the first
// fields only find every record that begins with them (a partial key). An empty
// value before a given one stands for a field that is empty.
//
// Every search goes through the key file under
//   ("C",0,"S_KEY") ("N",0,"0") ("C",0,key) (L,0,value) ...
// (store/kor_table.h): the cost is the depth of the key file plus the records
// found, never a walk of the whole table. Results come in key order.
//
// Nothing here writes. A closed table, an unknown key or a path that is not in
// the key file gives an empty result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msr/msr_assign_nav.h"

namespace korin {
class TKorTable;
}

namespace korin::msr {

class TMsrProject;

// Most values a filter takes (a secondary key has at most 20 fields).
constexpr int32_t kMaxFilterValues = 20;

struct TKeyFilter {
    std::string key;
    std::vector<std::string> values;

    // A key is named and the first value is not blank.
    bool InForce() const;
    // The values the search uses: at most kMaxFilterValues, trailing blank ones
    // dropped.
    std::vector<std::string> SearchValues() const;
};

// The names of the table's secondary keys in the order of its header.
std::vector<std::string> SecondaryKeyNames(const TKorTable& table);
// The position of the key among them, -1 when the table has none of that name.
int32_t SecondaryKeyIndex(const TKorTable& table, const std::string& key);
// The names of the key's fields in key order; empty for an unknown key.
std::vector<std::string> SecondaryKeyFields(const TKorTable& table, const std::string& key);

// The slots of the records under the filter, in key order; empty when the
// filter is not in force.
std::vector<int32_t> FilteredSlots(TKorTable& table, const TKeyFilter& filter);

// The values the field after `above` takes under the key among the records
// whose first fields hold `above` (the value list of a filter row): an empty
// item first, then each value found once, in key order. Only the values as the
// key file keeps them (32 characters) are listed.
std::vector<std::string> FilterValueChoices(TKorTable& table, const std::string& key,
                                            const std::vector<std::string>& above);

// The designations (field 12135) of the measure points under the filter, in
// key order; every measure point in primary key order when it is not in force.
std::vector<std::string> FilteredDesignations(TMsrProject& project, const TKeyFilter& filter);

// The list of the assignment window: the measure points under the filter
// (all, as Candidates does, when it is not in force) whose ME_Kennung lacks
// the mark, each with its instruments.
std::vector<TCandidate> FilteredCandidates(TMsrProject& project, const TKeyFilter& filter, char mark);

}  // namespace korin::msr
