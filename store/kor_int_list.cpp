#include "store/kor_int_list.h"

#include <algorithm>
#include <string>

#include "store/kor_error.h"

namespace korin {

int32_t TIntegerList::IndexOf(int32_t value) const {
    auto it = std::find(items_.begin(), items_.end(), value);
    return it == items_.end() ? -1 : static_cast<int32_t>(it - items_.begin());
}

int32_t TIntList::IndexOf(int32_t value) const {
    if (inOrder_ && !items_.empty()) {
        // A list in ascending order is searched by bisection.
        auto it = std::lower_bound(items_.begin(), items_.end(), value);
        return it != items_.end() && *it == value ? static_cast<int32_t>(it - items_.begin()) : -1;
    }
    auto it = std::find(items_.begin(), items_.end(), value);
    return it == items_.end() ? -1 : static_cast<int32_t>(it - items_.begin());
}

int32_t TIntList::InsertPosition(int32_t value) const {
    const int32_t count = Count();
    if (!sorted_) return count;
    if (count == 0 || items_.front() >= value) return 0;
    if (items_.back() < value) return count;
    if (items_.back() == value) return count - 1;
    int32_t lo = 0, hi = count - 1, mid = 0;
    while (true) {
        mid = (lo + hi) / 2;
        if (items_[mid] == value) break;
        if (items_[mid] < value)
            lo = mid + 1;
        else
            hi = mid - 1;
        if (hi < lo) break;
    }
    return items_[mid] < value ? mid + 1 : mid;
}

void TIntList::Add(int32_t value) {
    const int32_t p = InsertPosition(value);
    if (duplicates_ != TDuplicates::Accept) {
        // In a sorted list an equal value sits at or next to the insert position.
        bool present;
        if (inOrder_) {
            present = std::binary_search(items_.begin(), items_.end(), value);
        } else {
            present = std::find(items_.begin(), items_.end(), value) != items_.end();
        }
        if (present) {
            if (duplicates_ == TDuplicates::Ignore) return;
            throw EKorKeyError("IntList: Ein Eintrag mit der Nummer " + std::to_string(value) +
                               " existiert bereits!");
        }
    }
    const size_t at = static_cast<size_t>(std::min(p, Count()));
    if (inOrder_)
        inOrder_ = (at == 0 || items_[at - 1] <= value) && (at == items_.size() || value <= items_[at]);
    items_.insert(items_.begin() + at, value);
}

void TIntList::Delete(int32_t i) {
    if (i < 0 || i >= Count()) return;
    items_.erase(items_.begin() + i);
}

}  // namespace korin
