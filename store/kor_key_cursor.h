// A cursor on a result list that is a view of a tree (store/kor_key_file.h):
// the place of the current entry, its node, and the walk's state right after
// it (store/kor_tree_walk.h), so that stepping to the next entry costs O(1)
// amortised.
//
// A cursor that steps on runs some entries ahead: the walk reaches them
// first, their nodes are read and `upcoming` hears of each, while the entries
// before them are used, so that the cache misses of a long walk overlap.
// Damage the walk finds ahead counts only when the cursor reaches it: Next
// then returns -1 and Walk().Found() says what was found.
//
// Which nodes of the tree are entries is the caller's to say (isEntry).
#pragma once

#include <cstdint>
#include <deque>

#include "store/kor_tree_walk.h"

namespace korin {

class TKorKeyCursor {
public:
    bool Placed() const { return position_ >= 0; }
    int32_t Position() const { return position_; }
    int32_t Node() const { return node_; }
    const TKorTreeWalk& Walk() const { return walk_; }

    void Forget() {
        position_ = -1;
        node_ = -1;
        ahead_.clear();
        ended_ = false;
    }
    // Placing by a descent: Clear, then the frames of the nodes the walk has
    // still to go through (TKorTreeWalk::PushFrame), then Place.
    void Clear() {
        Forget();
        walk_.Clear();
    }
    void PushFrame(int32_t node, int stage) { walk_.PushFrame(node, stage); }
    void Place(int32_t position, int32_t node) {
        position_ = position;
        node_ = node;
    }

    // Walks the tree at root to its first entry and stays there (position 0);
    // -1 when there is none or the walk met damage.
    template <typename IsEntry>
    int32_t First(const TKorKeyTable& nodes, int32_t root, IsEntry&& isEntry) {
        Forget();
        walk_.Start(nodes, root);
        auto none = [](int32_t) {};
        return Step(nodes, isEntry, none, false, 0);
    }
    // Steps to the entry after the current one, running ahead when asked to;
    // -1 at the end or at damage (the cursor is then no longer placed).
    template <typename IsEntry, typename Upcoming>
    int32_t Next(const TKorKeyTable& nodes, IsEntry&& isEntry, bool runAhead, Upcoming&& upcoming) {
        return Step(nodes, isEntry, upcoming, runAhead, position_ + 1);
    }

private:
    static constexpr size_t kAhead = 8;

    template <typename IsEntry>
    int32_t WalkOn(const TKorKeyTable& nodes, IsEntry& isEntry) {
        while (true) {
            const int32_t node = walk_.Next(nodes);
            if (node < 0 || isEntry(node)) return node;
        }
    }

    template <typename IsEntry, typename Upcoming>
    int32_t Step(const TKorKeyTable& nodes, IsEntry& isEntry, Upcoming& upcoming, bool runAhead,
                 int32_t position) {
        if (ahead_.empty() && !ended_) {
            const int32_t node = WalkOn(nodes, isEntry);
            ended_ = node < 0;
            if (!ended_) ahead_.push_back(node);
        }
        while (runAhead && ahead_.size() < kAhead + 1 && !ended_) {
            const int32_t node = WalkOn(nodes, isEntry);
            ended_ = node < 0;
            if (ended_) break;
            ahead_.push_back(node);
            upcoming(node);
        }
        if (ahead_.empty()) {
            position_ = node_ = -1;
            return -1;
        }
        Place(position, ahead_.front());
        ahead_.pop_front();
        return node_;
    }

    TKorTreeWalk walk_;
    int32_t position_ = -1;  // -1: not placed
    int32_t node_ = -1;
    // Entries the walk has reached beyond the current one (the walk's state
    // lies behind the last of them), and whether it found its end there.
    std::deque<int32_t> ahead_;
    bool ended_ = false;
};

}  // namespace korin
