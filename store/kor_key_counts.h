// Subtree counts of a key file's result list (store/kor_key_file.h).
//
// For every node of the tree under one anchor (the selection's node), the
// number of collected nodes in its subtree (Left, Right, Down and the node
// itself), kept twice: the nodes of Type 80 (the list outside leaf mode) and
// the nodes without a Down tree (leaf mode). With them a place in the list is
// found by one descent, and the list's length is the count of the anchor's
// Down tree.
//
// The counts are made for one anchor at a time, so that damage elsewhere in
// the file does not stop this index; the tree's changes keep them (Fix of
// every node whose links changed, innermost first), the file's growth makes
// room for the new nodes (Grow), and they are dropped whenever they may no
// longer hold (Drop). A node outside the counted tree counts 0.
//
// Refusals, while making the counts:
//   EKorKeyError "KorKeyFile: Die Indexdatei ist beschädigt. Es existiert ein direkter Ringverweis!"
//                (a node that is its own child)
//   EKorKeyError "KorKeyFile: Die Indexdatei ist beschädigt. Ein Eintrag ist mehrfach verknüpft oder Teil eines Rings!"
//   range errors of TKorKeyTable pass through (a link outside the file).
// A refused Make leaves no counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/kor_key_table.h"
#include "store/kor_tree_walk.h"

namespace korin {

// The number byte that marks the record-pointer part of a table key.
constexpr int32_t kPointerType = 80;

// The damage errors of a key file's trees, raised alike by the tree and by the
// list that reads it: "KorKeyFile: Die Indexdatei ist beschädigt. " + what.
[[noreturn]] void RaiseKeyDamage(const std::string& what);
// Raises for the damage a walk found (nothing when none): a node outside the
// file as the node table's range error, a node linked to itself with
// selfLink, a ring with "Ein Baum enthält einen Ringverweis!".
void RaiseKeyWalkDamage(const TKorKeyTable& nodes, const TKorTreeWalk& walk, const char* selfLink);

class TKorKeyCounts {
public:
    explicit TKorKeyCounts(const TKorKeyTable& nodes) : nodes_(nodes) {}

    // -1: no counts.
    int32_t Anchor() const { return anchor_; }
    // Makes the counts for the tree under anchor, in post-order, unless they
    // are made for it already; nothing while the node table is detached.
    void Make(int32_t anchor);
    // Node k's links or Type changed: its counts are made anew from its
    // children's (nothing without counts).
    void Fix(int32_t k) {
        if (anchor_ >= 0) FixNow(k);
    }
    // The node table grew: room for its new nodes, which count 0.
    void Grow() {
        if (anchor_ < 0) return;
        const size_t size = static_cast<size_t>(nodes_.Count()) + 1;
        cnt80_.resize(size, 0);
        cntLeaf_.resize(size, 0);
    }
    void Drop() {
        anchor_ = -1;
        cnt80_.clear();
        cntLeaf_.clear();
    }
    // Collected nodes in k's subtree: without Down (leaves) or of Type 80.
    int32_t Of(int32_t k, bool leaves) const {
        if (k <= 0 || static_cast<size_t>(k) >= cnt80_.size()) return 0;
        return (leaves ? cntLeaf_ : cnt80_)[static_cast<size_t>(k)];
    }

private:
    void FixNow(int32_t k);

    const TKorKeyTable& nodes_;
    int32_t anchor_ = -1;
    std::vector<int32_t> cnt80_;    // nodes of Type 80 in the subtree
    std::vector<int32_t> cntLeaf_;  // nodes without Down in the subtree
};

}  // namespace korin
