#include "store/kor_key_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "store/kor_error.h"
#include "store/kor_file_shared.h"
#include "store/kor_path.h"

namespace korin {

namespace {
constexpr int32_t kHeaderZeroFrom = 8;  // bytes 8..63 of node 0 are zero
constexpr int32_t kNewFileSize = 72;
}  // namespace

std::string KeyPart(char letter, uint8_t number, std::string_view text) {
    std::string part;
    AssignKeyPart(part, letter, number, text);
    return part;
}

void AssignKeyPart(std::string& part, char letter, uint8_t number, std::string_view text) {
    part.reserve(2 + text.size());
    part.assign({letter, static_cast<char>(number)});
    part.append(text);
}

TKorKeyFile::TKorKeyFile() = default;
TKorKeyFile::~TKorKeyFile() { ReleaseBuild(); }

void TKorKeyFile::RaiseDamaged(const std::string& what) { RaiseKeyDamage(what); }

// ---- file hooks ---------------------------------------------------------------

void TKorKeyFile::SetProject(const std::string& value) {
    SetProjectDirectory(value);
}

void TKorKeyFile::InitContent() { le::PutI32(View() + keynode::kUp, 1); }

bool TKorKeyFile::CheckContent() {
    if (FileSize() < kNewFileSize) return false;
    const uint8_t* v = View();
    for (int32_t i = kHeaderZeroFrom; i < keynode::kSize; ++i)
        if (v[i] != 0) return false;
    return le::I32(v + keynode::kUp) <= FileSize() / keynode::kSize;
}

namespace {

// One change counter per file for all key file objects of the process.
std::shared_ptr<uint64_t> ChangeCounterOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::make_shared<uint64_t>(0);
    return SharedPerFile<uint64_t>(st);
}

}  // namespace

void TKorKeyFile::NoteOwnChange() {
    if (!changes_) return;
    ++*changes_;
    changesSeen_ = *changes_;
}

void TKorKeyFile::CatchUpWithOthers() {
    if (!changes_ || *changes_ == changesSeen_) return;
    changesSeen_ = *changes_;
    results_.Forget();
    // The other object may have grown the file: map what it holds now.
    if (IsOpen() && SizeOnDisk() > FileSize()) {
        GrowFile(SizeOnDisk());
        Attach();
    }
    if (IsOpen() && results_.Kind() == TKorKeyResults::Mode::Live) {
        SetParts(selection_);
        const int32_t found = FindParts();
        if (found == 0 || (results_.LeafMode() && nodes_.GetDown(found) == 0)) {
            stale_ = true;
            RebuildResults(true);
        } else {
            results_.Reanchor(found);
        }
    }
}

void TKorKeyFile::Attach() {
    if (build_.bytes != nullptr)
        nodes_.Attach(build_.bytes, static_cast<int32_t>(build_.size));
    else
        nodes_.Attach(View(), FileSize());
    results_.Grow();
}

