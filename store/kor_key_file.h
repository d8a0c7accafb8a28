// Key file: the index of the store.
//
// A key is a sequence of key parts; each level of a key has its own AVL tree of
// parts, and every node may own the tree of the next part under it (Down). One
// file holds several indexes at once, told apart by their leading parts (a
// table's primary index under "P_KEY","0", its secondary indexes under
// "S_KEY","0",name). The node layout is that of TKorKeyTable.
//
// A key part is a string: a type letter (ignored here), the number byte (stored
// as the node's Type; 255 in a search matches any Type) and the text, of which
// the first 32 characters are stored and compared (TextCompare). A key list holds
// keys one after another, separated by an entry of three bytes 255
// (kKeySeparator); AddKeys and DeleteKeys consume it.
//
// The last part of a key carries DIndex = record number + 1. Result lists hold,
// in key order, the nodes under the selection's prefix: outside leaf mode the
// nodes of Type 80 (the record-pointer parts of table keys), in leaf mode the
// nodes without a Down tree. Navigation refreshes the list when it is stale.
//
// Result lists are not copied out of the file: a rebuilt list is a view of the
// tree under the selection, counted per node (store/kor_key_results.h,
// store/kor_key_counts.h), so that inserting, deleting, locating and stepping
// to any position cost O(levels · log n). The counts are
// made for the selection's tree with the first navigation that needs them and
// kept with every change. Another object of this process that changes the same
// file makes them be made anew (the list then shows the file as it is now).
//
// Refusals:
//   EKorKeyError "KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " + FileName
//   EKorKeyError "KorKeyFile: Die Indexdatei ist beschädigt. Es existiert ein direkter Ringverweis!"
//   EKorKeyError "In Eintrag 0 kann nicht geschrieben werden!"   (no free node could be had)
//   EKorKeyError "Eintrag 0 kann nicht beschrieben werden!"      (deletion met a missing node)
//   EKorKeyError "KorKeyFile: Die Indexdatei ist beschädigt. " + what was found
//                (a ring or a tree deeper than any balanced tree of the file's size,
//                 found while walking; the file is left as it was up to that point)
//   range errors of TKorKeyTable pass through.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "store/kor_int_list.h"
#include "store/kor_key_results.h"
#include "store/kor_key_search.h"
#include "store/kor_key_table.h"
#include "store/kor_mmf.h"
#include "store/kor_tree_walk.h"

namespace korin {

using TKeyList = std::vector<std::string>;

// The separator between two keys of a key list.
inline const std::string kKeySeparator = "\xFF\xFF\xFF";
// The number byte that matches any Type in a search.
constexpr int32_t kAnyType = 255;

// A key part: letter, number byte, text.
std::string KeyPart(char letter, uint8_t number, std::string_view text);
// The same into an existing string, whose room it keeps.
void AssignKeyPart(std::string& part, char letter, uint8_t number, std::string_view text);
inline uint8_t KeyPartNumber(std::string_view part) {
    return part.size() > 1 ? static_cast<uint8_t>(part[1]) : 0;
}
inline std::string_view KeyPartText(std::string_view part) {
    return part.size() > 2 ? part.substr(2) : std::string_view();
}

class TKorKeyFile : public TKorMMF {
public:
    TKorKeyFile();
    ~TKorKeyFile() override;

    // The directory itself must exist; no "dir.ref" is asked for.
    void SetProject(const std::string& value) override;
    // Opens with the default selection ("P_KEY","0", not leaf mode).
    void Open() override;
    void Close() override;

    // Inserts every key of the list (consumed) with DIndex = dataIndex on its last
    // part; true when at least one node was allocated. Afterwards the result list
    // is current and positioned on its first entry.
    virtual bool AddKeys(TKeyList& list, int32_t dataIndex);
    // Removes every key of the list (consumed). Nodes left without a Down tree are
    // released; a key that is not present changes nothing.
    void DeleteKeys(TKeyList& list);
    // Record number of the complete key, or -2 (absent, or file not open). When
    // the key's node belongs to the result list, Position becomes its place there.
    virtual int32_t Locate(const TKeyList& parts);

    void SetSelection(const TKeyList& parts, bool leafMode);
    void ResetSelection();
    const TKeyList& Selection() const { return selection_; }
    bool LeafMode() const { return results_.LeafMode(); }

