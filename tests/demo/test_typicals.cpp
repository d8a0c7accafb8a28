// The random numbers the sample data is drawn with: the same everywhere for a
// seed, and spread as asked. (The typicals' own consistency shows in the
// tables and pages made from them: see test_data.cpp.)
#include <gtest/gtest.h>

#include <map>

#include "demo/demo_random.h"

namespace korin::demo {
namespace {

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
    int counts[4] = {};
    for (int i = 0; i < 40000; ++i) ++counts[rnd.Weighted(std::vector<int32_t>{0, 1, 3, 0})];
    EXPECT_EQ(counts[0] + counts[3], 0);
    EXPECT_NEAR(counts[2], 30000, 800);
    EXPECT_THROW(rnd.Weighted(std::vector<int32_t>{0, 0}), std::invalid_argument);
    EXPECT_THROW(rnd.Weighted(std::vector<int32_t>{}), std::invalid_argument);
    EXPECT_THROW(rnd.Pick(std::vector<int>{}), std::invalid_argument);
}

}  // namespace
}  // namespace korin::demo
