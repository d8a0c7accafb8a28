// The audit of a key file: everything a sound file must satisfy, checked
// without trusting any link before its range is known.
#include <functional>
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
    std::string fault;
    auto in = [&](int32_t k) { return k >= 1 && k < count; };

    struct Level {
        int32_t root;
        int32_t owner;
    };
    std::vector<Level> levels{{nodes_.GetDown(0), 0}};
    std::vector<int32_t> order;

    // Height of the level tree at k, checking each node on the way; -1 on a fault.
    std::function<int(int32_t, int32_t, int)> height = [&](int32_t k, int32_t owner, int depth) -> int {
        if (k == 0) return 0;
        if (!in(k)) {
            fault = "node " + std::to_string(k) + " lies outside the file";
            return -1;
        }
        if (depth > kMaxDepth) {
            fault = "a tree is deeper than any balanced tree of this size";
            return -1;
        }
        if (state[static_cast<size_t>(k)] != kUnseen) {
            fault = "node " + std::to_string(k) + " is reached twice";
            return -1;
        }
        state[static_cast<size_t>(k)] = kInUse;
        if (nodes_.GetUp(k) != owner) {
            fault = "node " + std::to_string(k) + " has Up " + std::to_string(nodes_.GetUp(k)) +
                    ", its owner is " + std::to_string(owner);
            return -1;
        }
        const int hl = height(nodes_.GetLeft(k), owner, depth + 1);
        if (hl < 0) return -1;
        order.push_back(k);
        const int hr = height(nodes_.GetRight(k), owner, depth + 1);
        if (hr < 0) return -1;
        if (nodes_.GetBalance(k) != hr - hl || hr - hl < -1 || hr - hl > 1) {
            fault = "node " + std::to_string(k) + " has balance " +
                    std::to_string(nodes_.GetBalance(k)) + ", heights differ by " +
                    std::to_string(hr - hl);
            return -1;
        }
        if (nodes_.GetDown(k) != 0) levels.push_back({nodes_.GetDown(k), k});
        return 1 + std::max(hl, hr);
    };

    while (!levels.empty()) {
        const Level level = levels.back();
        levels.pop_back();
        order.clear();
        if (height(level.root, level.owner, 0) < 0) return fault;
        for (size_t i = 1; i < order.size(); ++i) {
            const int32_t a = order[i - 1], b = order[i];
            const int32_t ta = nodes_.GetType(a), tb = nodes_.GetType(b);
            const int c = ta != tb ? ta - tb : TextCompare(nodes_.GetValueView(a), nodes_.GetValueView(b));
            if (c >= 0)
                return "nodes " + std::to_string(a) + " and " + std::to_string(b) +
                       " are out of key order";
        }
    }

    // The free chain runs through nodes not in use and ends at the high-water node.
    int32_t k = nodes_.GetNextFree();
    for (int64_t steps = 0;; ++steps) {
        if (steps > count) return "the free chain is a ring";
        if (k == count) break;
        if (!in(k)) return "the free chain leaves the file at " + std::to_string(k);
        if (state[static_cast<size_t>(k)] == kInUse)
            return "node " + std::to_string(k) + " is in use and on the free chain";
        if (state[static_cast<size_t>(k)] == kFree) return "the free chain is a ring";
        state[static_cast<size_t>(k)] = kFree;
        const int32_t up = nodes_.GetUp(k);
        if (up == 0) return "the free chain ends at " + std::to_string(k) + " before the high-water node";
        k = up;
    }
    if (nodes_.GetUp(count) != 0) return "the high-water node has a successor";
    for (int32_t i = 1; i < count; ++i)
        if (state[static_cast<size_t>(i)] == kUnseen)
            return "node " + std::to_string(i) + " is neither in use nor free";
    return {};
}

}  // namespace korin
