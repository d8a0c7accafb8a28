// The one way to walk the trees and chains of a key file: the key file's
// listings, cursor and audit, the catalogue's listings, checks and paths, and
// the desktop's catalogue levels.
//
// TKorTreeWalk goes through the tree at a root in one of four orders:
//   DownFirst  Left subtree, the tree below Down, the node, Right subtree
//   SelfFirst  Left subtree, the node, the tree below Down, Right subtree
//   Level      Left subtree, the node, Right subtree (one level; Down not taken)
//   PostOrder  Left subtree, Right subtree, the tree below Down, the node
//              (a node comes after everything below it: heights, audits)
// TKorChainWalk follows the Up links of a chain: the free chain from the
// header's NextFree to the high-water node, or an entry and its enclosing
// entries up to the top level.
//
// Both keep an explicit stack or none at all, so that a damaged file cannot
// exhaust the program's stack, and both are bounded the same way: a sound
// file enters each node at most once, so entering more nodes than the file
// holds (Count + 1) means a ring. Damage ends the walk; the walker says what
// it found and the caller decides whether to raise or to keep what it has
// read:
//   Ring      more nodes entered than the file holds
//   SelfLink  a node whose Left or Right is the node itself (tree walk)
//   Outside   a link, other than 0, to no whole node of the file (negative,
//             or Count and beyond); OutsideNode names it, OutsideFrom the
//             node it was read from (0 for the root given to Start)
// A tree walk may instead enter every node once (Repeats::Skip): a further
// link to a node entered before is then not followed but noted (Repeated), so
// a ring or a node linked twice ends only that branch.
//
// The walkers read the nodes through TKorKeyTable and hold no pointer into the
// mapping, so they may go on after the file has grown.
#pragma once

#include <cstdint>
#include <vector>

#include "store/kor_key_table.h"

namespace korin {

class TKorTreeWalk {
public:
    enum class Damage { None, Ring, SelfLink, Outside };
    enum class Order : uint8_t { DownFirst, SelfFirst, Level, PostOrder };
    enum class Repeats : uint8_t { Ring, Skip };

    // DownFirst, or Level when Down is not to be taken.
    explicit TKorTreeWalk(bool intoDown = true) : order_(intoDown ? Order::DownFirst : Order::Level) {}
    explicit TKorTreeWalk(Order order, Repeats repeats = Repeats::Ring)
        : order_(order), skip_(repeats == Repeats::Skip) {}

    // Begins the walk of the tree at root (0: an empty tree).
    void Start(const TKorKeyTable& nodes, int32_t root) {
        Clear();
        Push(nodes, 0, root, 0, 0);
    }
    // Ends the walk; a walk that goes on from frames pushed afterwards counts
    // its nodes afresh (a cursor placed anew must not inherit the count of
    // the walks before it, or a long session of jumps reads as a ring).
    void Clear() {
        stack_.clear();
        entered_ = 0;
        damage_ = Damage::None;
        seen_.clear();
        repeated_.clear();
        scoutCount_ = 0;
    }
    bool Done() const { return stack_.empty(); }

    // The next node in walk order, or -1 at the end of the tree or at damage.
    int32_t Next(const TKorKeyTable& nodes) {
        Scout(nodes);
        while (!stack_.empty()) {
            Frame& f = stack_.back();
            const Frame at = f;  // pushing below may move the stack
            switch (at.stage) {
                case kGoLeft: {
                    f.stage = kAfterLeft[static_cast<int>(order_)];
                    const int32_t left = nodes.GetLeft(at.node), right = nodes.GetRight(at.node);
                    if (!skip_ && (left == at.node || right == at.node)) return Fail(Damage::SelfLink);
                    // The right subtree is entered after the left one: its
                    // root loads meanwhile.
                    nodes.Prefetch(right);
                    AddScout(right);
                    if (!Push(nodes, at.node, left, at.owner, at.depth)) return -1;
                    break;
                }
                case kGoDown:
                    f.stage = kAfterDown[static_cast<int>(order_)];
                    if (!Push(nodes, at.node, nodes.GetDown(at.node), at.node, at.depth + 1)) return -1;
                    break;
                case kVisitGoRight:
                    // The node is returned before its Right link is checked,
                    // so that a caller keeping what it has read keeps it. The
                    // next step reads Right: its load overlaps with the
                    // caller's use of this node.
                    f.stage = kGoRight;
                    nodes.Prefetch(nodes.GetRight(at.node));
                    return Visit(at);
                case kVisit:
                    f.stage = kGoDown;
                    return Visit(at);
                case kGoRight:
                    stack_.pop_back();
                    if (!Push(nodes, at.node, nodes.GetRight(at.node), at.owner, at.depth)) return -1;
                    break;
                case kGoRightStay:
                    f.stage = kGoDown;
                    if (!Push(nodes, at.node, nodes.GetRight(at.node), at.owner, at.depth)) return -1;
                    break;
                default:  // kLeave
                    stack_.pop_back();
                    return Visit(at);
            }
        }
        return -1;
    }

    // Of the node Next returned last: the Down links between it and the
    // root's level, and the node whose Down tree holds it (0 on the root's
    // level).
    int32_t Depth() const { return lastDepth_; }
    int32_t Owner() const { return lastOwner_; }

    Damage Found() const { return damage_; }
    int32_t OutsideNode() const { return outside_; }
    int32_t OutsideFrom() const { return outsideFrom_; }
    // Repeats::Skip: the nodes reached again, in the order met.
    const std::vector<int32_t>& Repeated() const { return repeated_; }

