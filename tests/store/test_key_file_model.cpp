// Long random sequences of table-style insertions and deletions, each step
// checked twice: against a node-for-node model of the file (growth, free chain,
// AVL insertion and deletion as the rules give them) and against std::map for
// what a user sees (Locate, the lists of every index, RecordCount), with the
// audit of the file after every step and again after reopening.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "store/kor_key_file.h"
#include "store/kor_text_compare.h"
#include "test_support.h"

namespace {

using korin::TKeyList;
using korin::TKorKeyFile;
using korin::testing::ReadBytes;
using korin::testing::TempDir;

using Key = std::vector<std::string>;

std::string P(char letter, int number, const std::string& text) { return std::string{letter, static_cast<char>(number)} + text; }

int Number(const std::string& part) { return static_cast<uint8_t>(part[1]); }
std::string Text(const std::string& part) { return part.substr(2); }

// The order of one part against a node or another part: the number byte first,
// then the text.
int ComparePart(int number, const std::string& text, int type, const std::string& name) {
    if (number != 255 && number != type) return number - type;
    return korin::TextCompare(text, name);
}

struct KeyOrder {
    bool operator()(const Key& a, const Key& b) const {
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
            const int c = ComparePart(Number(a[i]), Text(a[i]), Number(b[i]), Text(b[i]));
            if (c) return c < 0;
        }
        return a.size() < b.size();
    }
};

// ---- the node model ----------------------------------------------------------------

struct MNode {
    int32_t down = 0, up = 0, left = 0, right = 0, balance = 0, dindex = 0, type = 0;
    std::string name;
    bool operator==(const MNode&) const = default;
};

std::string Describe(const MNode& n) {
    std::ostringstream s;
    s << "{down " << n.down << ", up " << n.up << ", left " << n.left << ", right " << n.right << ", bal "
      << n.balance << ", dindex " << n.dindex << ", type " << n.type << ", \"" << n.name << "\"}";
    return s.str();
}

// Node 0 is the header (Down = root, Up = NextFree); the last entry is the
// first never-used node, of which the file holds only Down and Up.
class NodeModel {
public:
    NodeModel() : nodes_(2) { nodes_[0].up = 1; }

    size_t Size() const { return 64 * (nodes_.size() - 1) + 8; }
    const std::vector<MNode>& Nodes() const { return nodes_; }

    void AddKeys(const std::vector<Key>& keys, int32_t dataIndex) {
        dataIndex_ = dataIndex;
        for (const Key& key : keys) {
            Grow(static_cast<int32_t>(key.size()));
            Start(key);
            int32_t root = nodes_[0].down;
            int depth = 0;
            bool grown = false;
            Insert(0, root, depth, grown);
            nodes_[0].down = root;
        }
    }

    void DeleteKeys(const std::vector<Key>& keys) {
        for (const Key& key : keys) {
            // A key that is not there changes nothing.
            if (!Present(key)) continue;
            Start(key);
            int32_t root = nodes_[0].down;
            int depth = 0;
            bool shrunk = false;
            Delete(0, root, depth, shrunk);
            nodes_[0].down = root;
        }
    }

private:
    MNode& N(int32_t k) { return nodes_.at(static_cast<size_t>(k)); }
    void Start(const Key& key) {
        parts_ = key;
        front_ = 0;
    }
    size_t Left() const { return parts_.size() - front_; }
    int Compare(int32_t k) const {
        const std::string& part = parts_[front_];
        return ComparePart(Number(part), Text(part), nodes_[k].type, nodes_[k].name);
    }

    bool Present(const Key& key) {
        Start(key);
        int32_t k = nodes_[0].down;
        while (k != 0) {
            const int c = Compare(k);
            if (c < 0) k = N(k).left;
            else if (c > 0) k = N(k).right;
            else if (Left() == 1) return true;
            else {
                ++front_;
                k = N(k).down;
            }
        }
        return false;
    }

    void Grow(int32_t n) {
        int32_t steps = 0;
        for (int32_t k = 0; N(k).up >= 1; k = N(k).up) ++steps;
        const int32_t free = std::max(steps - 1, 0);
        if (free >= n) return;
        nodes_.resize(nodes_.size() + static_cast<size_t>(8 * n - free));
        int32_t k = 0;
        for (int32_t i = 0; i < 8 * n; ++i) {
            k = N(k).up;
            if (N(k).up == 0) N(k).up = k + 1;
        }
    }

