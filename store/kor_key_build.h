// Building a fresh key file in one pass.
//
// TKorKeyBuild makes the bytes that a new key file (as CreateNew leaves it)
// holds after AddKeys was called with the same keys in the same order, one
// AddKeys per key: the same node numbers (nodes are numbered in the order they
// are made), the same AVL shapes and balances, the same growth steps and so the
// same file length, and the same free chain. Re-indexing a table uses it.
//
// Parts are given as (number byte, text); a text counts with its first 32
// characters, as the key file stores and compares it. Every distinct part is
// kept once and all of them are put in key order once (Type, then TextCompare),
// so that the tree insertions compare ranks instead of texts.
//
// Write works in two passes. Placing goes through the keys in order and finds
// each part's node by (owner, part) without descending a tree: as the first
// child of the owner, as the first node of the part, or in a hash table; the
// first part that is missing and every part after it make new nodes, numbered
// and grown exactly as the key file does. Every new node is one insertion into
// the level tree of its owner, and a tree's shape and balances depend only on
// the order of its own insertions. So shaping then takes the nodes owner by
// owner, in the order they were made, and repeats the key file's AVL
// insertions for that one tree on a local table in key order, where a new
// node's place follows from its neighbours in key order at the time: no
// descents, and the rebalancing walks up a few nodes on average.
//
// A part the key file would not treat as one value everywhere is refused:
// number 255 (it matches any Type in a comparison) and a text with a NUL among
// its first 32 characters (the node keeps only the text before it). Intern then
// returns -1 and the caller builds the file by repeated insertion instead.
//
// Refusals:
//   EKorKeyError "KorKeyFile: Ein Schlüssel darf höchstens 64 Teile haben!"   (EndKey)
//   EKorKeyError "KorKeyFile: Die Datei " + path + " konnte nicht geschrieben werden!"
//       (Write: the file would pass 2 GiB)
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korin {

class TKorKeyBuild {
public:
    TKorKeyBuild();
    ~TKorKeyBuild();
    TKorKeyBuild(const TKorKeyBuild&) = delete;
    TKorKeyBuild& operator=(const TKorKeyBuild&) = delete;

    // An id of the part (number, text); -1 when the part is refused (above).
    // Equal parts may get different ids; they count as one part.
    int32_t Intern(uint8_t number, std::string_view text);
    // Appends part `id` to the key being gathered.
    void AddPart(int32_t id) { parts_.push_back(id); }
    // Ends the key being gathered; it is inserted with DIndex = dataIndex on
    // its last part. A key without parts changes nothing.
    void EndKey(int32_t dataIndex);

    // Inserts every key and hands the file's bytes, from the start and in
    // order, to `sink` (in pieces of up to 1 MiB). `path` names the file in
    // the refusal. Called once: the gathered keys are given up on the way.
    void Write(const std::string& path, const std::function<void(const uint8_t*, size_t)>& sink);

private:
    struct Text {
        uint32_t offset;
        uint8_t size;
        uint8_t number;
    };
    // A node that is neither the first child of its owner nor the first node
    // of its part, found by (owner, part); node 0 marks an empty slot.
    struct Child {
        int32_t owner, part, node;
    };
    // A node of the level tree being shaped. Local numbers follow key order
    // (1 the least, 0 none); link[0] is the left, link[1] the right subtree.
    struct Local {
        int32_t link[2];
        int32_t up;
        int8_t balance;
    };
    struct Near {
        int32_t before, after;
    };

    // A part's first 16 bytes in an order whose plain comparison is key order.
    struct RankEntry {
        uint64_t high, low;
        int32_t id;
    };

    void Rank();
    void SortFrom(RankEntry* a, size_t n, int byte) const;
    void Place();
    int32_t Alloc(int32_t owner, int32_t part, int32_t dindex);
    void AddChild(const Child& child);
    void Store(const Child& child);
    int32_t Find(int32_t owner, int32_t part) const;
    void Shape();
    int32_t ShapeTree(const uint32_t* nodes, size_t m);
    // Makes `child` the subtree on side `dir` of local node `p`.
    void Hang(int32_t p, int dir, int32_t child) {
        local_[static_cast<size_t>(p)].link[dir] = child;
        if (child != 0) local_[static_cast<size_t>(child)].up = p;
    }
    void Merge();

    std::vector<char> texts_;        // the distinct texts, one after another
    std::vector<Text> parts_of_;     // per id: where its text lies
    std::vector<uint32_t> hashes_;   // per id: the hash of its part
    static constexpr size_t kRecent = 16384;
    std::vector<uint64_t> recent_;   // by hash: hash << 32 | (id + 1) of the last part interned, 0 none
    std::vector<int32_t> first_;     // per id: the first id of an equal part (Merge)
    std::vector<int32_t> parts_;     // the parts of every key, one after another
    std::vector<uint32_t> keyEnds_;  // per key: the end of its parts
    std::vector<int32_t> keyData_;   // per key: its DIndex
    std::vector<int32_t> rank_;      // per id: its place in key order

    // The nodes made so far; index = node number (0: the header, whose
    // children are the root level). While placing, down_ holds a node's first
    // child; shaping replaces it by the root of the node's level tree.
    std::vector<int32_t> owner_, part_, dindex_, down_;
    struct Links {
        int32_t left, right;
        int8_t balance;
    };
    std::vector<Links> links_;  // written by shaping
    std::vector<int32_t> firstOf_;  // per part id: its first node, 0 none yet
    std::vector<uint8_t> shared_;   // per part id: 1 when it has several nodes
    std::vector<Child> children_;   // open addressing, linear probing, at most half full
    size_t childCount_ = 0;
    int childShift_ = 64;  // 64 - log2 of children_.size()
    static constexpr size_t kPending = 16;
    std::array<Child, kPending> pending_{};  // announced, not yet in children_
    size_t pendingCount_ = 0;
    int32_t root_ = 0;
    int64_t count_ = 1;  // N: the file is 64 N + 8 bytes long; a new file has node 0 and 8 bytes of node 1
    // Shaping's buffers, reused from tree to tree: the nodes in key order
    // (as rank << 32 | insertion), node number per local number, local number
    // per insertion, neighbours at insertion, the nodes.
    std::vector<uint64_t> sorted_, spare_;
    std::vector<int32_t> byLocal_, localOf_;
    std::vector<Near> near_;
    std::vector<Local> local_;
};

}  // namespace korin
