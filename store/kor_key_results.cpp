#include "store/kor_key_results.h"

#include "store/le.h"

namespace korin {

int32_t TKorKeyResults::Select(int32_t i) {
    ForgetCursor();
    if (i < 0) return -1;
    counts_.Make(anchor_);
    // Descend by the counts, keeping the walk's frames, so that the cursor can
    // go on from the entry found.
    cursor_.Clear();
    const int32_t target = i;
    int32_t y = Root();
    int64_t steps = 0;
    const int64_t limit = static_cast<int64_t>(nodes_.Count()) + 1;
    // Into the subtree at child when entry i lies there (the frame says what
    // the walk does at y afterwards), else past its entries.
    auto into = [&](int32_t child, uint8_t stage) {
        const int32_t entries = Cnt(child);
        if (i >= entries) {
            i -= entries;
            return false;
        }
        cursor_.PushFrame(y, stage);
        y = child;
        return true;
    };
    while (y > 0) {
        if (++steps > limit) RaiseKeyDamage("Ein Baum enthält einen Ringverweis!");
        if (into(nodes_.GetLeft(y), 1) || into(nodes_.GetDown(y), 2)) continue;
        if (Collected(y)) {
            if (i == 0) {
                const int32_t right = nodes_.GetRight(y);
                if (right > 0) cursor_.PushFrame(right, 0);
                cursor_.Place(target, y);
                return y;
            }
            --i;
        }
        y = nodes_.GetRight(y);
    }
    return -1;
}

int32_t TKorKeyResults::Next() {
    // A walk of a table runs ahead and has the records it reaches loaded.
    const int32_t next = cursor_.Next(
        nodes_, [this](int32_t n) { return Collected(n); }, static_cast<bool>(upcoming_),
        [this](int32_t n) { upcoming_(RecordOf(nodes_.GetIndex(n))); });
    if (next < 0) RaiseKeyWalkDamage(nodes_, cursor_.Walk(), "Es existiert ein direkter Ringverweis!");
    return next;
}

int32_t TKorKeyResults::First() {
    // The first entry is mostly the leftmost node of the deepest tree on the
    // way down: a descent finds it and leaves the walk's frames as Select
    // does. Anything else (a first node that is no entry, or damage) is left
    // to the walk from the root, which stops at the first collected node and
    // names the damage.
    cursor_.Clear();
    int64_t steps = 0;
    const int64_t limit = static_cast<int64_t>(nodes_.Count()) + 1;
    for (int32_t y = Root(); y > 0 && y < nodes_.Count() && ++steps <= limit;) {
        const uint8_t* bytes = nodes_.NodeBytes(y, "GetLeft");
        const int32_t left = le::I32(bytes + keynode::kLeft), down = le::I32(bytes + keynode::kDown);
        if (left == y) break;
        if (left != 0 || down != 0) {
            cursor_.PushFrame(y, left != 0 ? 1 : 2);
            y = left != 0 ? left : down;
            continue;
        }
        const int32_t right = le::I32(bytes + keynode::kRight);
        if (right == y || right < 0 || right >= nodes_.Count() || !Collected(y)) break;
        if (right != 0) cursor_.PushFrame(right, 0);
        cursor_.Place(0, y);
        return y;
    }
    const int32_t first = cursor_.First(nodes_, Root(), [this](int32_t n) { return Collected(n); });
    if (first < 0) RaiseKeyWalkDamage(nodes_, cursor_.Walk(), "Es existiert ein direkter Ringverweis!");
    return first;
}

}  // namespace korin
