// The audit of a key file: everything a sound file must satisfy, checked
// without trusting any link before its range is known.
#include <algorithm>
#include <string>
#include <vector>

#include "store/kor_key_file.h"
#include "store/kor_text_compare.h"

namespace korin {

std::string TKorKeyFile::Verify() const {
    if (!IsOpen()) return "not open";
    const int32_t count = nodes_.Count();
    if (static_cast<int64_t>(count) * keynode::kSize + 8 != FileSize())
        return "file size " + std::to_string(FileSize()) + " is not 64*N + 8";

    enum : uint8_t { kUnseen = 0, kInUse = 1, kFree = 2 };
    std::vector<uint8_t> state(static_cast<size_t>(count) + 1, kUnseen);
    const auto at = [](int32_t k) { return static_cast<size_t>(k); };
    const auto text = [](int32_t k) { return std::to_string(k); };

    // Every tree of the file in one walk that takes each node once, each node
    // after its subtrees: their heights and their first and last node in key
    // order are then known. The level trees are AVL trees, so a height fits a
    // byte once the balances below have been found true.
    std::vector<uint8_t> height(static_cast<size_t>(count), 0);
    std::vector<int32_t> first(static_cast<size_t>(count), 0);
    std::vector<int32_t> last(static_cast<size_t>(count), 0);
    auto ordered = [&](int32_t a, int32_t b) {
        const int32_t ta = nodes_.GetType(a), tb = nodes_.GetType(b);
        return (ta != tb ? ta - tb : TextCompare(nodes_.GetValueView(a), nodes_.GetValueView(b))) < 0;
    };
    TKorTreeWalk walk(TKorTreeWalk::Order::PostOrder, TKorTreeWalk::Repeats::Skip);
    walk.Start(nodes_, nodes_.GetDown(0));
    for (int32_t k = walk.Next(nodes_);; k = walk.Next(nodes_)) {
        if (!walk.Repeated().empty()) return "node " + text(walk.Repeated().front()) + " is reached twice";
        if (k < 0) break;
        state[at(k)] = kInUse;
        if (nodes_.GetUp(k) != walk.Owner())
            return "node " + text(k) + " has Up " + text(nodes_.GetUp(k)) + ", its owner is " + text(walk.Owner());
        const int32_t l = nodes_.GetLeft(k), r = nodes_.GetRight(k);
        const int hl = l != 0 ? height[at(l)] : 0, hr = r != 0 ? height[at(r)] : 0;
        if (nodes_.GetBalance(k) != hr - hl || hr - hl < -1 || hr - hl > 1)
            return "node " + text(k) + " has balance " + text(nodes_.GetBalance(k)) + ", heights differ by " +
                   text(hr - hl);
        height[at(k)] = static_cast<uint8_t>(1 + std::max(hl, hr));
        if (l != 0 && !ordered(last[at(l)], k))
            return "nodes " + text(last[at(l)]) + " and " + text(k) + " are out of key order";
        if (r != 0 && !ordered(k, first[at(r)]))
            return "nodes " + text(k) + " and " + text(first[at(r)]) + " are out of key order";
        first[at(k)] = l != 0 ? first[at(l)] : k;
        last[at(k)] = r != 0 ? last[at(r)] : k;
    }
    if (walk.Found() == TKorTreeWalk::Damage::Outside)
        return "node " + text(walk.OutsideNode()) + " lies outside the file";

    // The free chain runs through nodes not in use and ends at the high-water node.
    TKorChainWalk chain;
    chain.Start(nodes_.GetNextFree(), count);
    int32_t lastFree = 0;
    for (int32_t k = chain.Next(nodes_); k > 0; k = chain.Next(nodes_)) {
        if (state[at(k)] == kInUse) return "node " + text(k) + " is in use and on the free chain";
        if (state[at(k)] == kFree) return "the free chain is a ring";
        state[at(k)] = kFree;
        lastFree = k;
    }
    switch (chain.Found()) {
        case TKorChainWalk::Damage::Outside:
            return "the free chain leaves the file at " + text(chain.OutsideNode());
        case TKorChainWalk::Damage::None:
            break;
        default:
            return "the free chain is a ring";
    }
    if (!chain.ReachedEnd())
        return lastFree == 0 ? "the free chain leaves the file at 0"
                             : "the free chain ends at " + text(lastFree) + " before the high-water node";
    if (nodes_.GetUp(count) != 0) return "the high-water node has a successor";
    for (int32_t i = 1; i < count; ++i)
        if (state[at(i)] == kUnseen) return "node " + text(i) + " is neither in use nor free";
    return {};
}

}  // namespace korin