    bool First();
    bool Last();
    bool Next();
    bool Prior();
    void GoTo(int32_t i);
    // Entries of the result list as it stands (no refresh).
    int32_t RecordCount();
    // Position 0 of the result list as it stands, without refreshing it.
    void PositionOnFirst();
    // Node number of entry i of the result list as it stands, -1 outside it.
    int32_t ResultNode(int32_t i);

    // Building a fresh file: after BeginBuild the nodes live in memory (the
    // file's bytes copied) and every change goes there; EndBuild writes them
    // to the file, which then holds exactly what the same changes made in
    // place would have left, and closes it. Raises, the file closed,
    //   EKorKeyError "KorKeyFile: Die Datei " + path + " konnte nicht geschrieben werden!"
    // Memory that cannot be had leaves the file to be built in place.
    void BeginBuild();
    void EndBuild();

    bool SetStart(const TKeyList& parts);
    void GetRecords(TIntegerList& list);
    void GetIndexValues(TIntegerList& list);
    void ListLevel(std::vector<std::string>& lines);

    // Called with the record number of each entry that a walk in key order
    // will reach a few steps later, so that its record can be loaded while
    // the steps before are read (empty: nothing is called).
    void SetUpcoming(std::function<void(int32_t record)> upcoming) { results_.SetUpcoming(std::move(upcoming)); }

    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool Inserted() const { return inserted_; }
    bool Stale() const { return stale_; }
    int32_t CurrentRecord() const { return currentRecord_; }
    // The place of the current entry in the result list (after a Locate, the
    // located key's place, worked out when first needed).
    int32_t Position() {
        ResolvePosition();
        return position_;
    }
    int32_t StartNode() const { return startNode_; }
    int32_t DataIndex() const { return dataIndex_; }

    TKorKeyTable& Nodes() { return nodes_; }
    const TKorKeyTable& Nodes() const { return nodes_; }

    // Audit of the whole file: key order per level, balances equal to the real
    // height differences, Up of every node equal to its owner, and the nodes in
    // use and the free chain together accounting for every node. Empty when
    // sound, else the first fault found.
    std::string Verify() const;

    // Most parts one key may have; a longer key is refused with
    // EKorKeyError "KorKeyFile: Ein Schlüssel darf höchstens 64 Teile haben!".
    static constexpr size_t kMaxParts = 64;
    // Deepest level tree accepted: a balanced tree of the largest possible file
    // is less than 40 deep, so a deeper one is a ring or damage.
    static constexpr int kMaxDepth = 64;

protected:
    int32_t InitialSize() override { return 72; }
    void InitContent() override;
    bool CheckContent() override;

    virtual void Grow(int32_t n);
    virtual int32_t AllocNode(int32_t owner);
    virtual void CollectTexts(int32_t k);
    virtual void FreeNode(int32_t k);
    // Appends k's collected nodes to the materialised result list (walk order:
    // Left, Down, the node, Right).
    virtual void CollectNodes(int32_t k);
    // force: make the result list current. The key file keeps it as a view of
    // the tree; a descendant that lists other entries fills MaterialResults()
    // (through CollectNodes) instead.
    virtual void RebuildResults(bool force);

    // The result list as a plain list of node numbers, emptied: a descendant's
    // RebuildResults fills it. From then on navigation reads this list.
    TIntegerList& MaterialResults() { return results_.MakeMaterial(); }

    // The working list of key parts; its first entry is the part being compared.
    std::vector<std::string>& Parts() {
        ++partsVersion_;
        return parts_;
    }
    size_t PartsLeft() const { return parts_.size() - partsFront_; }
    const std::string& FrontPart() const { return parts_[partsFront_]; }
    void DropFrontPart() {
        ++partsFront_;
        ++partsVersion_;
    }
    void SetParts(const TKeyList& parts) {
        parts_ = parts;
        partsFront_ = 0;
        ++partsVersion_;
    }
    void ClearParts() {
        parts_.clear();
        partsFront_ = 0;
        ++partsVersion_;
    }

    // Compares the front part with node k (negative: the part sorts before).
    int CompareNode(int32_t k) const;
    // The same for node bytes read in place (a front part must be there).
    int CompareBytes(const uint8_t* node) const;
    // Walks the parts through the levels; the node of the last part, or 0.
    int32_t FindParts();
    const TIntegerList& MaterialList() const { return results_.MaterialList(); }

