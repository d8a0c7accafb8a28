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
// so that the insertions compare ranks instead of texts and touch a compact
// table of 16 bytes per node instead of the 64-byte nodes.
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

    // The id of the part (number, text), the same for equal parts; -1 when the
    // part is refused (above).
    int32_t Intern(uint8_t number, std::string_view text);
    // Appends part `id` to the key being gathered.
    void AddPart(int32_t id) { parts_.push_back(id); }
    // Ends the key being gathered; it is inserted with DIndex = dataIndex on
    // its last part. A key without parts changes nothing.
    void EndKey(int32_t dataIndex);

    // Inserts every key and hands the file's bytes, from the start and in
    // order, to `sink` (in pieces of up to 1 MiB). `path` names the file in
    // the refusal.
    void Write(const std::string& path, const std::function<void(const uint8_t*, size_t)>& sink);

private:
    struct Text {
        uint32_t offset;
        uint8_t size;
        uint8_t number;
    };
    // What a descent reads, 16 bytes a node; the balances lie apart.
    struct Node {
        int32_t left, right, down, rank;
    };

    void Rank();
    void Insert(size_t from, size_t to, int32_t dataIndex);
    int32_t Alloc(int32_t owner, int32_t part, int32_t dindex);
    void Grown(int32_t& p, bool& grown, bool right);
    void Rehash();

    std::vector<char> texts_;        // the distinct texts, one after another
    std::vector<Text> parts_of_;     // per id: where its text lies
    std::vector<uint64_t> slots_;    // hash table: (hash << 32) | (id + 1), 0 empty
    std::vector<int32_t> parts_;     // the parts of every key, one after another
    std::vector<uint32_t> keyEnds_;  // per key: the end of its parts
    std::vector<int32_t> keyData_;   // per key: its DIndex
    std::vector<int32_t> rank_;      // per id: its place in key order

    // The nodes made so far; index = node number (0: the header).
    std::vector<Node> nodes_;
    std::vector<int8_t> balance_;
    std::vector<int32_t> owner_, dindex_, part_;
    int32_t root_ = 0;
    int64_t count_ = 1;  // N: the file is 64 N + 8 bytes long
    std::vector<std::pair<int32_t, bool>> path_;
};

}  // namespace korin