void TKorKeyFile::Open() {
    TKorMMF::Open();
    if (!IsOpen())
        throw EKorKeyError("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " + FileName());
    selection_ = {KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0")};
    defaultSelection_ = selection_;
    defaultLeafMode_ = false;
    results_.SetLeafMode(false);
    results_.Forget();
    changes_ = ChangeCounterOf(FullPath());
    changesSeen_ = *changes_;
    Attach();
    stale_ = true;
    RebuildResults(true);
    stale_ = true;
    startNode_ = 0;
}

void TKorKeyFile::Close() {
    ReleaseBuild();
    ForgetCursor();
    rankPending_ = false;
    TKorMMF::Close();
    nodes_.Attach(nullptr, 0);
    results_.Close();
}

// ---- building in memory -----------------------------------------------------------

namespace {
size_t PageRound(int64_t n) {
    const auto page = static_cast<int64_t>(::sysconf(_SC_PAGESIZE));
    return static_cast<size_t>((n + page - 1) / page * page);
}
}  // namespace

void TKorKeyFile::BeginBuild() {
    if (!IsOpen() || build_.bytes != nullptr) return;
    // Anonymous memory may be backed by huge pages, so that the random descents
    // of the insertions do not pay a page-table walk per node as the file's
    // small pages do.
    const size_t capacity = PageRound(std::max<int64_t>(FileSize(), int64_t{1} << 24));
    void* p = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return;  // the file is built in place instead
    (void)::madvise(p, capacity, MADV_HUGEPAGE);
    build_.bytes = static_cast<uint8_t*>(p);
    build_.capacity = capacity;
    build_.size = FileSize();
    std::memcpy(build_.bytes, View(), static_cast<size_t>(FileSize()));
    ForgetCursor();
    Attach();
}

void TKorKeyFile::GrowBuild(int64_t newSize) {
    if (newSize > INT32_MAX)
        throw EKorKeyError("KorKeyFile: Die Datei " + FullPath() + " konnte nicht geschrieben werden!");
    if (static_cast<size_t>(newSize) > build_.capacity) {
        const size_t capacity = PageRound(std::max<int64_t>(newSize, 2 * static_cast<int64_t>(build_.capacity)));
        void* p = ::mremap(build_.bytes, build_.capacity, capacity, MREMAP_MAYMOVE);
        if (p == MAP_FAILED)
            throw EKorKeyError("KorKeyFile: Die Datei " + FullPath() + " konnte nicht geschrieben werden!");
        (void)::madvise(p, capacity, MADV_HUGEPAGE);
        build_.bytes = static_cast<uint8_t*>(p);
        build_.capacity = capacity;
    }
    build_.size = newSize;  // the fresh bytes of an anonymous mapping are zero
}

void TKorKeyFile::ReleaseBuild() {
    if (build_.bytes == nullptr) return;
    ::munmap(build_.bytes, build_.capacity);
    build_ = {};
}

void TKorKeyFile::EndBuild() {
    if (build_.bytes == nullptr) {
        Close();
        return;
    }
    const std::string path = FullPath();
    const uint8_t* bytes = build_.bytes;
    size_t left = static_cast<size_t>(build_.size);
    // The file's own mapping is released before the built bytes replace the
    // file's content.
    try {
        TKorMMF::Close();
    } catch (...) {
        Close();
        throw;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0;
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) {
            bytes += n;
            left -= static_cast<size_t>(n);
        }
    }
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    Close();
    if (!ok) throw EKorKeyError("KorKeyFile: Die Datei " + path + " konnte nicht geschrieben werden!");
}

// ---- comparing and finding ------------------------------------------------------

int TKorKeyFile::CompareNode(int32_t k) const {
    if (k < 0 || k > nodes_.Count() || PartsLeft() == 0) return 0;
    // One range check for both fields; the node's bytes are read in place.
    return CompareBytes(nodes_.NodeBytes(k, KeyPartNumber(FrontPart()) != kAnyType ? "GetType" : "GetValue"));
}

int TKorKeyFile::CompareBytes(const uint8_t* node) const {
    if (searchVersion_ != partsVersion_) {
        search_.Set(FrontPart());
        searchVersion_ = partsVersion_;
    }
    return search_.Compare(node);
}

int32_t TKorKeyFile::FindParts() {
    if (PartsLeft() == 0) return 0;
    int32_t node = nodes_.GetDown(0);
    int steps = 0;
    while (node != 0) {
        if (++steps > kMaxDepth) RaiseDamaged("Ein Baum enthält einen Ringverweis!");
        if (node <= 0 || node >= nodes_.Count()) {
            // A link outside the file: the node table raises as it reads.
            const int c = CompareNode(node);
            node = c < 0 ? nodes_.GetLeft(node) : c > 0 ? nodes_.GetRight(node) : node;
            if (c != 0) continue;
            if (PartsLeft() == 1) return node;
            DropFrontPart();
            node = nodes_.GetDown(node);
            steps = 0;
            continue;
        }
        // The node is read once; both children load while the texts are
        // compared, and the step to either takes no branch.
        const uint8_t* bytes = nodes_.NodeBytes(node, "GetType");
        const int32_t left = le::I32(bytes + keynode::kLeft), right = le::I32(bytes + keynode::kRight);
        nodes_.Prefetch(left);
        nodes_.Prefetch(right);
        const int c = CompareBytes(bytes);
        if (c != 0) {
            node = c < 0 ? left : right;
            continue;
        }
        if (PartsLeft() == 1) return node;
        DropFrontPart();
        node = le::I32(bytes + keynode::kDown);
        steps = 0;
    }
    return 0;
}