    int32_t Alloc(int32_t owner) {
        const int32_t k = nodes_[0].up;
        nodes_[0].up = N(k).up != 0 ? N(k).up : k + 1;
        const std::string& part = parts_[front_];
        N(k) = MNode{0, owner, 0, 0, 0, Left() == 1 ? dataIndex_ : 0, Number(part), Text(part).substr(0, 32)};
        return k;
    }

    void Free(int32_t k) {
        MNode& n = N(k);
        n.up = nodes_[0].up;
        nodes_[0].up = k;
        n.left = n.right = n.down = n.type = n.dindex = 0;
    }

    void Insert(int32_t owner, int32_t& p, int& depth, bool& grown) {
        if (p == 0) {
            p = Alloc(owner);
            grown = true;
            if (Left() > 1) InsertDown(p);
            return;
        }
        const int c = Compare(p);
        if (c > 0 || c < 0) {
            ++depth;
            int32_t child = c > 0 ? N(p).right : N(p).left;
            Insert(N(p).up, child, depth, grown);
            (c > 0 ? N(p).right : N(p).left) = child;
            --depth;
            if (grown) Grown(p, c > 0 ? 1 : -1, grown);
            if (depth == 0) N(N(p).up).down = p;
        } else if (Left() > 1) {
            InsertDown(p);
        }
    }

    void InsertDown(int32_t p) {
        ++front_;
        int32_t down = N(p).down;
        int d = 0;
        bool g = false;
        Insert(p, down, d, g);
        N(p).down = down;
    }

    // The child on side s: -1 left, +1 right.
    int32_t& Side(int32_t k, int s) { return s < 0 ? N(k).left : N(k).right; }

    // Rotations towards the heavy side h of p, whose child there is p1; p becomes
    // the new top of the subtree.
    void Single(int32_t& p, int32_t p1, int h) {
        Side(p, h) = Side(p1, -h);
        Side(p1, -h) = p;
        p = p1;
    }
    void Double(int32_t& p, int32_t p1, int h) {
        const int32_t p2 = Side(p1, -h);
        const int b2 = N(p2).balance;
        Side(p1, -h) = Side(p2, h);
        Side(p2, h) = p1;
        Side(p, h) = Side(p2, -h);
        Side(p2, -h) = p;
        N(p).balance = b2 == h ? -h : 0;
        N(p1).balance = b2 == -h ? h : 0;
        p = p2;
        N(p2).balance = 0;
    }

    // The subtree on side s of p grew by one level.
    void Grown(int32_t& p, int s, bool& grown) {
        if (N(p).balance == -s) {
            N(p).balance = 0;
            grown = false;
        } else if (N(p).balance == 0) {
            N(p).balance = s;
        } else {
            const int32_t p1 = Side(p, s);
            if (N(p1).balance == s) {
                N(p).balance = 0;
                Single(p, p1, s);
            } else {
                Double(p, p1, s);
            }
            N(p).balance = 0;
            grown = false;
        }
    }

    void Delete(int32_t owner, int32_t& p, int& depth, bool& shrunk) {
        if (p == 0) {
            shrunk = false;
            return;
        }
        const int c = Compare(p);
        if (c != 0) {
            const int s = c < 0 ? -1 : 1;
            ++depth;
            int32_t child = Side(p, s);
            Delete(owner, child, depth, shrunk);
            Side(p, s) = child;
            --depth;
            if (shrunk) Shrunk(p, -s, shrunk);
            return;
        }
        if (Left() > 1) {
            ++front_;
            int32_t down = N(p).down;
            int d = 0;
            bool s = false;
            Delete(p, down, d, s);
            N(p).down = down;
            if (down != 0) {
                shrunk = false;
                return;
            }
        }
        const int32_t q = p;
        if (N(q).right == 0) {
            p = N(q).left;
            shrunk = true;
        } else if (N(q).left == 0) {
            p = N(q).right;
            shrunk = true;
        } else {
            int32_t sub = N(q).left;
            bool subShrunk = false;
            const int32_t r = DetachRightmost(sub, subShrunk);
            N(r).left = sub;
            N(r).right = N(q).right;
            N(r).balance = N(q).balance;
            p = r;
            shrunk = subShrunk;
            if (shrunk) Shrunk(p, 1, shrunk);
        }
        Free(q);
    }