    // Calls visit(k) for the tree at k in walk order (Left, Down if intoDown,
    // the node, Right); k <= 0 is an empty tree. A visit that returns false ends
    // the walk (WalkTree then returns false). More visits than the file has
    // nodes mean a ring and raise the damage error.
    template <typename Visit>
    bool WalkTree(int32_t k, bool intoDown, Visit&& visit);

    [[noreturn]] static void RaiseDamaged(const std::string& what);

    void SetCurrentRecord(int32_t r) { currentRecord_ = r; }
    void SetPosition(int32_t p) {
        position_ = p;
        rankPending_ = false;
    }
    void SetStale(bool stale) { stale_ = stale; }
    void SetStartNode(int32_t k) { startNode_ = k; }
    void SetInserted(bool v) { inserted_ = v; }

private:
    void Attach();
    void Insert(int32_t& root);
    bool Delete(int32_t owner, int32_t& p, int& depth, bool& shrunk);
    int32_t DetachRightmost(int32_t& r, bool& shrunk, int guard);
    void GrownLeft(int32_t& p, bool& grown);
    void GrownRight(int32_t& p, bool& grown);
    void ShrunkLeft(int32_t& p, bool& shrunk);
    void ShrunkRight(int32_t& p, bool& shrunk);
    // Node p's bytes, after the check that p is no child of its own.
    const uint8_t* CheckRing(int32_t p) const;
    // Moves the next key of the list into the working list of parts.
    void TakeKey(TKeyList& list, size_t& at);
    bool Navigate(int32_t position);

    // The result list's counts follow every change of node k.
    void Fix(int32_t k) { results_.Fix(k); }
    void ForgetCursor() { results_.ForgetCursor(); }
    // Objects of this process that map the same file share a change counter:
    // counts and cursor made before another object changed the tree are dropped
    // and the selection's node is found again.
    void NoteOwnChange();
    void CatchUpWithOthers();
    int32_t RankOf(const TKeyList& parts);
    void ResolvePosition();

    void GrowBuild(int64_t newSize);
    void ReleaseBuild();

    TKorKeyTable nodes_;
    // The result list (store/kor_key_results.h) and its counts and cursor.
    TKorKeyResults results_{nodes_};
    // The nodes of a file built in memory: an anonymous mapping of `capacity`
    // bytes of which `size` are the file.
    struct Build {
        uint8_t* bytes = nullptr;
        size_t capacity = 0;
        int64_t size = 0;
    } build_;
    std::vector<std::string> parts_;
    size_t partsFront_ = 0;
    // An insertion's way down: the nodes passed and the side taken at each.
    enum Side : int8_t { kLeftSide, kRightSide, kDownSide };
    struct PathStep {
        int32_t node;
        Side side;
    };
    std::vector<PathStep> path_;
    std::vector<int32_t> made_;
    // The front part made ready for comparisons; it is made anew when the
    // working list has changed since (partsVersion_).
    uint64_t partsVersion_ = 0;
    mutable uint64_t searchVersion_ = ~uint64_t{0};
    mutable TKorSearchPart search_;
    int32_t dataIndex_ = 0;
    bool inserted_ = false;
    bool eof_ = false;
    bool bof_ = false;
    bool stale_ = false;
    int32_t currentRecord_ = 0;
    int32_t position_ = 0;
    TKeyList selection_;
    int32_t startNode_ = 0;
    bool defaultLeafMode_ = false;
    TKeyList defaultSelection_;

    std::shared_ptr<uint64_t> changes_;  // shared by every object on this file
    uint64_t changesSeen_ = 0;

    // Locate leaves the located key here; Position is worked out from it when
    // navigation first needs it.
    bool rankPending_ = false;
    TKeyList rankParts_;
};

}  // namespace korin

// ---- template definitions ---------------------------------------------------

namespace korin {

template <typename Visit>
bool TKorKeyFile::WalkTree(int32_t k, bool intoDown, Visit&& visit) {
    TKorTreeWalk walk(intoDown);
    walk.Start(nodes_, k);
    for (int32_t node = walk.Next(nodes_); node >= 0; node = walk.Next(nodes_)) {
        if constexpr (std::is_same_v<decltype(visit(node)), bool>) {
            if (!visit(node)) return false;
        } else {
            visit(node);
        }
    }
    RaiseKeyWalkDamage(nodes_, walk, "Ein Baum enthält einen Ringverweis!");
    return true;
}

}  // namespace korin