    // For a DownFirst walk that is to go on from a node found by descending
    // instead of from the root: the frames the descent left (see TKorKeyFile's
    // cursor). stage 1: Left done, Down next; stage 2: Down done, the node next.
    void PushFrame(int32_t node, uint8_t stage) { stack_.push_back({node, 0, 0, stage}); }

private:
    enum Stage : uint8_t {
        kGoLeft = 0,        // every order
        kGoDown = 1,        // DownFirst, SelfFirst, PostOrder
        kVisitGoRight = 2,  // DownFirst, Level: the node, then Right
        kVisit = 3,         // SelfFirst: the node, then Down
        kGoRight = 4,       // Right in the node's place
        kGoRightStay = 5,   // PostOrder: Right, then Down
        kLeave = 6,         // PostOrder: the node, last
    };
    // The stage after kGoLeft and after kGoDown, by Order.
    static constexpr uint8_t kAfterLeft[4] = {kGoDown, kVisit, kVisitGoRight, kGoRightStay};
    static constexpr uint8_t kAfterDown[4] = {kVisitGoRight, kGoRight, kVisitGoRight, kLeave};

    struct Frame {
        int32_t node;
        int32_t owner;
        int32_t depth;
        uint8_t stage;
    };

    int32_t Visit(const Frame& at) {
        lastDepth_ = at.depth;
        lastOwner_ = at.owner;
        return at.node;
    }
    bool Push(const TKorKeyTable& nodes, int32_t from, int32_t k, int32_t owner, int32_t depth) {
        if (k == 0) return true;
        if (k < 0 || k >= nodes.Count()) {
            outside_ = k;
            outsideFrom_ = from;
            return Fail(Damage::Outside) >= 0;
        }
        if (skip_) {
            const size_t word = static_cast<size_t>(k) >> 6;
            const uint64_t bit = uint64_t{1} << (k & 63);
            if (word >= seen_.size()) seen_.resize(static_cast<size_t>(nodes.Count() >> 6) + 1, 0);
            if (seen_[word] & bit) {
                repeated_.push_back(k);
                return true;
            }
            seen_[word] |= bit;
        }
        if (++entered_ > static_cast<int64_t>(nodes.Count()) + 1) return Fail(Damage::Ring) >= 0;
        stack_.push_back({k, owner, depth, kGoLeft});
        return true;
    }
    // The walk enters a right subtree by its Left links, one node after the
    // other, each read only when the one before it is: a chain of waits on
    // the memory. The roots of the right subtrees still to come are kept
    // (the latest first, as the walk enters them) and each step reads one of
    // them, loaded by now, and has its left child loaded, so that the chains
    // are loaded while the walk is elsewhere. A full list forgets its oldest.
    void AddScout(int32_t k) {
        if (k <= 0) return;
        scouts_[scoutTop_++ % kScouts] = k;
        if (scoutCount_ < kScouts) ++scoutCount_;
    }
    void Scout(const TKorKeyTable& nodes) {
        if (scoutCount_ == 0) return;
        --scoutCount_;
        const int32_t left = nodes.LeftIfNode(scouts_[--scoutTop_ % kScouts]);
        if (left == 0) return;
        nodes.Prefetch(left);
        AddScout(left);
    }

    int32_t Fail(Damage d) {
        damage_ = d;
        stack_.clear();
        return -1;
    }

    Order order_;
    bool skip_ = false;
    std::vector<Frame> stack_;
    int64_t entered_ = 0;
    Damage damage_ = Damage::None;
    int32_t outside_ = 0;
    int32_t outsideFrom_ = 0;
    int32_t lastDepth_ = 0;
    int32_t lastOwner_ = 0;
    static constexpr size_t kScouts = 16;
    int32_t scouts_[kScouts] = {};
    size_t scoutTop_ = 0;
    size_t scoutCount_ = 0;
    std::vector<uint64_t> seen_;  // Repeats::Skip: one bit per node entered
    std::vector<int32_t> repeated_;
};

class TKorChainWalk {
public:
    using Damage = TKorTreeWalk::Damage;

    // Begins at first (0: an empty chain). The chain ends at a link 0 or on
    // reaching end (0: no such node), which is not returned.
    void Start(int32_t first, int32_t end = 0) {
        next_ = first;
        end_ = end;
        steps_ = 0;
        damage_ = Damage::None;
        reachedEnd_ = false;
    }

    // The next node of the chain, or -1 at its end or at damage.
    int32_t Next(const TKorKeyTable& nodes) {
        const int32_t k = next_;
        next_ = 0;
        if (k == 0) return -1;
        if (k == end_) {
            reachedEnd_ = true;
            return -1;
        }
        if (k < 0 || k >= nodes.Count()) {
            outside_ = k;
            damage_ = Damage::Outside;
            return -1;
        }
        if (++steps_ > static_cast<int64_t>(nodes.Count()) + 1) {
            damage_ = Damage::Ring;
            return -1;
        }
        next_ = nodes.GetUp(k);
        return k;
    }

    // The walk stopped at the end node given to Start.
    bool ReachedEnd() const { return reachedEnd_; }
    Damage Found() const { return damage_; }
    int32_t OutsideNode() const { return outside_; }

private:
    int32_t next_ = 0;
    int32_t end_ = 0;
    int64_t steps_ = 0;
    Damage damage_ = Damage::None;
    bool reachedEnd_ = false;
    int32_t outside_ = 0;
};

}  // namespace korin
