#include "store/kor_key_build.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "store/kor_error.h"
#include "store/kor_key_table.h"
#include "store/kor_text_compare.h"
#include "store/le.h"

namespace korin {

namespace {

constexpr size_t kMaxParts = 64;         // as TKorKeyFile::kMaxParts
constexpr size_t kChunk = size_t{1} << 20;
constexpr size_t kAhead = 16;  // steps ahead whose memory a loop fetches early

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The first 16 bytes of a byte string whose plain comparison is the key order
// of (number, text): the number byte, then the text with every digit run as
// 32, its length and its digits, control characters kept below 32 and the
// other characters from "0" down moved up by one above it, after a first byte
// that puts texts with a leading run behind the others (store/kor_text_compare.h).
// Missing bytes are 0, below every byte the string can hold.
struct SortPrefix {
    uint64_t high = 0, low = 0;
};

SortPrefix PrefixOf(uint8_t number, std::string_view text) {
    uint8_t out[16] = {};
    size_t n = 0;
    auto put = [&](unsigned v) {
        if (n < sizeof out) out[n] = static_cast<uint8_t>(v);
        ++n;
    };
    put(number);
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    put(!text.empty() && IsDigit(t[0]) ? 2 : 1);
    for (size_t i = 0; i < text.size() && n < sizeof out;) {
        if (IsDigit(t[i])) {
            size_t end = i;
            while (end < text.size() && IsDigit(t[end])) ++end;
            put(32);
            put(static_cast<unsigned>(end - i));
            for (; i < end; ++i) put(t[i]);
            continue;
        }
        put(t[i] < 32 ? t[i] : t[i] < '0' ? t[i] + 1u : t[i]);
        ++i;
    }
    SortPrefix p;
    for (int i = 0; i < 8; ++i) p.high = p.high << 8 | out[i];
    for (int i = 8; i < 16; ++i) p.low = p.low << 8 | out[i];
    return p;
}

// Room for n elements, asked to be backed by huge pages: the large tables here
// are read at random, and small pages would cost a page-table walk for nearly
// every access.
template <typename T>
void ReserveHuge(std::vector<T>& v, size_t n) {
    v.reserve(n);
    constexpr uintptr_t kHuge = uintptr_t{1} << 21;
    const auto begin = (reinterpret_cast<uintptr_t>(v.data() + v.size()) + kHuge - 1) & ~(kHuge - 1);
    const auto end = reinterpret_cast<uintptr_t>(v.data() + n) & ~(kHuge - 1);
    if (end > begin) (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// A vector of n copies of value, backed by huge pages where possible.
template <typename T>
std::vector<T> HugeVector(size_t n, T value) {
    std::vector<T> v;
    ReserveHuge(v, n);
    v.assign(n, value);
    return v;
}

// Sorts keys of the form rank << 32 | low by rank, keeping the order of equal
// ranks: 11 bits of the rank a pass, as many passes as the highest rank needs.
void SortByRank(std::vector<uint64_t>& keys, std::vector<uint64_t>& spare, uint32_t highest) {
    constexpr int kBits = 11;
    spare.resize(keys.size());
    for (int shift = 32; shift < 64 && (shift == 32 || highest >> (shift - 32)) != 0; shift += kBits) {
        uint32_t count[1u << kBits] = {};
        for (const uint64_t k : keys) ++count[k >> shift & ((1u << kBits) - 1)];
        uint32_t sum = 0;
        for (uint32_t& c : count) sum += std::exchange(c, sum);
        for (const uint64_t k : keys) spare[count[k >> shift & ((1u << kBits) - 1)]++] = k;
        keys.swap(spare);
    }
}

// Frees the vectors' memory.
template <typename... V>
void Release(V&... v) {
    (std::vector<typename V::value_type>().swap(v), ...);
}

uint32_t HashOf(uint8_t number, std::string_view text) {
    const uint64_t h = std::hash<std::string_view>{}(text) ^ (uint64_t{number} * 0x9E3779B97F4A7C15ull);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

uint64_t ChildHash(int32_t owner, int32_t part) {
    return (uint64_t{static_cast<uint32_t>(owner)} << 32 | static_cast<uint32_t>(part)) * 0x9E3779B97F4A7C15ull;
}

}  // namespace

TKorKeyBuild::TKorKeyBuild() : recent_(kRecent, 0) {}

TKorKeyBuild::~TKorKeyBuild() = default;

// ---- parts ----------------------------------------------------------------------

// A part met lately is found through recent_; any other gets a new id at
// once, without a look-up in a table of all parts that would wait for memory
// at nearly every new part. Merge makes equal parts one before the keys are
// placed.
int32_t TKorKeyBuild::Intern(uint8_t number, std::string_view text) {
    text = text.substr(0, std::min<size_t>(text.size(), keynode::kNameChars));
    if (number == 255 || std::memchr(text.data(), 0, text.size()) != nullptr) return -1;
    const uint32_t hash = HashOf(number, text);
    uint64_t& recent = recent_[hash % kRecent];
    if (recent != 0 && static_cast<uint32_t>(recent >> 32) == hash) {
        const auto id = static_cast<int32_t>((recent & 0xFFFFFFFFu) - 1);
        const Text& t = parts_of_[static_cast<size_t>(id)];
        if (t.number == number && t.size == text.size() &&
            std::memcmp(texts_.data() + t.offset, text.data(), text.size()) == 0)
            return id;
    }
    const auto id = static_cast<int32_t>(parts_of_.size());
    parts_of_.push_back({static_cast<uint32_t>(texts_.size()), static_cast<uint8_t>(text.size()), number});
    texts_.insert(texts_.end(), text.begin(), text.end());
    hashes_.push_back(hash);
    recent = uint64_t{hash} << 32 | static_cast<uint32_t>(id + 1);
    return id;
}

// Equal parts with different ids become the first of them, in the keys and
// as the only one that Rank places; the table's slot for the part a few ids
// ahead is fetched while the present one is looked up.
void TKorKeyBuild::Merge() {
    const size_t n = parts_of_.size();
    size_t size = 1024;
    while (size < 2 * n) size *= 2;
    auto slots = HugeVector<uint64_t>(size, 0);  // hash << 32 | (id + 1), 0 empty
    const size_t mask = size - 1;
    first_ = HugeVector<int32_t>(n, 0);
    for (size_t id = 0; id < n; ++id) {
        if (id + kAhead < n) __builtin_prefetch(&slots[hashes_[id + kAhead] & mask]);
        const uint32_t hash = hashes_[id];
        const Text& t = parts_of_[id];
        size_t at = hash & mask;
        for (; slots[at] != 0; at = (at + 1) & mask) {
            if (static_cast<uint32_t>(slots[at] >> 32) != hash) continue;
            const auto other = static_cast<size_t>((slots[at] & 0xFFFFFFFFu) - 1);
            const Text& u = parts_of_[other];
            if (u.number == t.number && u.size == t.size &&
                std::memcmp(texts_.data() + u.offset, texts_.data() + t.offset, t.size) == 0)
                break;
        }
        if (slots[at] == 0) slots[at] = uint64_t{hash} << 32 | (id + 1);
        first_[id] = static_cast<int32_t>((slots[at] & 0xFFFFFFFFu) - 1);
    }
    for (int32_t& part : parts_) part = first_[static_cast<size_t>(part)];
}

void TKorKeyBuild::EndKey(int32_t dataIndex) {
    const size_t from = keyEnds_.empty() ? 0 : keyEnds_.back();
    if (parts_.size() - from > kMaxParts) {
        parts_.resize(from);
        throw EKorKeyError("KorKeyFile: Ein Schlüssel darf höchstens 64 Teile haben!");
    }
    if (parts_.size() == from) return;
    keyEnds_.push_back(static_cast<uint32_t>(parts_.size()));
    keyData_.push_back(dataIndex);
}

// Every part (the first id of equal ones) gets its place in key order;
// distinct parts never compare equal.
void TKorKeyBuild::Rank() {
    std::vector<RankEntry> order;
    ReserveHuge(order, parts_of_.size());
    for (size_t i = 0; i < parts_of_.size(); ++i) {
        if (first_[i] != static_cast<int32_t>(i)) continue;
        const Text& t = parts_of_[i];
        const SortPrefix p = PrefixOf(t.number, {texts_.data() + t.offset, t.size});
        order.push_back({p.high, p.low, static_cast<int32_t>(i)});
    }
    SortFrom(order.data(), order.size(), 0);
    ReserveHuge(rank_, parts_of_.size());
    rank_.assign(parts_of_.size(), 0);
    for (size_t i = 0; i < order.size(); ++i) rank_[static_cast<size_t>(order[i].id)] = static_cast<int32_t>(i);
}

// Sorts a[0..n) whose prefixes agree before byte `byte`: bucket by bucket of
// that byte (moved in place, each entry straight to its bucket), then each
// bucket by the next byte; bytes that all entries share are skipped at once.
// Small buckets and equal prefixes are left to a comparison sort, where the
// texts decide between equal prefixes.
void TKorKeyBuild::SortFrom(RankEntry* a, size_t n, int byte) const {
    const auto byteOf = [&byte](const RankEntry& e) {
        return static_cast<uint8_t>(byte < 8 ? e.high >> (56 - 8 * byte) : e.low >> (56 - 8 * (byte - 8)));
    };
    while (byte < 16 && n >= 64) {
        size_t count[256] = {};
        uint64_t high = 0, low = 0;  // the bits in which some entry differs from the first
        for (size_t i = 0; i < n; ++i) {
            ++count[byteOf(a[i])];
            high |= a[i].high ^ a[0].high;
            low |= a[i].low ^ a[0].low;
        }
        if (count[byteOf(a[0])] == n) {
            if (high == 0 && low == 0) break;
            byte = high != 0 ? std::countl_zero(high) / 8 : 8 + std::countl_zero(low) / 8;
            continue;
        }
        size_t next[256], end[256];
        for (size_t b = 0, sum = 0; b < 256; ++b) {
            next[b] = sum;
            sum += count[b];
            end[b] = sum;
        }
        for (size_t b = 0; b < 256; ++b) {
            while (next[b] < end[b]) {
                RankEntry e = a[next[b]];
                for (uint8_t d = byteOf(e); d != b; d = byteOf(e)) std::swap(e, a[next[d]++]);
                a[next[b]++] = e;
            }
        }
        for (size_t b = 0, from = 0; b < 256; from = end[b++])
            if (end[b] - from > 1) SortFrom(a + from, end[b] - from, byte + 1);
        return;
    }
    std::sort(a, a + n, [this](const RankEntry& x, const RankEntry& y) {
        if (x.high != y.high) return x.high < y.high;
        if (x.low != y.low) return x.low < y.low;
        // The same number byte (the prefix's first byte): the texts decide.
        const Text& u = parts_of_[static_cast<size_t>(x.id)];
        const Text& v = parts_of_[static_cast<size_t>(y.id)];
        return TextCompare({texts_.data() + u.offset, u.size}, {texts_.data() + v.offset, v.size}) < 0;
    });
}

// ---- placing ---------------------------------------------------------------------
// Node numbers, owners, DIndex values and the file's growth as repeated
// insertion makes them, without the trees.

int32_t TKorKeyBuild::Alloc(int32_t owner, int32_t part, int32_t dindex) {
    const auto k = static_cast<int32_t>(owner_.size());
    owner_.push_back(owner);
    part_.push_back(part);
    dindex_.push_back(dindex);
    down_.push_back(0);
    // Found without the table: the first child of its owner and the first
    // node of its part.
    bool listed = false;
    if (down_[static_cast<size_t>(owner)] == 0) {
        down_[static_cast<size_t>(owner)] = k;
        listed = true;
    }
    if (firstOf_[static_cast<size_t>(part)] == 0) {
        firstOf_[static_cast<size_t>(part)] = k;
        listed = true;
    } else {
        shared_[static_cast<size_t>(part)] = 1;
    }
    if (!listed) AddChild({owner, part, k});
    return k;
}

// A child enters the table some insertions late: its slot is fetched when it
// is announced and written when kPending more have come, so that placing does
// not wait for the slot. Until then Find sees it in pending_.
void TKorKeyBuild::AddChild(const Child& child) {
    if (children_.empty()) Store({0, 0, 0});
    __builtin_prefetch(&children_[static_cast<size_t>(ChildHash(child.owner, child.part) >> childShift_)], 1);
    Child& next = pending_[pendingCount_++ % kPending];
    if (next.node != 0) Store(next);
    next = child;
}

void TKorKeyBuild::Store(const Child& child) {
    if (2 * (childCount_ + 1) > children_.size()) {
        std::vector<Child> old;
        old.swap(children_);
        children_ = HugeVector(std::max<size_t>(1024, 2 * old.size()), Child{0, 0, 0});
        childShift_ = 64 - std::countr_zero(children_.size());
        childCount_ = 0;
        for (const Child& c : old)
            if (c.node != 0) Store(c);
    }
    if (child.node == 0) return;
    const size_t mask = children_.size() - 1;
    size_t at = static_cast<size_t>(ChildHash(child.owner, child.part) >> childShift_);
    while (children_[at].node != 0) at = (at + 1) & mask;
    children_[at] = child;
    ++childCount_;
}

int32_t TKorKeyBuild::Find(int32_t owner, int32_t part) const {
    const int32_t first = down_[static_cast<size_t>(owner)];
    if (first == 0) return 0;
    if (part_[static_cast<size_t>(first)] == part) return first;
    const int32_t n = firstOf_[static_cast<size_t>(part)];
    if (n == 0) return 0;
    if (owner_[static_cast<size_t>(n)] == owner) return n;
    if (shared_[static_cast<size_t>(part)] == 0 || children_.empty()) return 0;
    for (const Child& c : pending_)
        if (c.owner == owner && c.part == part && c.node != 0) return c.node;
    const size_t mask = children_.size() - 1;
    for (size_t at = static_cast<size_t>(ChildHash(owner, part) >> childShift_);; at = (at + 1) & mask) {
        const Child& c = children_[at];
        if (c.node == 0) return 0;
        if (c.owner == owner && c.part == part) return c.node;
    }
}

void TKorKeyBuild::Place() {
    // Every part makes at most one node.
    for (auto* v : {&owner_, &part_, &dindex_, &down_}) ReserveHuge(*v, parts_.size() + 1);
    firstOf_ = HugeVector<int32_t>(parts_of_.size(), 0);
    shared_ = HugeVector<uint8_t>(parts_of_.size(), 0);
    owner_.push_back(0);
    part_.push_back(-1);
    dindex_.push_back(0);
    down_.push_back(0);

    size_t from = 0;
    for (size_t k = 0; k < keyEnds_.size(); from = keyEnds_[k++]) {
        const size_t to = keyEnds_[k];
        // Growth as the key file does it before each key: when fewer free
        // nodes than the key has parts are left, 8 per part are made free.
        const auto m = static_cast<int64_t>(to - from);
        const int64_t free = count_ - static_cast<int64_t>(owner_.size());
        if (free < m) count_ += 8 * m - free;

        int32_t owner = 0;
        for (size_t j = from; j < to; ++j) {
            const int32_t found = Find(owner, parts_[j]);
            if (found != 0) {
                owner = found;
                continue;  // at the last part: the key is present
            }
            // The part is new, and so are the key's further parts: a chain
            // of first children under it.
            for (; j < to; ++j) owner = Alloc(owner, parts_[j], j + 1 == to ? keyData_[k] : 0);
        }
    }
}

// ---- shaping -----------------------------------------------------------------------

void TKorKeyBuild::Shape() {
    const size_t used = owner_.size();
    links_ = HugeVector(used, Links{0, 0, 0});
    // The nodes grouped by owner, each group in the order of making: after
    // the counting sort end[o] is where the group of owner o ends.
    auto end = HugeVector<uint32_t>(used, 0), order = HugeVector<uint32_t>(used, 0);
    for (size_t k = 1; k < used; ++k) ++end[static_cast<size_t>(owner_[k])];
    uint32_t sum = 0;
    for (uint32_t& e : end) sum += std::exchange(e, sum);
    for (size_t k = 1; k < used; ++k) order[end[static_cast<size_t>(owner_[k])]++] = static_cast<uint32_t>(k);

    // The buffers for the largest tree, backed by huge pages: its insertions
    // read its nodes at random.
    size_t most = 0;
    for (size_t o = 0, begin = 0; o < used; begin = end[o++]) most = std::max<size_t>(most, end[o] - begin);
    ReserveHuge(sorted_, most);
    ReserveHuge(spare_, most);
    ReserveHuge(byLocal_, most + 1);
    ReserveHuge(localOf_, most);
    ReserveHuge(near_, most + 2);
    ReserveHuge(local_, most + 2);
    for (size_t o = 0, begin = 0; o < used; begin = end[o++]) {
        const size_t m = end[o] - begin;
        if (m == 0) continue;
        // A single node is a tree of its own: no links, balance 0.
        const int32_t root = m == 1 ? static_cast<int32_t>(order[begin]) : ShapeTree(order.data() + begin, m);
        (o == 0 ? root_ : down_[o]) = root;
    }
}

// The key file's insertions (TKorKeyFile::Insert, GrownLeft, GrownRight) of
// nodes[0..m) one after another into an empty tree; writes their links and
// balances and returns the root's node number.
//
// No descent is needed: a new node hangs as the right child of the greatest
// node below it when that has none, else as the left child of the least node
// above it. Both neighbours at the time of each insertion come from undoing
// the insertions backwards on a list in key order. From there the rebalancing
// walks up by Up links, as the key file's descent unwinds, and stops where the
// key file's stops: after a few steps on average.
int32_t TKorKeyBuild::ShapeTree(const uint32_t* nodes, size_t m) {
    sorted_.resize(m);
    uint32_t highest = 0;
    for (size_t i = 0; i < m; ++i) {
        const auto rank = static_cast<uint32_t>(rank_[static_cast<size_t>(part_[nodes[i]])]);
        highest = std::max(highest, rank);
        sorted_[i] = uint64_t{rank} << 32 | i;
    }
    // Ranks in one tree differ: the order of the ranks is the key order.
    if (!std::is_sorted(sorted_.begin(), sorted_.end())) {
        if (m < 1024)
            std::sort(sorted_.begin(), sorted_.end());
        else
            SortByRank(sorted_, spare_, highest);
    }
    const auto last = static_cast<int32_t>(m);
    byLocal_.resize(m + 1);
    localOf_.resize(m);
    byLocal_[0] = 0;
    for (int32_t x = 1; x <= last; ++x) {
        const auto i = static_cast<uint32_t>(sorted_[static_cast<size_t>(x - 1)]);
        byLocal_[static_cast<size_t>(x)] = static_cast<int32_t>(nodes[i]);
        localOf_[i] = x;
    }
    // near[x]: x's neighbours in key order among the nodes inserted before
    // it (0 and m + 1: none).
    near_.resize(m + 2);
    Near* near = near_.data();
    for (int32_t x = 0; x <= last + 1; ++x) near[x] = {x - 1, x + 1};
    for (size_t i = m; i-- > 1;) {
        if (i >= kAhead) __builtin_prefetch(&near[localOf_[i - kAhead]]);
        const Near n = near[localOf_[i]];
        near[n.before].after = n.after;
        near[n.after].before = n.before;
    }

    local_.assign(m + 2, Local{{0, 0}, 0, 0});  // m + 1: stands for "none" above all, as 0 below
    Local* t = local_.data();
    int32_t root = localOf_[0];
    for (size_t i = 1; i < m; ++i) {
        if (i + kAhead < m) __builtin_prefetch(&near[localOf_[i + kAhead]]);
        if (i + kAhead / 2 < m) {
            const Near ahead = near[localOf_[i + kAhead / 2]];
            __builtin_prefetch(&t[ahead.before]);
            __builtin_prefetch(&t[ahead.after]);
        }
        if (i + kAhead / 4 < m) {
            // The rebalancing's next step up, from nodes fetched above.
            const Near ahead = near[localOf_[i + kAhead / 4]];
            __builtin_prefetch(&t[t[ahead.before].up]);
            __builtin_prefetch(&t[t[ahead.after].up]);
        }
        const int32_t x = localOf_[i];
        const Near n = near[x];
        const bool toAfter = n.before == 0 || t[n.before].link[1] != 0;
        int32_t p = toAfter ? n.after : n.before;
        int dir = !toAfter;
        t[p].link[dir] = x;
        t[x].up = p;
        // The subtree on side dir of p has grown by a level.
        for (;;) {
            const int8_t s = dir ? 1 : -1;
            Local& np = t[p];
            if (np.balance == -s) {
                np.balance = 0;
                break;
            }
            if (np.balance == 0) {
                np.balance = s;
                if (np.up == 0) break;
                dir = p > np.up;
                p = np.up;
                continue;
            }
            // Too high on the grown side: a single rotation when its child
            // leans the same way, else a double one; the subtree's new top
            // takes p's place under p's owner in the tree.
            const int32_t above = np.up;
            const int32_t p1 = np.link[dir];
            int32_t top = p1;
            if (t[p1].balance == s) {
                Hang(p, dir, t[p1].link[!dir]);
                Hang(p1, !dir, p);
                np.balance = 0;
            } else {
                const int32_t p2 = t[p1].link[!dir];
                const int8_t b2 = t[p2].balance;
                Hang(p1, !dir, t[p2].link[dir]);
                Hang(p2, dir, p1);
                Hang(p, dir, t[p2].link[!dir]);
                Hang(p2, !dir, p);
                np.balance = b2 == s ? -s : 0;
                t[p1].balance = b2 == -s ? s : 0;
                top = p2;
            }
            t[top].balance = 0;
            t[top].up = above;
            if (above == 0)
                root = top;
            else
                t[above].link[top > above] = top;
            break;
        }
    }

    // In key order: a node's subtrees lie near it in the local table.
    for (size_t x = 1; x <= m; ++x) {
        const auto k = static_cast<size_t>(byLocal_[x]);
        links_[k] = {byLocal_[static_cast<size_t>(t[x].link[0])], byLocal_[static_cast<size_t>(t[x].link[1])],
                     t[x].balance};
    }
    return byLocal_[static_cast<size_t>(root)];
}

// ---- the file -----------------------------------------------------------------------

void TKorKeyBuild::Write(const std::string& path, const std::function<void(const uint8_t*, size_t)>& sink) {
    // Each step gives back what no later one needs, so that the largest
    // tables do not hold the keys, the look-up tables and the trees at once.
    Merge();
    Release(hashes_);
    Place();
    Release(parts_, keyEnds_, keyData_, firstOf_, shared_, children_);
    if (count_ * keynode::kSize + 8 > INT32_MAX)
        throw EKorKeyError("KorKeyFile: Die Datei " + path + " konnte nicht geschrieben werden!");
    Rank();
    Release(first_);
    Shape();
    Release(rank_, sorted_, spare_, byLocal_, localOf_, near_, local_);

    // Node 0 holds the root and the next free node; nodes in use follow, then
    // the free nodes chained in ascending order, then the Down and Up words of
    // the first never-used node (both 0).
    const auto used = static_cast<int32_t>(owner_.size());
    std::vector<uint8_t> chunk(kChunk);
    size_t filled = 0;
    auto flush = [&] {
        sink(chunk.data(), filled);
        filled = 0;
    };
    for (int64_t k = 0; k < count_; ++k) {
        uint8_t* b = chunk.data() + filled;
        std::memset(b, 0, keynode::kSize);
        filled += keynode::kSize;
        if (k == 0) {
            le::PutI32(b + keynode::kDown, root_);
            le::PutI32(b + keynode::kUp, used);
        } else if (k < used) {
            const auto i = static_cast<size_t>(k);
            const Text& t = parts_of_[static_cast<size_t>(part_[i])];
            le::PutI32(b + keynode::kDown, down_[i]);
            le::PutI32(b + keynode::kUp, owner_[i]);
            le::PutI32(b + keynode::kLeft, links_[i].left);
            le::PutI32(b + keynode::kRight, links_[i].right);
            le::PutI16(b + keynode::kBalance, links_[i].balance);
            le::PutI32(b + keynode::kDIndex, dindex_[i]);
            le::PutI16(b + keynode::kType, t.number);
            std::memcpy(b + keynode::kName, texts_.data() + t.offset, t.size);
        } else {
            le::PutI32(b + keynode::kUp, static_cast<int32_t>(k + 1));
        }
        if (filled + keynode::kSize > kChunk) flush();
    }
    std::memset(chunk.data() + filled, 0, 8);
    filled += 8;
    flush();
}

}  // namespace korin
