// The bounded walkers over a hand-made node table: the four orders, and where
// each kind of damage stops a tree walk or a chain walk.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <tuple>
#include <vector>

#include "store/kor_tree_walk.h"

namespace {

using korin::TKorChainWalk;
using korin::TKorKeyTable;
using korin::TKorTreeWalk;
using Order = TKorTreeWalk::Order;
using Damage = TKorTreeWalk::Damage;

// Nine nodes: the level 4(2(1,3),6(5,7)), node 2 owning the one-node tree 8;
// the chain 2 -> 5 -> 7 -> 9 (the high-water node) through Up.
struct Nodes {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(64 * 9 + 8, 0);
    TKorKeyTable t;
    Nodes() {
        t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
        for (auto [k, l, r] : {std::array{4, 2, 6}, {2, 1, 3}, {6, 5, 7}}) t.SetLeft(k, l), t.SetRight(k, r);
        t.SetDown(2, 8);
        for (auto [k, up] : {std::pair{2, 5}, {5, 7}, {7, 9}}) t.SetUp(k, up);
    }
};

TEST(TreeWalk, OrdersAndDamage) {
    using Repeats = TKorTreeWalk::Repeats;
    struct Case {
        const char* what;
        Order order;
        Repeats repeats;
        std::function<void(TKorKeyTable&)> damage;
        std::vector<int32_t> visited;
        Damage found;
        std::vector<int32_t> outsideAndFrom;
        std::vector<int32_t> repeated;
    };
    const auto none = [](TKorKeyTable&) {};
    const std::vector<Case> cases = {
        {"down first", Order::DownFirst, Repeats::Ring, none, {1, 8, 2, 3, 4, 5, 6, 7}, Damage::None, {}, {}},
        {"self first", Order::SelfFirst, Repeats::Ring, none, {1, 2, 8, 3, 4, 5, 6, 7}, Damage::None, {}, {}},
        {"level", Order::Level, Repeats::Ring, none, {1, 2, 3, 4, 5, 6, 7}, Damage::None, {}, {}},
        {"post order", Order::PostOrder, Repeats::Ring, none, {1, 3, 8, 2, 5, 7, 6, 4}, Damage::None, {}, {}},
        {"negative link", Order::Level, Repeats::Ring, [](TKorKeyTable& t) { t.SetLeft(5, -2); },
         {1, 2, 3, 4}, Damage::Outside, {-2, 5}, {}},
        {"link to the high-water node", Order::Level, Repeats::Skip, [](TKorKeyTable& t) { t.SetRight(7, 9); },
         {1, 2, 3, 4, 5, 6, 7}, Damage::Outside, {9, 7}, {}},
        {"ring skipped", Order::DownFirst, Repeats::Skip, [](TKorKeyTable& t) { t.SetRight(3, 4); },
         {1, 8, 2, 3, 4, 5, 6, 7}, Damage::None, {}, {4}},
        {"self link", Order::Level, Repeats::Ring, [](TKorKeyTable& t) { t.SetRight(3, 3); },
         {1, 2}, Damage::SelfLink, {}, {}},
        // 4, 2, 1, 8 are entered a second time: more than the file's nine nodes and one
        {"ring", Order::DownFirst, Repeats::Ring, [](TKorKeyTable& t) { t.SetRight(7, 4); },
         {1, 8, 2, 3, 4, 5, 6, 7}, Damage::Ring, {}, {}},
    };
    for (const Case& c : cases) {
        Nodes n;
        c.damage(n.t);
        TKorTreeWalk walk(c.order, c.repeats);
        walk.Start(n.t, 4);
        std::vector<int32_t> visited;
        for (int32_t k = walk.Next(n.t); k >= 0; k = walk.Next(n.t)) {
            visited.push_back(k);
            EXPECT_EQ(walk.Depth(), k == 8 ? 1 : 0) << c.what;
            EXPECT_EQ(walk.Owner(), k == 8 ? 2 : 0) << c.what;
        }
        EXPECT_EQ(visited, c.visited) << c.what;
        EXPECT_EQ(walk.Found(), c.found) << c.what;
        if (c.found == Damage::Outside) {
            EXPECT_EQ((std::vector<int32_t>{walk.OutsideNode(), walk.OutsideFrom()}), c.outsideAndFrom) << c.what;
        }
        EXPECT_EQ(walk.Repeated(), c.repeated) << c.what;
    }
}

TEST(ChainWalk, EndsAtTheEndNodeOrAtDamage) {
    const std::vector<std::tuple<int32_t, int32_t, std::vector<int32_t>, Damage, bool>> cases = {
        {0, 0, {2, 5, 7}, Damage::None, true},    // sound: stops at the high-water node
        {7, 5, {}, Damage::Ring, false},          // 7 links back to 5: 2, 5, 7, 5 ... up to the bound
        {5, 12, {2, 5}, Damage::Outside, false},  // leaves the file after 5
        {5, 0, {2, 5}, Damage::None, false},      // cut short by a link 0
    };
    for (const auto& [node, up, expected, damage, reachedEnd] : cases) {
        Nodes n;
        if (node != 0) n.t.SetUp(node, up);
        TKorChainWalk chain;
        chain.Start(2, 9);
        std::vector<int32_t> met;
        for (int32_t k = chain.Next(n.t); k > 0; k = chain.Next(n.t)) met.push_back(k);
        if (damage != Damage::Ring) {
            EXPECT_EQ(met, expected);
        }
        EXPECT_LE(met.size(), 10u);
        EXPECT_EQ(chain.Found(), damage);
        EXPECT_EQ(chain.ReachedEnd(), reachedEnd);
        if (damage == Damage::Outside) {
            EXPECT_EQ(chain.OutsideNode(), 12);
        }
    }
}

}  // namespace
