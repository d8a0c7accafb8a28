#include "msr/msr_key_filter.h"

#include <algorithm>

#include "msr/msr_comma_text.h"
#include "msr/msr_project.h"
#include "store/kor_table.h"

namespace korin::msr {
namespace {

bool Blank(const std::string& text) { return TrimBlanks(text).empty(); }

}  // namespace

bool TKeyFilter::InForce() const { return !key.empty() && !values.empty() && !Blank(values.front()); }

std::vector<std::string> TKeyFilter::SearchValues() const {
    std::vector<std::string> used(values.begin(),
                                  values.begin() + std::min<size_t>(values.size(), kMaxFilterValues));
    while (!used.empty() && Blank(used.back())) used.pop_back();
    return used;
}

std::vector<std::string> SecondaryKeyNames(const TKorTable& table) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < table.SecondaryKeyCount(); ++i) names.push_back(table.SecondaryKeyName(i));
    return names;
}

int32_t SecondaryKeyIndex(const TKorTable& table, const std::string& key) {
    for (int32_t i = 0; i < table.SecondaryKeyCount(); ++i)
        if (table.SecondaryKeyName(i) == key) return i;
    return -1;
}

std::vector<std::string> SecondaryKeyFields(const TKorTable& table, const std::string& key) {
    std::vector<std::string> fields;
    const int32_t k = SecondaryKeyIndex(table, key);
    for (int32_t j = 0; j < table.SecondaryKeyFieldCount(k); ++j) fields.push_back(table.SecondaryKeyFieldName(k, j));
    return fields;
}

std::vector<int32_t> FilteredSlots(TKorTable& table, const TKeyFilter& filter) {
    if (!filter.InForce()) return {};
    return SecondarySlots(table, filter.key, filter.SearchValues());
}

std::vector<std::string> FilterValueChoices(TKorTable& table, const std::string& key,
                                            const std::vector<std::string>& above) {
    std::vector<std::string> choices{""};
    const int32_t k = SecondaryKeyIndex(table, key);
    if (k < 0 || !table.KeyFile().IsOpen() || static_cast<int32_t>(above.size()) >= table.SecondaryKeyFieldCount(k))
        return choices;
    TKeyList path{KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, key)};
    for (size_t j = 0; j < above.size(); ++j)
        path.push_back(KeyPart(table.FieldDefs().TypeLetter(table.SecondaryKeyFieldIndex(k, static_cast<int32_t>(j))), 0,
                               above[j]));
    TKorKeyFile& keys = table.KeyFile();
    if (!keys.SetStart(path)) return choices;
    std::vector<std::string> lines;
    keys.ListLevel(lines);
    // Each line is the value, ", " and the node's number byte.
    for (const std::string& line : lines) {
        const size_t cut = line.rfind(", ");
        std::string value = cut == std::string::npos ? line : line.substr(0, cut);
        if (!value.empty() && choices.back() != value) choices.push_back(std::move(value));
    }
    return choices;
}

std::vector<std::string> FilteredDesignations(TMsrProject& project, const TKeyFilter& filter) {
    if (!filter.InForce()) return project.Designations();
    std::vector<std::string> names;
    TKorTable& mpoint = project.mpoint;
    for (const int32_t slot : FilteredSlots(mpoint, filter))
        if (mpoint.GoToSlot(slot)) names.push_back(mpoint.GetFieldById(field::kDesignation));
    return names;
}

std::vector<TCandidate> FilteredCandidates(TMsrProject& project, const TKeyFilter& filter, char mark) {
    if (!filter.InForce()) return Candidates(project, mark);
    std::vector<TCandidate> rows;
    TKorTable& mpoint = project.mpoint;
    for (const int32_t slot : FilteredSlots(mpoint, filter))
        if (mpoint.GoToSlot(slot) && mpoint.GetFieldById(field::kKind).find(mark) == std::string::npos)
            rows.push_back({mpoint.GetFieldById(field::kDesignation), {}});
    FillInstruments(project, rows);
    return rows;
}

}  // namespace korin::msr