const uint8_t* TKorKeyFile::CheckRing(int32_t p) const {
    const uint8_t* node = nodes_.NodeBytes(p, "GetLeft");
    const int32_t left = le::I32(node + keynode::kLeft), right = le::I32(node + keynode::kRight);
    // Both children are read soon by the descent that checks p.
    nodes_.Prefetch(left);
    nodes_.Prefetch(right);
    if (left == p || right == p)
        throw EKorKeyError(
            "KorKeyFile: Die Indexdatei ist beschädigt. Es existiert ein direkter Ringverweis!");
    return node;
}

// ---- free nodes -----------------------------------------------------------------

void TKorKeyFile::Grow(int32_t n) {
    if (n <= 0) return;
    // Count the free nodes, but only until n are known: the chain's last node,
    // the high-water node, does not count.
    int64_t steps = 0;
    int32_t k = 0;
    const int64_t limit = static_cast<int64_t>(nodes_.Count()) + 2;
    while (true) {
        const int32_t up = nodes_.GetUp(k);
        if (up < 1) break;
        k = up;
        ++steps;
        if (steps - 1 >= n) return;
        if (steps > limit) RaiseDamaged("Die Kette der freien Einträge enthält einen Ringverweis!");
    }
    const int64_t free = std::max<int64_t>(0, steps - 1);
    const int64_t wanted = 8 * static_cast<int64_t>(n);
    const int64_t size = build_.bytes != nullptr ? build_.size : FileSize();
    const int64_t newSize = size + keynode::kSize * (wanted - free);
    if (build_.bytes != nullptr)
        GrowBuild(newSize);
    else
        GrowFile(newSize);
    Attach();
    // Link the chain: walk 8n steps from the header; a node reached with Up 0
    // (the high-water node and the new zero nodes) is linked to its successor.
    int32_t cur = 0;
    for (int64_t i = 0; i < wanted; ++i) {
        cur = nodes_.GetUp(cur);
        if (nodes_.GetUp(cur) == 0) nodes_.SetUp(cur, cur + 1);
    }
}

int32_t TKorKeyFile::AllocNode(int32_t owner) {
    const int32_t k = nodes_.GetNextFree();
    const int32_t up = nodes_.GetUp(k);
    nodes_.SetNextFree(up != 0 ? up : k + 1);
    if (k == 0) throw EKorKeyError("In Eintrag 0 kann nicht geschrieben werden!");
    const std::string& part = FrontPart();
    nodes_.SetDown(k, 0);
    nodes_.SetUp(k, owner);
    nodes_.SetLeft(k, 0);
    nodes_.SetRight(k, 0);
    nodes_.SetBalance(k, 0);
    nodes_.SetType(k, KeyPartNumber(part));
    nodes_.SetDIndex(k, PartsLeft() == 1 ? dataIndex_ : 0);
    nodes_.SetName(k, std::string(KeyPartText(part)));
    return k;
}

void TKorKeyFile::FreeNode(int32_t k) {
    nodes_.SetUp(k, nodes_.GetNextFree());
    nodes_.SetNextFree(k);
    nodes_.SetLeft(k, 0);
    nodes_.SetRight(k, 0);
    nodes_.SetDown(k, 0);
    nodes_.SetType(k, 0);
    nodes_.SetDIndex(k, 0);
}

// ---- key lists ------------------------------------------------------------------

void TKorKeyFile::TakeKey(TKeyList& list, size_t& at) {
    // The parts are moved into the working list, whose strings keep their room
    // from key to key.
    ClearParts();
    while (at < list.size() && list[at] != kKeySeparator) Parts().push_back(std::move(list[at++]));
    if (at < list.size()) ++at;  // the separator
    if (parts_.size() > kMaxParts)
        throw EKorKeyError("KorKeyFile: Ein Schlüssel darf höchstens 64 Teile haben!");
}

bool TKorKeyFile::AddKeys(TKeyList& list, int32_t dataIndex) {
    CatchUpWithOthers();
    ForgetCursor();
    stale_ = true;
    inserted_ = false;
    dataIndex_ = dataIndex;
    size_t at = 0;
    try {
        bool any = false;
        while (at < list.size()) {
            TakeKey(list, at);
            if (PartsLeft() == 0) continue;
            any = true;
            Grow(static_cast<int32_t>(PartsLeft()));
            int32_t root = nodes_.GetDown(0);
            Insert(root);
            if (root != nodes_.GetDown(0)) nodes_.SetDown(0, root);
        }
        // The list is made current after the last key and positioned on its
        // first entry.
        if (any) {
            stale_ = true;
            RebuildResults(stale_);
            PositionOnFirst();
        }
    } catch (...) {
        list.clear();
        NoteOwnChange();
        throw;
    }
    list.clear();
    NoteOwnChange();
    return inserted_;
}