    int32_t DetachRightmost(int32_t& s, bool& shrunk) {
        if (N(s).right != 0) {
            int32_t right = N(s).right;
            const int32_t r = DetachRightmost(right, shrunk);
            N(s).right = right;
            if (shrunk) Shrunk(s, -1, shrunk);
            return r;
        }
        const int32_t r = s;
        s = N(s).left;
        shrunk = true;
        return r;
    }

    // The subtree on the side opposite h of p shrank by one level.
    void Shrunk(int32_t& p, int h, bool& shrunk) {
        if (N(p).balance == -h) {
            N(p).balance = 0;
        } else if (N(p).balance == 0) {
            N(p).balance = h;
            shrunk = false;
        } else {
            const int32_t p1 = Side(p, h);
            const int b1 = N(p1).balance;
            if (b1 != -h) {
                Single(p, p1, h);
                N(p).balance = b1 == 0 ? -h : 0;
                N(Side(p, -h)).balance = b1 == 0 ? h : 0;
                if (b1 == 0) shrunk = false;
            } else {
                Double(p, p1, h);
            }
        }
    }

    std::vector<MNode> nodes_;
    Key parts_;
    size_t front_ = 0;
    int32_t dataIndex_ = 0;
};

// ---- the file as bytes ----------------------------------------------------------------

int32_t I32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

// First difference between the file and the model, or empty.
std::string CompareWithModel(const std::string& path, const NodeModel& model) {
    const auto b = ReadBytes(path);
    if (b.size() != model.Size())
        return "size " + std::to_string(b.size()) + ", model " + std::to_string(model.Size());
    const auto& nodes = model.Nodes();
    if (I32(b, 0) != nodes[0].down)
        return "root " + std::to_string(I32(b, 0)) + ", model " + std::to_string(nodes[0].down);
    if (I32(b, 4) != nodes[0].up)
        return "NextFree " + std::to_string(I32(b, 4)) + ", model " + std::to_string(nodes[0].up);
    const size_t last = nodes.size() - 1;
    for (size_t k = 1; k < last; ++k) {
        const size_t o = 64 * k;
        const char* name = reinterpret_cast<const char*>(&b[o + 26]);
        const MNode n{I32(b, o),      I32(b, o + 4),  I32(b, o + 8), I32(b, o + 12), static_cast<int16_t>(b[o + 16] | b[o + 17] << 8),
                      I32(b, o + 20), static_cast<int16_t>(b[o + 24] | b[o + 25] << 8), std::string(name, strnlen(name, 33))};
        if (!(n == nodes[k])) return "node " + std::to_string(k) + ": " + Describe(n) + ", model " + Describe(nodes[k]);
    }
    if (I32(b, 64 * last) != 0 || I32(b, 64 * last + 4) != 0) return "the high-water node is not blank";
    return "";
}

// ---- the table the keys come from -----------------------------------------------------

const std::vector<std::string> kIndexes = {"NAME", "PLANT"};

Key PrimaryKey(int32_t record) {
    return {P('C', 0, "P_KEY"), P('N', 0, "0"), P('N', 80, std::to_string(record))};
}

Key SecondaryKey(const std::string& index, const std::string& value, int32_t record) {
    return {P('C', 0, "S_KEY"), P('N', 0, "0"), P('C', 0, index), P('C', 0, value),
            P('N', 80, std::to_string(record))};
}

// Field values that exercise the order: digit runs, case, blanks, texts that
// agree in their first 32 characters, and empty ones.
const std::vector<std::string> kValues = {
    "", "a", "b", "A", "a1", "a2", "a10", "a01", "0", "00", "7", "12", "x y", "x-y", "FT-101", "FT-1010",
    std::string(32, 'L') + "one", std::string(32, 'L') + "two", std::string(31, 'L') + "9", "Ventil \x84"};

