// The result list of a key file (store/kor_key_file.h): the nodes that it
// lists, in key order, and how it reads them.
//
// The list is one of three kinds:
//   Live      a view of the tree under an anchor node (the selection's node):
//             its entries are the collected nodes of the anchor's Down tree in
//             walk order (Left, Down, the node, Right), counted per node
//             (store/kor_key_counts.h) and stepped through by a cursor
//             (store/kor_key_cursor.h), so that its length, entry i and the
//             next entry cost O(levels · log n);
//   Material  a plain list of node numbers, filled by the key file or by a
//             descendant that lists other entries;
//   Frozen    after a deletion made the list stale, what is still read of it
//             as it stood: its length and its first node.
// Collected are, outside leaf mode, the nodes of Type 80 (the record-pointer
// parts of table keys), in leaf mode the nodes without a Down tree.
//
// The list reads the nodes through the key file's node table; it changes none.
// Refusals (reading a live list): the damage errors of store/kor_key_counts.h,
// and "KorKeyFile: Die Indexdatei ist beschädigt. " + "Es existiert ein direkter
// Ringverweis!" or "Ein Baum enthält einen Ringverweis!" for damage the cursor
// meets; range errors of TKorKeyTable pass through. The list keeps its kind
// after a refusal.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "store/kor_int_list.h"
#include "store/kor_key_counts.h"
#include "store/kor_key_cursor.h"
#include "store/kor_key_table.h"

namespace korin {

// The record number a DIndex stands for. A damaged file may hold any value; the
// subtraction wraps as the 32-bit word does instead of overflowing.
inline int32_t RecordOf(int32_t dindex) {
    return static_cast<int32_t>(static_cast<uint32_t>(dindex) - 1u);
}

class TKorKeyResults {
public:
    enum class Mode { Live, Material, Frozen };

    explicit TKorKeyResults(const TKorKeyTable& nodes) : nodes_(nodes), counts_(nodes) {}

    Mode Kind() const { return mode_; }
    // The anchor of a live list.
    int32_t Anchor() const { return anchor_; }
    const TIntegerList& MaterialList() const { return material_; }

    bool LeafMode() const { return leafMode_; }
    void SetLeafMode(bool leafMode) { leafMode_ = leafMode; }
    bool Collected(int32_t k) const {
        return leafMode_ ? nodes_.GetDown(k) == 0 : nodes_.GetType(k) == kPointerType;
    }

    // Entries of the list.
    int32_t Count() {
        switch (mode_) {
        case Mode::Live:
            return LiveCount();
        case Mode::Material:
            return material_.Count();
        case Mode::Frozen:
            return frozenCount_;
        }
        return 0;
    }
    // Node number of entry i, -1 outside the list. On a live list the cursor
    // is left on it.
    int32_t Node(int32_t i) {
        switch (mode_) {
        case Mode::Live:
            if (i < 0) return -1;
            if (cursor_.Placed() && i == cursor_.Position()) return cursor_.Node();
            if (cursor_.Placed() && i == cursor_.Position() + 1) return Next();
            return i == 0 ? First() : Select(i);
        case Mode::Material:
            return material_.Items(i);
        case Mode::Frozen:
            return i == 0 ? frozenFirst_ : -1;
        }
        return -1;
    }
    // A live list whose cursor stands on entry i.
    bool CursorAt(int32_t i) const { return mode_ == Mode::Live && cursor_.Placed() && cursor_.Position() == i; }

    // The list becomes a view of the tree under anchor.
    void MakeLive(int32_t anchor) {
        ForgetCursor();
        mode_ = Mode::Live;
        anchor_ = anchor;
        material_.Clear();
    }
    // The list becomes a plain list, emptied, for the caller to fill.
    TIntegerList& MakeMaterial() {
        ForgetCursor();
        mode_ = Mode::Material;
        material_.Clear();
        anchor_ = 0;
        return material_;
    }
    TIntegerList& Material() { return material_; }
    // A live list that a deletion made stale keeps its length and first node.
    void Freeze(int32_t count, int32_t first) {
        mode_ = Mode::Frozen;
        frozenCount_ = count;
        frozenFirst_ = first;
    }
    // The anchor's node was found again after another object changed the tree.
    void Reanchor(int32_t anchor) { anchor_ = anchor; }

    // The counts: made for anchor (when not made for it already), kept by
    // Fix(k) after every change of node k, grown with the file.
    void MakeCounts(int32_t anchor) { counts_.Make(anchor); }
    void Fix(int32_t k) { counts_.Fix(k); }
    void Grow() { counts_.Grow(); }
    // Collected nodes in k's subtree (the counts must be made).
    int32_t Cnt(int32_t k) const { return counts_.Of(k, leafMode_); }
    // The tree may have changed behind the list: counts and cursor are dropped.
    void Forget() {
        counts_.Drop();
        ForgetCursor();
    }
    void ForgetCursor() { cursor_.Forget(); }
    // An empty plain list, without counts or cursor (the file closed).
    void Close() {
        Forget();
        MakeMaterial();
    }

    // Called with the record number of each entry that a walk of the live list
    // will reach a few steps later (empty: nothing is called).
    void SetUpcoming(std::function<void(int32_t record)> upcoming) { upcoming_ = std::move(upcoming); }

private:
    int32_t Root() const { return nodes_.GetDown(anchor_); }
    int32_t LiveCount() {
        counts_.Make(anchor_);
        return Cnt(Root());
    }
    // Entry i of the live list by a descent along the counts.
    int32_t Select(int32_t i);
    // The first entry of the live list by a walk from its root.
    int32_t First();
    // The entry after the cursor's.
    int32_t Next();

    const TKorKeyTable& nodes_;
    Mode mode_ = Mode::Material;
    bool leafMode_ = false;
    int32_t anchor_ = 0;
    TIntegerList material_;
    int32_t frozenCount_ = 0;
    int32_t frozenFirst_ = -1;
    TKorKeyCounts counts_;
    TKorKeyCursor cursor_;
    std::function<void(int32_t)> upcoming_;
};

}  // namespace korin