void TKorKeyFile::DeleteKeys(TKeyList& list) {
    CatchUpWithOthers();
    if (!IsOpen()) {
        list.clear();
        return;
    }
    int32_t remembered = -1;
    if (Next()) {
        remembered = position_;
        Prior();
    }
    // What is still read of the list as it stood before the deletion.
    const int32_t rememberedNode = remembered > 0 ? ResultNode(remembered) : -1;
    const bool wasLive = results_.Kind() == TKorKeyResults::Mode::Live;
    const int32_t countBefore = wasLive ? RecordCount() : 0;
    const int32_t firstBefore = wasLive ? ResultNode(0) : -1;

    inserted_ = false;
    ForgetCursor();
    size_t at = 0;
    try {
        while (at < list.size()) {
            TakeKey(list, at);
            if (PartsLeft() == 0) continue;
            int32_t root = nodes_.GetDown(0);
            int depth = 0;
            bool shrunk = false;
            Delete(0, root, depth, shrunk);
            nodes_.SetDown(0, root);
        }
    } catch (...) {
        list.clear();
        NoteOwnChange();
        stale_ = true;
        if (results_.Kind() == TKorKeyResults::Mode::Live) results_.MakeMaterial();
        throw;
    }
    list.clear();
    NoteOwnChange();
    if (remembered > 0) {
        rankPending_ = false;
        position_ = remembered;
        currentRecord_ = RecordOf(nodes_.GetIndex(rememberedNode));
    }
    stale_ = true;
    if (wasLive) results_.Freeze(countBefore, firstBefore);
}

// ---- insertion ------------------------------------------------------------------

// Descends to the place of the working key, making the nodes of its missing
// parts there, then rebalances on the way back up: the nodes passed, each
// with the side taken (or its Down tree), are kept in path_. The steps and
// writes are those of the recursive rule (a link is written only when it
// changes, so that a page of the mapping that is only read stays clean; the
// counts of every node passed are fixed, innermost first); `root` is the tree
// of the first part.
void TKorKeyFile::Insert(int32_t& root) {
    path_.clear();
    int32_t owner = 0;
    int32_t p = root;
    int depth = 0;
    while (true) {
        if (depth > kMaxDepth) RaiseDamaged("Ein Baum enthält einen Ringverweis!");
        if (p == 0) break;
        const uint8_t* bytes = CheckRing(p);
        const int c = CompareBytes(bytes);
        if (c != 0) {
            path_.push_back({p, c > 0 ? kRightSide : kLeftSide});
            p = le::I32(bytes + (c > 0 ? keynode::kRight : keynode::kLeft));
            ++depth;
        } else if (PartsLeft() > 1) {
            path_.push_back({p, kDownSide});
            DropFrontPart();
            owner = p;
            p = le::I32(bytes + keynode::kDown);
            depth = 0;
        } else {
            return;  // the key is present; nothing changes
        }
    }
    // The missing part and the parts after it, each the only node of the tree
    // below the one before.
    made_.clear();
    made_.push_back(AllocNode(owner));
    inserted_ = true;
    while (PartsLeft() > 1) {
        DropFrontPart();
        made_.push_back(AllocNode(made_.back()));
    }
    Fix(made_.back());
    for (size_t i = made_.size() - 1; i-- > 0;) {
        nodes_.SetDown(made_[i], made_[i + 1]);
        Fix(made_[i]);
    }
    int32_t sub = made_.front();
    bool grown = true;
    for (size_t i = path_.size(); i-- > 0;) {
        int32_t q = path_[i].node;
        switch (path_[i].side) {
        case kRightSide:
            if (sub != nodes_.GetRight(q)) nodes_.SetRight(q, sub);
            if (grown) GrownRight(q, grown);
            break;
        case kLeftSide:
            if (sub != nodes_.GetLeft(q)) nodes_.SetLeft(q, sub);
            if (grown) GrownLeft(q, grown);
            break;
        default:
            // The tree below q has its new root; q's own tree keeps its height.
            if (sub != nodes_.GetDown(q)) nodes_.SetDown(q, sub);
            grown = false;
            break;
        }
        Fix(q);
        sub = q;
    }
    root = sub;
}

