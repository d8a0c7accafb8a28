// Integer containers shared by the key file and the catalogue.
//
// TIntegerList is a plain growable array (the key file's result list).
// TIntList has a Sorted flag and a duplicate policy; with Sorted on, Add finds
// its place by bisection over the list as it stands (switching Sorted on does not
// sort), so an unsorted list keeps its order.
// Refusal: EKorKeyError "IntList: Ein Eintrag mit der Nummer <value> existiert bereits!"
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korin {

class TIntegerList {
public:
    void Add(int32_t value) { items_.push_back(value); }
    // The value, or -1 when i < 0 or i >= Count.
    int32_t Items(int32_t i) const {
        return i < 0 || i >= Count() ? -1 : items_[static_cast<size_t>(i)];
    }
    // Overwrites without a range check: callers pass valid indexes.
    void SetItem(int32_t i, int32_t value) { items_[static_cast<size_t>(i)] = value; }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    int32_t IndexOf(int32_t value) const;
    void Clear() { items_.clear(); items_.shrink_to_fit(); }
    const std::vector<int32_t>& Values() const { return items_; }
    void Reserve(size_t n) { items_.reserve(n); }

private:
    std::vector<int32_t> items_;
};

enum class TDuplicates : int { Ignore = 0, Accept = 1, Error = 2 };

class TIntList {
public:
    void Add(int32_t value);
    void Delete(int32_t i);
    void Clear() { items_.clear(); inOrder_ = true; }
    int32_t Items(int32_t i) const { return items_.at(static_cast<size_t>(i)); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    int32_t IndexOf(int32_t value) const;
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted) { sorted_ = sorted; }
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates policy) { duplicates_ = policy; }
    const std::vector<int32_t>& Values() const { return items_; }

private:
    int32_t InsertPosition(int32_t value) const;
    std::vector<int32_t> items_;
    bool sorted_ = false;
    bool inOrder_ = true;  // the items stand in ascending order (kept per insert)
    TDuplicates duplicates_ = TDuplicates::Accept;
};

}  // namespace korin
