// Random sequences of appends, edits, deletes, re-indexing and reopening,
// checked against a plain in-memory model: key order, finds by primary and
// secondary key, counts, refusals, and which slot each append takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "store/kor_table.h"
#include "test_table_support.h"

namespace {

using namespace korin;
using namespace korin::testing;

struct Rec {
    std::string v;
    std::string g;
    int32_t slot;
};

// The table: K (primary), V, G with the non-unique key "G" over G and the unique
// key "VG" over V and G. Keys "A00000" ... compare like plain strings in the key
// file's order (equal lengths, one digit run).
class Model {
public:
    std::map<std::string, Rec> records;  // by K
    std::vector<int32_t> freeSlots;      // the free chain, top at the back
    int32_t slots = 0;

    bool UniqueTaken(const std::string& v, const std::string& g, const std::string& except = "") const {
        for (const auto& [k, r] : records)
            if (k != except && r.v == v && r.g == g) return true;
        return false;
    }
    int32_t NextSlot() const { return freeSlots.empty() ? slots : freeSlots.back(); }
    void Reindexed() {
        std::set<int32_t> used;
        for (const auto& [k, r] : records) used.insert(r.slot);
        freeSlots.clear();
        for (int32_t s = 0; s < slots; ++s)
            if (!used.count(s)) freeSlots.push_back(s);
    }
};

std::string Key(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "A%05d", n);
    return buffer;
}

void Check(TKorTable& t, const Model& m) {
    std::vector<int32_t> expected;
    for (const auto& [k, r] : m.records) expected.push_back(r.slot);
    ASSERT_EQ(Slots(t), expected);
    const auto n = static_cast<int32_t>(m.records.size());
    ASSERT_EQ((std::vector<int32_t>{t.RecordCount(), t.HeaderRecordCount(), t.SlotCount()}), (std::vector<int32_t>{n, n, m.slots}));
    ASSERT_EQ(t.KeyFile().Verify(), "");
    for (const auto& [k, r] : m.records) {
        ASSERT_TRUE(t.FindByPrimary(k)) << k;
        ASSERT_EQ((std::vector<std::string>{std::to_string(t.CurrentSlot()), t.GetField(1), t.GetField(2)}),
                  (std::vector<std::string>{std::to_string(r.slot), r.v, r.g})) << k;
    }
    for (int g = 0; g < 6; ++g) {
        const std::string gs = std::to_string(g);
        std::vector<int32_t> inG;
        for (const auto& [k, r] : m.records)
            if (r.g == gs) inG.push_back(r.slot);  // G, then the pointer part (K)
        TIntegerList found;
        ASSERT_EQ(t.FindBySecondary("G", {gs}, found), !inG.empty());
        ASSERT_EQ(found.Values(), inG) << "G=" << g;
    }
}

void RunSequence(uint32_t seed, int steps) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
    TempDir dir;
    RecordingSink sink;
    auto t = MakeTable(dir, {Text("K", 8), Text("V", 3), Int("G")});
    t->DefineSecondaryKey("G", {"G"});
    t->DefineSecondaryKey("VG", {"V", "G"}, true);
    Model m;
    const char* values[] = {"x", "y", "z", "w"};
    auto randomRecord = [&]() -> const std::string& {
        auto it = m.records.begin();
        std::advance(it, pick(static_cast<int>(m.records.size())));
        return it->first;
    };

    for (int step = 0; step < steps; ++step) {
        const int op = pick(100);
        const size_t warnings = sink.errors.size();
        bool warned = false;  // a refused append or edit warns once
        if (op < 50 || m.records.empty()) {
            const std::string k = Key(pick(400));
            const std::string v = values[pick(4)];
            const int g = pick(6);
            const std::string given = pick(3) == 0 ? " " + std::to_string(g) + " " : std::to_string(g);
            const bool refused = m.records.count(k) || m.UniqueTaken(v, std::to_string(g));
            const int32_t expectedSlot = refused ? -1 : m.NextSlot();
            warned = refused;
            ASSERT_EQ(t->Append({k, v, given}), expectedSlot) << "step " << step;
            if (!refused) {
                m.records[k] = {v, std::to_string(g), expectedSlot};
                if (!m.freeSlots.empty() && m.freeSlots.back() == expectedSlot)
                    m.freeSlots.pop_back();
                else
                    ++m.slots;
            }
        } else if (op < 70) {
            const std::string k = randomRecord();
            ASSERT_TRUE(t->FindByPrimary(k));
            t->Delete();
            m.freeSlots.push_back(m.records[k].slot);
            m.records.erase(k);
        } else if (op < 85) {
            // An edit that would give the record a key another record holds is
            // refused with the warning, and the record keeps its value and keys.
            const std::string k = randomRecord();
            Rec& r = m.records[k];
            const bool editV = pick(2) == 0;
            const std::string v = editV ? values[pick(4)] : r.v;
            const std::string g = editV ? r.g : std::to_string(pick(6));
            const bool refused = m.UniqueTaken(v, g, k);
            warned = refused;
            ASSERT_TRUE(t->GoToSlot(r.slot));
            ASSERT_EQ(t->EditField(editV ? 1 : 2, editV ? v : g), !refused) << "step " << step;
            if (!refused) {
                r.v = v;
                r.g = g;
            }
        } else if (op < 93) {
            const std::string k = randomRecord();
            const std::string nk = Key(pick(400));
            const bool refused = m.records.count(nk) && nk != k;
            warned = refused;
            ASSERT_TRUE(t->FindByPrimary(k));
            ASSERT_EQ(t->EditField(0, nk), !refused) << "step " << step;
            if (!refused) {
                const Rec moved = m.records[k];
                m.records.erase(k);
                m.records[nk] = moved;
            }
        } else if (op < 96) {
            t->Reindex();
            m.Reindexed();
        } else {
            t->Close();
            t = OpenTable(dir);
        }
        ASSERT_EQ(sink.errors.size(), warnings + (warned ? 1 : 0)) << "step " << step;
        if (step % 50 == 0) {
            Check(*t, m);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
    Check(*t, m);
}

TEST(TableModel, RandomSequencesAgreeWithTheModel) {
    for (uint32_t seed : {1u, 2u, 3u, 20240601u}) {
        RunSequence(seed, 1500);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

}  // namespace
