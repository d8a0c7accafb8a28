// The one way to walk the trees of a key file (the key file's listings and
// cursor, the catalogue's levels).
//
// The walk order is Left subtree, the tree below Down (when asked for), the
// node, Right subtree. An explicit stack replaces recursion, so that a damaged
// file cannot exhaust the program's stack, and the walk is bounded: every node
// of a sound file is entered at most once, so entering more nodes than the file
// has means a ring. Damage ends the walk; the walker says what was found and
// the caller decides whether to raise or to keep what it has read:
//   Ring      more nodes entered than the file holds
//   SelfLink  a node whose Left or Right is the node itself
//   Outside   a link to a node number outside the file
// The walker reads the nodes through TKorKeyTable and holds no pointer into
// the mapping, so it may go on after the file has grown.
#pragma once

#include <cstdint>
#include <vector>

#include "store/kor_key_table.h"

namespace korin {

class TKorTreeWalk {
public:
    enum class Damage { None, Ring, SelfLink, Outside };

    explicit TKorTreeWalk(bool intoDown = true) : intoDown_(intoDown) {}

    // Begins the walk of the tree at root (root <= 0: an empty tree).
    void Start(const TKorKeyTable& nodes, int32_t root) {
        stack_.clear();
        entered_ = 0;
        damage_ = Damage::None;
        Push(nodes, root);
    }
    // Ends the walk; a walk that goes on from frames pushed afterwards counts
    // its nodes afresh (a cursor placed anew must not inherit the count of
    // the walks before it, or a long session of jumps reads as a ring).
    void Clear() {
        stack_.clear();
        entered_ = 0;
        damage_ = Damage::None;
    }
    bool Done() const { return stack_.empty(); }

    // The next node in walk order, or -1 at the end of the tree or at damage.
    int32_t Next(const TKorKeyTable& nodes) {
        while (!stack_.empty()) {
            Frame& f = stack_.back();
            const int32_t node = f.node;
            if (f.stage == 0) {
                f.stage = 1;
                const int32_t left = nodes.GetLeft(node);
                if (left == node || nodes.GetRight(node) == node) return Fail(Damage::SelfLink);
                if (!Push(nodes, left)) return -1;
            } else if (f.stage == 1) {
                f.stage = 2;
                if (intoDown_ && !Push(nodes, nodes.GetDown(node))) return -1;
            } else {
                stack_.pop_back();
                const int32_t right = nodes.GetRight(node);
                if (!Push(nodes, right)) return -1;
                // The next step reads it: its load overlaps with the caller's
                // use of this node.
                if (right > 0) nodes.Prefetch(right);
                return node;
            }
        }
        return -1;
    }

    Damage Found() const { return damage_; }
    // The node number outside the file that ended the walk (Outside).
    int32_t OutsideNode() const { return outside_; }

    // For a walk that is to go on from a node found by descending instead of
    // from the root: the frames the descent left (see TKorKeyFile's cursor).
    // stage 1: Left done, Down next; stage 2: Down done, the node next.
    void PushFrame(int32_t node, uint8_t stage) { stack_.push_back({node, stage}); }

private:
    struct Frame {
        int32_t node;
        uint8_t stage;  // 0: go left, 1: go down, 2: visit and go right
    };

    bool Push(const TKorKeyTable& nodes, int32_t k) {
        if (k <= 0) return true;
        if (k >= nodes.Count()) {
            outside_ = k;
            return Fail(Damage::Outside) >= 0;
        }
        if (++entered_ > static_cast<int64_t>(nodes.Count()) + 1) return Fail(Damage::Ring) >= 0;
        stack_.push_back({k, 0});
        return true;
    }
    int32_t Fail(Damage d) {
        damage_ = d;
        stack_.clear();
        return -1;
    }

    bool intoDown_;
    std::vector<Frame> stack_;
    int64_t entered_ = 0;
    Damage damage_ = Damage::None;
    int32_t outside_ = 0;
};

}  // namespace korin
