#include "store/kor_key_build.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>

#include "store/kor_error.h"
#include "store/kor_key_table.h"
#include "store/kor_text_compare.h"
#include "store/le.h"

namespace korin {

namespace {

constexpr size_t kMaxParts = 64;         // as TKorKeyFile::kMaxParts
constexpr int32_t kNewFileNodes = 1;     // a new file: node 0 and 8 bytes of node 1
constexpr size_t kChunk = size_t{1} << 20;

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

// Room for n elements, asked to be backed by huge pages: the insertions read
// the node table at random, and small pages would cost a page-table walk for
// nearly every node of a large file.
template <typename T>
void ReserveHuge(std::vector<T>& v, size_t n) {
    v.reserve(n);
    constexpr uintptr_t kHuge = uintptr_t{1} << 21;
    const auto begin = (reinterpret_cast<uintptr_t>(v.data() + v.size()) + kHuge - 1) & ~(kHuge - 1);
    const auto end = reinterpret_cast<uintptr_t>(v.data() + n) & ~(kHuge - 1);
    if (end > begin) (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

uint32_t HashOf(uint8_t number, std::string_view text) {
    const uint64_t h = std::hash<std::string_view>{}(text) ^ (uint64_t{number} * 0x9E3779B97F4A7C15ull);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

}  // namespace

TKorKeyBuild::TKorKeyBuild() : slots_(1024, 0), nodes_(1, Node{}), balance_(1, 0) {
    owner_.push_back(0);
    dindex_.push_back(0);
    part_.push_back(-1);
}

TKorKeyBuild::~TKorKeyBuild() = default;

// ---- parts ----------------------------------------------------------------------

void TKorKeyBuild::Rehash() {
    std::vector<uint64_t> slots(slots_.size() * 2, 0);
    const size_t mask = slots.size() - 1;
    for (const uint64_t s : slots_) {
        if (s == 0) continue;
        size_t at = static_cast<size_t>(s >> 32) & mask;
        while (slots[at] != 0) at = (at + 1) & mask;
        slots[at] = s;
    }
    slots_.swap(slots);
}

int32_t TKorKeyBuild::Intern(uint8_t number, std::string_view text) {
    text = text.substr(0, std::min<size_t>(text.size(), keynode::kNameChars));
    if (number == 255 || std::memchr(text.data(), 0, text.size()) != nullptr) return -1;
    const uint32_t hash = HashOf(number, text);
    const size_t mask = slots_.size() - 1;
    size_t at = hash & mask;
    for (; slots_[at] != 0; at = (at + 1) & mask) {
        if (static_cast<uint32_t>(slots_[at] >> 32) != hash) continue;
        const auto id = static_cast<int32_t>((slots_[at] & 0xFFFFFFFFu) - 1);
        const Text& t = parts_of_[static_cast<size_t>(id)];
        if (t.number == number && t.size == text.size() &&
            std::memcmp(texts_.data() + t.offset, text.data(), text.size()) == 0)
            return id;
    }
    const auto id = static_cast<int32_t>(parts_of_.size());
    parts_of_.push_back({static_cast<uint32_t>(texts_.size()), static_cast<uint8_t>(text.size()), number});
    texts_.insert(texts_.end(), text.begin(), text.end());
    slots_[at] = uint64_t{hash} << 32 | static_cast<uint32_t>(id + 1);
    if (parts_of_.size() * 2 > slots_.size()) Rehash();
    return id;
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

// Every part gets its place in key order; distinct parts never compare equal.
void TKorKeyBuild::Rank() {
    struct Entry {
        SortPrefix prefix;
        int32_t id;
    };
    std::vector<Entry> order(parts_of_.size());
    for (size_t i = 0; i < parts_of_.size(); ++i) {
        const Text& t = parts_of_[i];
        order[i] = {PrefixOf(t.number, {texts_.data() + t.offset, t.size}), static_cast<int32_t>(i)};
    }
    std::sort(order.begin(), order.end(), [this](const Entry& a, const Entry& b) {
        if (a.prefix.high != b.prefix.high) return a.prefix.high < b.prefix.high;
        if (a.prefix.low != b.prefix.low) return a.prefix.low < b.prefix.low;
        // The same number byte (the prefix's first byte): the texts decide.
        const Text& x = parts_of_[static_cast<size_t>(a.id)];
        const Text& y = parts_of_[static_cast<size_t>(b.id)];
        return TextCompare({texts_.data() + x.offset, x.size}, {texts_.data() + y.offset, y.size}) < 0;
    });
    ReserveHuge(rank_, parts_of_.size());
    rank_.assign(parts_of_.size(), 0);
    for (size_t i = 0; i < order.size(); ++i) rank_[static_cast<size_t>(order[i].id)] = static_cast<int32_t>(i);
}

// ---- insertion --------------------------------------------------------------------
// The same steps as TKorKeyFile::Insert and its rebalancing, on the compact
// table: descend, make the missing node and the nodes of the key's further
// parts under it, then rebalance on the way back up.

int32_t TKorKeyBuild::Alloc(int32_t owner, int32_t part, int32_t dindex) {
    const auto k = static_cast<int32_t>(nodes_.size());
    nodes_.push_back({0, 0, 0, rank_[static_cast<size_t>(part)]});
    balance_.push_back(0);
    owner_.push_back(owner);
    dindex_.push_back(dindex);
    part_.push_back(part);
    return k;
}

void TKorKeyBuild::Insert(size_t from, size_t to, int32_t dataIndex) {
    // Growth as the key file does it before each key: when fewer free nodes
    // than the key has parts are left, 8 per part are made free.
    const auto m = static_cast<int64_t>(to - from);
    const int64_t free = count_ - static_cast<int64_t>(nodes_.size());
    if (free < m) count_ += 8 * m - free;

    int32_t owner = 0;
    for (size_t j = from;; ++j) {
        const int32_t r = rank_[static_cast<size_t>(parts_[j])];
        path_.clear();
        int32_t p = owner == 0 ? root_ : nodes_[static_cast<size_t>(owner)].down;
        while (p != 0) {
            const Node& n = nodes_[static_cast<size_t>(p)];
            if (r == n.rank) break;
            const bool right = r > n.rank;
            path_.push_back({p, right});
            p = right ? n.right : n.left;
        }
        if (p != 0) {
            if (j + 1 == to) return;  // the key is present
            owner = p;
            continue;
        }
        const bool last = j + 1 == to;
        int32_t sub = Alloc(owner, parts_[j], last ? dataIndex : 0);
        for (int32_t above = sub; ++j < to;) {
            const int32_t below = Alloc(above, parts_[j], j + 1 == to ? dataIndex : 0);
            nodes_[static_cast<size_t>(above)].down = below;
            above = below;
        }
        bool grown = true;
        for (size_t i = path_.size(); i-- > 0;) {
            auto [q, right] = path_[i];
            Node& n = nodes_[static_cast<size_t>(q)];
            (right ? n.right : n.left) = sub;
            if (grown) Grown(q, grown, right);
            sub = q;
        }
        (owner == 0 ? root_ : nodes_[static_cast<size_t>(owner)].down) = sub;
        return;
    }
}

// The subtree on one side of p has grown by a level (right: its right side);
// rebalances p as an insertion does, and clears `grown` when p's height stays.
void TKorKeyBuild::Grown(int32_t& p, bool& grown, bool right) {
    const int8_t s = right ? 1 : -1;
    // link(n, true) is n's link on the grown side, link(n, false) the other.
    const auto link = [right](Node& n, bool grownSide) -> int32_t& { return grownSide == right ? n.right : n.left; };
    Node& n = nodes_[static_cast<size_t>(p)];
    int8_t& balance = balance_[static_cast<size_t>(p)];
    if (balance == -s) {
        balance = 0;
        grown = false;
        return;
    }
    if (balance == 0) {
        balance = s;
        return;
    }
    const int32_t p1 = link(n, true);
    Node& n1 = nodes_[static_cast<size_t>(p1)];
    if (balance_[static_cast<size_t>(p1)] == s) {
        link(n, true) = link(n1, false);
        link(n1, false) = p;
        balance = 0;
        p = p1;
    } else {
        const int32_t p2 = link(n1, false);
        Node& n2 = nodes_[static_cast<size_t>(p2)];
        const int32_t b2 = balance_[static_cast<size_t>(p2)];
        link(n1, false) = link(n2, true);
        link(n2, true) = p1;
        link(n, true) = link(n2, false);
        link(n2, false) = p;
        balance = b2 == s ? -s : 0;
        balance_[static_cast<size_t>(p1)] = b2 == -s ? s : 0;
        p = p2;
    }
    balance_[static_cast<size_t>(p)] = 0;
    grown = false;
}

// ---- the file -----------------------------------------------------------------------

void TKorKeyBuild::Write(const std::string& path, const std::function<void(const uint8_t*, size_t)>& sink) {
    Rank();
    // Every part makes at most one node.
    ReserveHuge(nodes_, parts_.size() + 1);
    count_ = kNewFileNodes;
    size_t from = 0;
    for (size_t k = 0; k < keyEnds_.size(); ++k) {
        Insert(from, keyEnds_[k], keyData_[k]);
        from = keyEnds_[k];
    }
    if (count_ * keynode::kSize + 8 > INT32_MAX)
        throw EKorKeyError("KorKeyFile: Die Datei " + path + " konnte nicht geschrieben werden!");

    // Node 0 holds the root and the next free node; nodes in use follow, then
    // the free nodes chained in ascending order, then the Down and Up words of
    // the first never-used node (both 0).
    const auto used = static_cast<int32_t>(nodes_.size());
    std::vector<uint8_t> chunk;
    chunk.reserve(kChunk);
    auto flush = [&] {
        sink(chunk.data(), chunk.size());
        chunk.clear();
    };
    for (int64_t k = 0; k < count_; ++k) {
        const size_t at = chunk.size();
        chunk.resize(at + keynode::kSize, 0);
        uint8_t* b = chunk.data() + at;
        if (k == 0) {
            le::PutI32(b + keynode::kDown, root_);
            le::PutI32(b + keynode::kUp, used);
        } else if (k < used) {
            const auto i = static_cast<size_t>(k);
            const Node& n = nodes_[i];
            const Text& t = parts_of_[static_cast<size_t>(part_[i])];
            le::PutI32(b + keynode::kDown, n.down);
            le::PutI32(b + keynode::kUp, owner_[i]);
            le::PutI32(b + keynode::kLeft, n.left);
            le::PutI32(b + keynode::kRight, n.right);
            le::PutI16(b + keynode::kBalance, balance_[i]);
            le::PutI32(b + keynode::kDIndex, dindex_[i]);
            le::PutI16(b + keynode::kType, t.number);
            std::memcpy(b + keynode::kName, texts_.data() + t.offset, t.size);
        } else {
            le::PutI32(b + keynode::kUp, static_cast<int32_t>(k + 1));
        }
        if (chunk.size() + keynode::kSize > kChunk) flush();
    }
    chunk.resize(chunk.size() + 8, 0);
    flush();
}

}  // namespace korin
