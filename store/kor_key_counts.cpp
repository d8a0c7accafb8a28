#include "store/kor_key_counts.h"

#include <utility>

#include "store/kor_error.h"
#include "store/le.h"

namespace korin {

void RaiseKeyDamage(const std::string& what) {
    throw EKorKeyError("KorKeyFile: Die Indexdatei ist beschädigt. " + what);
}

void RaiseKeyWalkDamage(const TKorKeyTable& nodes, const TKorTreeWalk& walk, const char* selfLink) {
    switch (walk.Found()) {
    case TKorTreeWalk::Damage::None:
        return;
    case TKorTreeWalk::Damage::Outside:
        nodes.GetLeft(walk.OutsideNode());  // raises the node table's range error
        break;
    case TKorTreeWalk::Damage::SelfLink:
        RaiseKeyDamage(selfLink);
    case TKorTreeWalk::Damage::Ring:
        break;
    }
    RaiseKeyDamage("Ein Baum enthält einen Ringverweis!");
}

void TKorKeyCounts::Make(int32_t anchor) {
    if (anchor_ == anchor || !nodes_.Attached()) return;
    const size_t size = static_cast<size_t>(nodes_.Count()) + 1;
    cnt80_.assign(size, 0);
    cntLeaf_.assign(size, 0);
    anchor_ = -1;
    // Post-order over the nodes under the anchor: children (Left, Right, Down) first.
    std::vector<uint8_t> seen(size, 0);
    std::vector<std::pair<int32_t, bool>> stack;
    const int32_t root = nodes_.GetDown(anchor);
    if (root != 0) stack.push_back({root, false});
    while (!stack.empty()) {
        const auto [k, childrenDone] = stack.back();
        stack.pop_back();
        if (childrenDone) {
            FixNow(k);
            continue;
        }
        // Also raises for a node number outside the file.
        const uint8_t* node = nodes_.NodeBytes(k, "GetLeft");
        const int32_t left = le::I32(node + keynode::kLeft), right = le::I32(node + keynode::kRight);
        nodes_.Prefetch(left);
        nodes_.Prefetch(right);
        if (left == k || right == k)
            RaiseKeyDamage("Es existiert ein direkter Ringverweis!");
        if (seen[static_cast<size_t>(k)])
            RaiseKeyDamage("Ein Eintrag ist mehrfach verknüpft oder Teil eines Rings!");
        seen[static_cast<size_t>(k)] = 1;
        stack.push_back({k, true});
        for (const int32_t child : {nodes_.GetLeft(k), nodes_.GetRight(k), nodes_.GetDown(k)})
            if (child != 0) stack.push_back({child, false});
    }
    anchor_ = anchor;
}

void TKorKeyCounts::FixNow(int32_t k) {
    if (k <= 0 || static_cast<size_t>(k) >= cnt80_.size()) return;
    const int32_t l = nodes_.GetLeft(k), r = nodes_.GetRight(k), d = nodes_.GetDown(k);
    auto at = [](const std::vector<int32_t>& v, int32_t n) {
        return n > 0 && static_cast<size_t>(n) < v.size() ? v[static_cast<size_t>(n)] : 0;
    };
    const size_t i = static_cast<size_t>(k);
    cnt80_[i] = (nodes_.GetType(k) == kPointerType ? 1 : 0) + at(cnt80_, l) + at(cnt80_, r) +
                at(cnt80_, d);
    cntLeaf_[i] = (d == 0 ? 1 : 0) + at(cntLeaf_, l) + at(cntLeaf_, r) + at(cntLeaf_, d);
}

}  // namespace korin