void TKorKeyFile::GrownLeft(int32_t& p, bool& grown) {
    switch (nodes_.GetBalance(p)) {
    case 1:
        nodes_.SetBalance(p, 0);
        grown = false;
        return;
    case 0:
        nodes_.SetBalance(p, -1);
        return;
    default: {
        const int32_t p1 = nodes_.GetLeft(p);
        if (nodes_.GetBalance(p1) == -1) {
            nodes_.SetLeft(p, nodes_.GetRight(p1));
            nodes_.SetRight(p1, p);
            nodes_.SetBalance(p, 0);
            Fix(p);
            p = p1;
        } else {
            const int32_t p2 = nodes_.GetRight(p1);
            const int32_t b2 = nodes_.GetBalance(p2);
            nodes_.SetRight(p1, nodes_.GetLeft(p2));
            nodes_.SetLeft(p2, p1);
            nodes_.SetLeft(p, nodes_.GetRight(p2));
            nodes_.SetRight(p2, p);
            nodes_.SetBalance(p, b2 == -1 ? 1 : 0);
            nodes_.SetBalance(p1, b2 == 1 ? -1 : 0);
            Fix(p1);
            Fix(p);
            p = p2;
        }
        nodes_.SetBalance(p, 0);
        grown = false;
    }
    }
}

void TKorKeyFile::GrownRight(int32_t& p, bool& grown) {
    switch (nodes_.GetBalance(p)) {
    case -1:
        nodes_.SetBalance(p, 0);
        grown = false;
        return;
    case 0:
        nodes_.SetBalance(p, 1);
        return;
    default: {
        const int32_t p1 = nodes_.GetRight(p);
        if (nodes_.GetBalance(p1) == 1) {
            nodes_.SetRight(p, nodes_.GetLeft(p1));
            nodes_.SetLeft(p1, p);
            nodes_.SetBalance(p, 0);
            Fix(p);
            p = p1;
        } else {
            const int32_t p2 = nodes_.GetLeft(p1);
            const int32_t b2 = nodes_.GetBalance(p2);
            nodes_.SetLeft(p1, nodes_.GetRight(p2));
            nodes_.SetRight(p2, p1);
            nodes_.SetRight(p, nodes_.GetLeft(p2));
            nodes_.SetLeft(p2, p);
            nodes_.SetBalance(p, b2 == 1 ? -1 : 0);
            nodes_.SetBalance(p1, b2 == -1 ? 1 : 0);
            Fix(p1);
            Fix(p);
            p = p2;
        }
        nodes_.SetBalance(p, 0);
        grown = false;
    }
    }
}

// ---- deletion -------------------------------------------------------------------

bool TKorKeyFile::Delete(int32_t owner, int32_t& p, int& depth, bool& shrunk) {
    if (!IsOpen()) return false;
    stale_ = true;
    if (p == 0) {
        shrunk = false;
        return false;
    }
    if (depth > kMaxDepth) RaiseDamaged("Ein Baum enthält einen Ringverweis!");
    CheckRing(p);
    const int c = CompareNode(p);
    if (c < 0) {
        ++depth;
        int32_t left = nodes_.GetLeft(p);
        const bool removed = Delete(owner, left, depth, shrunk);
        nodes_.SetLeft(p, left);
        --depth;
        if (shrunk) ShrunkLeft(p, shrunk);
        Fix(p);
        return removed;
    }
    if (c > 0) {
        ++depth;
        int32_t right = nodes_.GetRight(p);
        const bool removed = Delete(owner, right, depth, shrunk);
        nodes_.SetRight(p, right);
        --depth;
        if (shrunk) ShrunkRight(p, shrunk);
        Fix(p);
        return removed;
    }
    if (PartsLeft() > 1) {
        DropFrontPart();
        int32_t down = nodes_.GetDown(p);
        int subDepth = 0;
        bool subShrunk = false;
        const bool removed = Delete(p, down, subDepth, subShrunk);
        nodes_.SetDown(p, down);
        // A key that is not present below p changes nothing, even where p has
        // no Down tree of its own: p carries a shorter key then.
        if (!removed || down != 0) {
            shrunk = false;
            Fix(p);
            return removed;
        }
    } else if (nodes_.GetDown(p) != 0) {
        // p still carries longer keys.
        shrunk = false;
        return false;
    }
    // Remove p: its place goes to a child or to the rightmost node of its left
    // subtree. Nodes are relinked, never copied.
    const int32_t q = p;
    if (nodes_.GetRight(q) == 0) {
        p = nodes_.GetLeft(q);
        shrunk = true;
    } else if (nodes_.GetLeft(q) == 0) {
        p = nodes_.GetRight(q);
        shrunk = true;
    } else {
        int32_t left = nodes_.GetLeft(q);
        const int32_t r = DetachRightmost(left, shrunk, 0);
        nodes_.SetLeft(r, left);
        nodes_.SetRight(r, nodes_.GetRight(q));
        nodes_.SetBalance(r, nodes_.GetBalance(q));
        p = r;
        if (shrunk) ShrunkLeft(p, shrunk);
        Fix(p);
    }
    FreeNode(q);
    return true;
}

