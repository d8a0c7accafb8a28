// The typicals and cable types the original pages and the sample data are
// derived from: each must be consistent on its own, or pages and tables drift
// apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "demo/demo_random.h"
#include "demo/demo_typicals.h"

namespace korin::demo {
namespace {

bool IsInstrumentType(int16_t type) {
    static const std::set<int16_t> types = {1, 3, 4, 5, 6, 10, 11, 12, 14, 16};
    return types.count(type) != 0;
}

TEST(DemoTypicals, InstrumentsAreUniqueAndDrawn) {
    for (const TTypical& t : Typicals()) {
        SCOPED_TRACE(t.name);
        std::set<std::string> keys, ownRoles, drawn;
        for (const TInstrumentDef& s : t.instruments) {
            EXPECT_TRUE(keys.insert(s.key).second) << s.key;
            EXPECT_TRUE(IsInstrumentType(s.symbolType)) << s.key;
            EXPECT_TRUE(s.recordKind == 6 || s.recordKind == 10);
            EXPECT_GE(s.instance, 1);
            EXPECT_LE(s.instance, 21);
            // Instr_Kennung and the INSTRUMENTIERUNG key hold one record per role.
            if (s.instance == 1) {
                EXPECT_TRUE(ownRoles.insert(s.role).second) << s.role;
            }
            EXPECT_FALSE(s.role.empty());
            EXPECT_FALSE(s.deviceTypes.empty());
            EXPECT_FALSE(s.makers.empty());
        }
        for (const TPageDef& page : t.pages) {
            EXPECT_GE(page.rows.size(), 1u);
            EXPECT_LE(page.rows.size(), 3u);
            for (const TLoopRow& row : page.rows) {
                for (const auto* list : {&row.field, &row.system})
                    for (const std::string& key : *list) {
                        EXPECT_NO_THROW(t.Instrument(key)) << key;
                        drawn.insert(key);
                    }
                EXPECT_LT(row.cable, static_cast<int32_t>(t.cables.size()));
                if (row.cable >= 0) {
                    const std::string& target = t.cables[static_cast<size_t>(row.cable)].target;
                    EXPECT_NE(std::find(row.field.begin(), row.field.end(), target), row.field.end())
                        << "a cable ends at a field instrument of its row";
                }
            }
        }
        EXPECT_EQ(drawn, keys) << "every instrument appears on a page";
    }
}

TEST(DemoTypicals, CablesTerminalsAndWiresDoNotCollide) {
    for (const TTypical& t : Typicals()) {
        SCOPED_TRACE(t.name);
        std::set<std::string> locations, terminals;
        std::map<int32_t, int> drawnOn;
        for (const TPageDef& page : t.pages)
            for (const TLoopRow& row : page.rows)
                if (row.cable >= 0) ++drawnOn[row.cable];
        for (size_t c = 0; c < t.cables.size(); ++c) {
            const TCableDef& cable = t.cables[c];
            // Location tells a measure point's cables apart for "ProjektAder".
            EXPECT_TRUE(locations.insert(cable.location).second) << cable.location;
            EXPECT_EQ(drawnOn[static_cast<int32_t>(c)], 1) << cable.location << " is drawn once";
            EXPECT_NO_THROW(t.Instrument(cable.target));
            ASSERT_NO_THROW(CableType(cable.cableType));
            const TCableType& type = CableType(cable.cableType);
            EXPECT_EQ(cable.potentials.size(), cable.wiresDrawn.size());
            std::set<int32_t> wires;
            for (size_t i = 0; i < cable.wiresDrawn.size(); ++i) {
                const int32_t w = cable.wiresDrawn[i];
                EXPECT_TRUE(wires.insert(w).second);
                EXPECT_GE(w, 1);
                EXPECT_LE(w, type.wires);
                EXPECT_TRUE(terminals.insert(cable.strip + ":" + std::to_string(cable.TerminalOf(i))).second)
                    << "terminal " << cable.strip << ":" << cable.TerminalOf(i) << " twice";
            }
        }
    }
}

TEST(DemoRandom, BetweenCoversItsRangeEvenly) {
    TRandom rnd(7);
    std::map<int32_t, int> seen;
    for (int i = 0; i < 60000; ++i) {
        const int32_t v = rnd.Between(-2, 3);
        ASSERT_GE(v, -2);
        ASSERT_LE(v, 3);
        ++seen[v];
    }
    ASSERT_EQ(seen.size(), 6u);
    for (auto [v, n] : seen) EXPECT_NEAR(n, 10000, 500) << v;
    EXPECT_EQ(rnd.Between(5, 5), 5);
    EXPECT_THROW(rnd.Between(2, 1), std::invalid_argument);
    // The full 32-bit range takes the raw value.
    TRandom a(3), b(3);
    EXPECT_EQ(static_cast<uint32_t>(a.Between(INT32_MIN, INT32_MAX)), b.Next());
}

TEST(DemoRandom, WeightedFollowsTheWeights) {
    TRandom rnd(11);
    const std::vector<int32_t> weights = {0, 1, 3, 0};
    int counts[4] = {};
    for (int i = 0; i < 40000; ++i) ++counts[rnd.Weighted(weights)];
    EXPECT_EQ(counts[0], 0);
    EXPECT_EQ(counts[3], 0);
    EXPECT_NEAR(counts[2], 30000, 800);
    EXPECT_THROW(rnd.Weighted(std::vector<int32_t>{0, 0}), std::invalid_argument);
    EXPECT_THROW(rnd.Weighted(std::vector<int32_t>{}), std::invalid_argument);
    EXPECT_THROW(rnd.Pick(std::vector<int>{}), std::invalid_argument);
}

}  // namespace
}  // namespace korin::demo