TKeyList Join(const std::vector<Key>& keys) {
    TKeyList list;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i) list.push_back(korin::kKeySeparator);
        list.insert(list.end(), keys[i].begin(), keys[i].end());
    }
    return list;
}

class ModelRun {
public:
    ModelRun(uint32_t seed, const std::string& dir) : rng_(seed), dir_(dir) {
        kf_.SetProject(dir);
        kf_.SetFileName("000042");
        kf_.CreateNew(true);
        kf_.Open();
    }

    std::string Path() const { return dir_ + "000042"; }

    // One random operation; the description says what was done.
    std::string Step(int insertPercent) {
        std::uniform_int_distribution<int32_t> record(0, 90);
        std::uniform_int_distribution<int> percent(0, 99);
        std::uniform_int_distribution<size_t> value(0, kValues.size() - 1), index(0, kIndexes.size() - 1);
        const int32_t r = record(rng_);
        const int roll = percent(rng_);
        if (roll < insertPercent) {
            // A record with its primary key and one key per index; adding a
            // present record again must change nothing.
            std::vector<Key> keys = {PrimaryKey(r)};
            for (const auto& idx : kIndexes) keys.push_back(SecondaryKey(idx, kValues[value(rng_)], r));
            if (records_.count(r)) keys = Keys(r);
            Apply(keys, true, r + 1);
            return "add record " + std::to_string(r);
        }
        if (roll < insertPercent + 8 && records_.count(r)) {
            // A field value changes: the old secondary key goes, a new one comes.
            const std::string idx = kIndexes[index(rng_)];
            const std::string now = kValues[value(rng_)];
            Apply({SecondaryKey(idx, records_[r][idx], r)}, false, 0);
            Apply({SecondaryKey(idx, now, r)}, true, r + 1);
            return "change " + idx + " of record " + std::to_string(r) + " to [" + now + "]";
        }
        if (roll < insertPercent + 12) {
            // A key that extends a present one, or that is not there at all.
            Key key = PrimaryKey(r);
            key.push_back(P('N', 0, "x"));
            Apply({key, SecondaryKey(kIndexes[index(rng_)], "absent", r)}, false, 0);
            return "delete absent keys of record " + std::to_string(r);
        }
        // Deleting a record that is not there is part of the mix.
        Apply(records_.count(r) ? Keys(r) : std::vector<Key>{PrimaryKey(r)}, false, 0);
        return "delete record " + std::to_string(r);
    }

    // Everything the file and the user see, or the first difference.
    std::string Check() {
        if (std::string d = CompareWithModel(Path(), model_); !d.empty()) return d;
        if (std::string v = kf_.Verify(); !v.empty()) return "audit: " + v;
        for (int32_t r = 0; r <= 91; ++r) {
            const auto it = keys_.find(PrimaryKey(r));
            const int32_t expected = it == keys_.end() ? -2 : it->second;
            if (kf_.Locate(PrimaryKey(r)) != expected)
                return "Locate of record " + std::to_string(r) + ": " + std::to_string(kf_.Locate(PrimaryKey(r)));
        }
        for (const auto& [key, rec] : keys_)
            if (kf_.Locate(key) != rec) return "Locate of a secondary key of record " + std::to_string(rec);
        kf_.ResetSelection();
        if (std::string d = CheckList({P('C', 0, "P_KEY"), P('N', 0, "0")}); !d.empty()) return "primary: " + d;
        for (const auto& idx : kIndexes) {
            const Key prefix = {P('C', 0, "S_KEY"), P('N', 0, "0"), P('C', 0, idx)};
            kf_.SetSelection(prefix, false);
            if (std::string d = CheckList(prefix); !d.empty()) return idx + ": " + d;
        }
        kf_.ResetSelection();
        return "";
    }

    std::string Reopen() {
        kf_.Close();
        kf_.Open();
        if (!kf_.IsOpen()) return "not open again";
        return Check();
    }

    size_t KeyCount() const { return keys_.size(); }

private:
    std::vector<Key> Keys(int32_t r) {
        std::vector<Key> keys = {PrimaryKey(r)};
        for (const auto& idx : kIndexes) keys.push_back(SecondaryKey(idx, records_[r][idx], r));
        return keys;
    }