int32_t TKorKeyFile::DetachRightmost(int32_t& r, bool& shrunk, int guard) {
    if (r == 0) throw EKorKeyError("Eintrag 0 kann nicht beschrieben werden!");
    if (guard > kMaxDepth) RaiseDamaged("Ein Baum enthält einen Ringverweis!");
    CheckRing(r);
    int32_t right = nodes_.GetRight(r);
    if (right != 0) {
        const int32_t found = DetachRightmost(right, shrunk, guard + 1);
        nodes_.SetRight(r, right);
        if (shrunk) ShrunkRight(r, shrunk);
        Fix(r);
        return found;
    }
    const int32_t found = r;
    r = nodes_.GetLeft(r);
    shrunk = true;
    return found;
}

void TKorKeyFile::ShrunkLeft(int32_t& p, bool& shrunk) {
    switch (nodes_.GetBalance(p)) {
    case -1:
        nodes_.SetBalance(p, 0);
        return;
    case 0:
        nodes_.SetBalance(p, 1);
        shrunk = false;
        return;
    default: {
        const int32_t p1 = nodes_.GetRight(p);
        const int32_t b1 = nodes_.GetBalance(p1);
        if (b1 >= 0) {
            nodes_.SetRight(p, nodes_.GetLeft(p1));
            nodes_.SetLeft(p1, p);
            if (b1 == 0) {
                nodes_.SetBalance(p, 1);
                nodes_.SetBalance(p1, -1);
                shrunk = false;
            } else {
                nodes_.SetBalance(p, 0);
                nodes_.SetBalance(p1, 0);
            }
            Fix(p);
            p = p1;
        } else {
            const int32_t p2 = nodes_.GetLeft(p1);
            const int32_t b2 = nodes_.GetBalance(p2);
            nodes_.SetLeft(p1, nodes_.GetRight(p2));
            nodes_.SetRight(p2, p1);
            nodes_.SetRight(p, nodes_.GetLeft(p2));
            nodes_.SetLeft(p2, p);
            nodes_.SetBalance(p, b2 == 1 ? -1 : 0);
            nodes_.SetBalance(p1, b2 == -1 ? 1 : 0);
            nodes_.SetBalance(p2, 0);
            Fix(p1);
            Fix(p);
            p = p2;
        }
    }
    }
}

void TKorKeyFile::ShrunkRight(int32_t& p, bool& shrunk) {
    switch (nodes_.GetBalance(p)) {
    case 1:
        nodes_.SetBalance(p, 0);
        return;
    case 0:
        nodes_.SetBalance(p, -1);
        shrunk = false;
        return;
    default: {
        const int32_t p1 = nodes_.GetLeft(p);
        const int32_t b1 = nodes_.GetBalance(p1);
        if (b1 <= 0) {
            nodes_.SetLeft(p, nodes_.GetRight(p1));
            nodes_.SetRight(p1, p);
            if (b1 == 0) {
                nodes_.SetBalance(p, -1);
                nodes_.SetBalance(p1, 1);
                shrunk = false;
            } else {
                nodes_.SetBalance(p, 0);
                nodes_.SetBalance(p1, 0);
            }
            Fix(p);
            p = p1;
        } else {
            const int32_t p2 = nodes_.GetRight(p1);
            const int32_t b2 = nodes_.GetBalance(p2);
            nodes_.SetRight(p1, nodes_.GetLeft(p2));
            nodes_.SetLeft(p2, p1);
            nodes_.SetLeft(p, nodes_.GetRight(p2));
            nodes_.SetRight(p2, p);
            nodes_.SetBalance(p, b2 == -1 ? 1 : 0);
            nodes_.SetBalance(p1, b2 == 1 ? -1 : 0);
            nodes_.SetBalance(p2, 0);
            Fix(p1);
            Fix(p);
            p = p2;
        }
    }
    }
}

// ---- result lists -----------------------------------------------------------

void TKorKeyFile::RebuildResults(bool force) {
    CatchUpWithOthers();
    if (!force) return;
    if (!IsOpen()) {
        MaterialResults();
    } else {
        SetParts(selection_);
        const int32_t found = FindParts();
        if (found == 0) {
            MaterialResults();
        } else if (results_.LeafMode() && nodes_.GetDown(found) == 0) {
            MaterialResults().Add(found);  // a found leaf is the single result
        } else {
            results_.MakeLive(found);
        }
    }
    stale_ = false;
}

void TKorKeyFile::CollectNodes(int32_t k) {
    WalkTree(k, true, [&](int32_t n) {
        if (results_.Collected(n)) results_.Material().Add(n);
    });
}

int32_t TKorKeyFile::ResultNode(int32_t i) {
    CatchUpWithOthers();
    return results_.Node(i);
}

int32_t TKorKeyFile::RecordCount() {
    CatchUpWithOthers();
    return results_.Count();
}

int32_t TKorKeyFile::RankOf(const TKeyList& parts) {
    CatchUpWithOthers();
    // The place the located node will have in the result list that navigation
    // reads next: the current one, or the one a pending refresh makes.
    int32_t anchor = 0;
    if (stale_ || results_.Kind() == TKorKeyResults::Mode::Frozen) {
        SetParts(selection_);
        const int32_t found = FindParts();
        if (found == 0) return -1;
        if (results_.LeafMode() && nodes_.GetDown(found) == 0) {
            SetParts(parts);
            return FindParts() == found ? 0 : -1;
        }
        anchor = found;
    } else if (results_.Kind() == TKorKeyResults::Mode::Material) {
        SetParts(parts);
        return results_.MaterialList().IndexOf(FindParts());
    } else {
        anchor = results_.Anchor();
    }
    results_.MakeCounts(anchor);
    // Walk the key again, adding up per level what precedes the path in walk
    // order; only the levels below the anchor count.
    SetParts(parts);
    int32_t node = nodes_.GetDown(0);
    int64_t rank = 0;
    bool below = false;
    int steps = 0;
    while (node != 0) {
        if (++steps > kMaxDepth) RaiseDamaged("Ein Baum enthält einen Ringverweis!");
        const int c = CompareNode(node);
        if (c < 0) {
            node = nodes_.GetLeft(node);
        } else if (c > 0) {
            if (below)
                rank += results_.Cnt(nodes_.GetLeft(node)) + results_.Cnt(nodes_.GetDown(node)) +
                        (results_.Collected(node) ? 1 : 0);
            node = nodes_.GetRight(node);
        } else {
            if (below) rank += results_.Cnt(nodes_.GetLeft(node));
            if (PartsLeft() == 1) {
                if (!below || !results_.Collected(node)) return -1;
                return static_cast<int32_t>(rank + results_.Cnt(nodes_.GetDown(node)));
            }
            if (node == anchor && !below) {
                below = true;
                rank = 0;
            }
            DropFrontPart();
            node = nodes_.GetDown(node);
            steps = 0;
        }
    }
    return -1;
}

// ---- selections and navigation -------------------------------------------------

void TKorKeyFile::SetSelection(const TKeyList& parts, bool leafMode) {
    selection_ = parts;
    results_.SetLeafMode(leafMode);
    stale_ = true;
    RebuildResults(true);
}

void TKorKeyFile::ResetSelection() {
    selection_ = defaultSelection_;
    results_.SetLeafMode(defaultLeafMode_);
    stale_ = true;
    RebuildResults(true);
}

void TKorKeyFile::ResolvePosition() {
    if (!rankPending_) return;
    rankPending_ = false;
    const int32_t rank = RankOf(rankParts_);
    if (rank >= 0) position_ = rank;
}

bool TKorKeyFile::Navigate(int32_t position) {
    rankPending_ = false;
    position_ = position;
    currentRecord_ = RecordOf(nodes_.GetIndex(ResultNode(position)));
    return true;
}

bool TKorKeyFile::First() {
    eof_ = bof_ = false;
    RebuildResults(stale_);
    if (ResultNode(0) < 0) {
        eof_ = true;
        return false;
    }
    return Navigate(0);
}

bool TKorKeyFile::Last() {
    eof_ = bof_ = false;
    RebuildResults(stale_);
    const int32_t n = RecordCount();
    if (n == 0) {
        eof_ = true;
        return false;
    }
    return Navigate(n - 1);
}