    void Apply(const std::vector<Key>& keys, bool insert, int32_t dataIndex) {
        TKeyList list = Join(keys);
        if (insert) {
            bool fresh = false;
            for (const Key& k : keys)
                if (!keys_.count(k)) fresh = true;
            const bool inserted = kf_.AddKeys(list, dataIndex);
            if (inserted != fresh) failure_ = "AddKeys reported " + std::to_string(inserted);
            model_.AddKeys(keys, dataIndex);
            for (const Key& k : keys) {
                if (keys_.emplace(k, dataIndex - 1).second && k.size() == 5)
                    records_[dataIndex - 1][Text(k[2])] = Text(k[3]);
            }
        } else {
            kf_.DeleteKeys(list);
            model_.DeleteKeys(keys);
            for (const Key& k : keys) {
                keys_.erase(k);
                if (k.size() == 3) records_.erase(static_cast<int32_t>(std::stol(Text(k[2]))));
            }
        }
        if (!list.empty()) failure_ = "the key list was not consumed";
    }

    std::string CheckList(const Key& prefix) {
        std::vector<int32_t> expected;
        for (const auto& [key, rec] : keys_) {
            bool under = key.size() > prefix.size();
            for (size_t i = 0; under && i < prefix.size(); ++i)
                under = !KeyOrder()({key[i]}, {prefix[i]}) && !KeyOrder()({prefix[i]}, {key[i]});
            if (under) expected.push_back(rec);
        }
        std::vector<int32_t> seen;
        for (bool ok = kf_.First(); ok && seen.size() <= expected.size(); ok = kf_.Next())
            seen.push_back(kf_.CurrentRecord());
        if (seen != expected) return "list " + ::testing::PrintToString(seen) + ", expected " + ::testing::PrintToString(expected);
        if (kf_.RecordCount() != static_cast<int32_t>(expected.size()))
            return "RecordCount " + std::to_string(kf_.RecordCount());
        if (!expected.empty() && !kf_.Eof()) return "no Eof after the last record";
        return "";
    }

public:
    std::string failure_;

private:
    std::mt19937 rng_;
    std::string dir_;
    TKorKeyFile kf_;
    NodeModel model_;
    std::map<Key, int32_t, KeyOrder> keys_;
    std::map<int32_t, std::map<std::string, std::string>> records_;
};

void RunSeed(uint32_t seed, int steps) {
    TempDir dir;
    ModelRun run(seed, dir.Path());
    // Fill, churn, empty and fill again, so that freed nodes are reused and the
    // file grows only when the free chain runs short.
    const int phases[] = {80, 50, 15, 70};
    int step = 0;
    for (int phase = 0; phase < 4; ++phase) {
        for (int i = 0; i < steps / 4; ++i, ++step) {
            const std::string what = run.Step(phases[phase]);
            const std::string fault = run.failure_.empty() ? run.Check() : run.failure_;
            ASSERT_EQ(fault, "") << "seed " << seed << ", step " << step << " (" << what << ")";
            if (step % 97 == 96) {
                ASSERT_EQ(run.Reopen(), "") << "seed " << seed << ", reopened at step " << step;
            }
        }
    }
    ASSERT_EQ(run.Reopen(), "") << "seed " << seed << ", reopened at the end";
}

TEST(KeyFileModel, RandomTableKeysMatchTheModel) {
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        RunSeed(seed, 1200);
        if (HasFatalFailure()) return;
    }
}

TEST(KeyFileModel, EmptyingEveryIndexLeavesOnlyFreeNodes) {
    TempDir dir;
    ModelRun run(99, dir.Path());
    for (int i = 0; i < 400; ++i) {
        run.Step(100);
        ASSERT_EQ(run.failure_, "");
    }
    ASSERT_EQ(run.Check(), "");
    for (int i = 0; i < 4000 && run.KeyCount() > 0; ++i) {
        const std::string what = run.Step(0);
        ASSERT_EQ(run.failure_.empty() ? run.Check() : run.failure_, "") << "step " << i << " (" << what << ")";
    }
    ASSERT_EQ(run.KeyCount(), 0u);
    EXPECT_EQ(I32(ReadBytes(dir / "000042"), 0), 0) << "the root of an empty file";
    ASSERT_EQ(run.Reopen(), "");
}

}  // namespace