bool TKorKeyFile::Next() {
    ResolvePosition();
    eof_ = bof_ = false;
    RebuildResults(stale_);
    if (results_.CursorAt(position_)) {
        // A walk goes on from the cursor and needs no counts: the list ends
        // where the cursor finds no further entry.
        if (ResultNode(position_ + 1) < 0) {
            eof_ = true;
            return false;
        }
        return Navigate(position_ + 1);
    }
    const int32_t n = RecordCount();
    if (n == 0 || position_ >= n - 1) {
        eof_ = true;
        return false;
    }
    return Navigate(position_ < -1 ? 0 : position_ + 1);
}

bool TKorKeyFile::Prior() {
    ResolvePosition();
    eof_ = bof_ = false;
    RebuildResults(stale_);
    const int32_t n = RecordCount();
    if (n == 0) {
        eof_ = true;
        return false;
    }
    if (position_ < 1) {
        bof_ = true;
        return false;
    }
    // A position left behind the end by a shrinking list steps to the last entry.
    return Navigate(std::min(position_, n) - 1);
}

void TKorKeyFile::GoTo(int32_t i) {
    eof_ = bof_ = false;
    RebuildResults(stale_);
    if (i >= 0 && i < RecordCount()) Navigate(i);
}

void TKorKeyFile::PositionOnFirst() {
    const int32_t first = ResultNode(0);
    if (first < 0) return;
    rankPending_ = false;
    position_ = 0;
    currentRecord_ = RecordOf(nodes_.GetIndex(first));
}

int32_t TKorKeyFile::Locate(const TKeyList& parts) {
    CatchUpWithOthers();
    if (!IsOpen()) return -2;
    SetParts(parts);
    const int32_t found = FindParts();
    if (found == 0) return -2;
    currentRecord_ = RecordOf(nodes_.GetIndex(found));
    rankParts_ = parts;
    rankPending_ = true;
    return currentRecord_;
}

// ---- start node and its listings -----------------------------------------------

bool TKorKeyFile::SetStart(const TKeyList& parts) {
    CatchUpWithOthers();
    ClearParts();
    if (!IsOpen()) return false;
    const int32_t root = nodes_.GetDown(0);
    if (parts.empty() && root >= 1) {
        startNode_ = root;
        return true;
    }
    SetParts(parts);
    const int32_t found = FindParts();
    if (found == 0) return false;
    const int32_t down = nodes_.GetDown(found);
    startNode_ = down >= 1 ? down : found;
    return true;
}

void TKorKeyFile::CollectTexts(int32_t k) {
    if (k <= 0) nodes_.GetLeft(k);  // the walk begins with the node's Left link
    WalkTree(k, true, [&](int32_t n) {
        if (nodes_.GetType(n) == kPointerType) Parts().push_back(std::to_string(nodes_.GetIndex(n)));
    });
}

void TKorKeyFile::GetRecords(TIntegerList& list) {
    CatchUpWithOthers();
    list.Clear();
    ClearParts();
    CollectTexts(startNode_);
    for (const std::string& text : parts_) {
        errno = 0;
        char* end = nullptr;
        const long v = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != 0 || errno != 0)
            throw Exception("'" + text + "' ist kein gültiger Integerwert");
        list.Add(RecordOf(static_cast<int32_t>(v)));
    }
    ClearParts();
}

void TKorKeyFile::GetIndexValues(TIntegerList& list) {
    CatchUpWithOthers();
    list.Clear();
    if (nodes_.GetDown(startNode_) < 1) {
        list.Add(RecordOf(nodes_.GetIndex(startNode_)));
        return;
    }
    if (startNode_ <= 0) nodes_.GetLeft(startNode_);
    WalkTree(startNode_, true, [&](int32_t n) {
        const int32_t d = nodes_.GetIndex(n);
        if (nodes_.GetType(n) == 0 && d > 0) list.Add(RecordOf(d));
    });
}

void TKorKeyFile::ListLevel(std::vector<std::string>& lines) {
    CatchUpWithOthers();
    lines.clear();
    if (startNode_ <= 0) nodes_.GetLeft(startNode_);
    WalkTree(startNode_, false, [&](int32_t n) {
        lines.push_back(nodes_.GetValue(n) + ", " + std::to_string(nodes_.GetType(n)));
    });
}

}  // namespace korin
