// The bounded walkers over a hand-made node table: the four orders, and where
// each kind of damage stops a tree walk or a chain walk.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <tuple>
#include <vector>

#include "store/kor_tree_walk.h"

namespace {

using korin::TKorKeyTable;
using korin::TKorTreeWalk;
using D = TKorTreeWalk::Damage;
using O = TKorTreeWalk::Order;
using Patch = std::function<void(TKorKeyTable&)>;

// Nine nodes: the level 4(2(1,3),6(5,7)), node 2 owning the one-node tree 8;
// the chain 2 -> 5 -> 7 -> 9 (the high-water node) through Up.
struct Nodes {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(64 * 9 + 8, 0);
    TKorKeyTable t;
    explicit Nodes(const Patch& damage) {
        t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
        for (auto [k, l, r] : {std::array{4, 2, 6}, {2, 1, 3}, {6, 5, 7}}) t.SetLeft(k, l), t.SetRight(k, r);
        t.SetDown(2, 8);
        for (auto [k, up] : {std::array{2, 5}, {5, 7}, {7, 9}}) t.SetUp(k, up);
        if (damage) damage(t);
    }
};

TEST(TreeWalk, OrdersAndWhereDamageStopsThem) {
    // what, order, entries once, damage, visited, found, {outside node, from}, repeated
    const std::vector<std::tuple<const char*, O, bool, Patch, std::vector<int32_t>, D, std::array<int32_t, 2>,
                                 std::vector<int32_t>>>
        cases = {
            {"down first", O::DownFirst, false, {}, {1, 8, 2, 3, 4, 5, 6, 7}, D::None, {}, {}},
            {"self first", O::SelfFirst, false, {}, {1, 2, 8, 3, 4, 5, 6, 7}, D::None, {}, {}},
            {"level", O::Level, false, {}, {1, 2, 3, 4, 5, 6, 7}, D::None, {}, {}},
            {"post order", O::PostOrder, false, {}, {1, 3, 8, 2, 5, 7, 6, 4}, D::None, {}, {}},
            {"negative link", O::Level, false, [](auto& t) { t.SetLeft(5, -2); }, {1, 2, 3, 4}, D::Outside, {-2, 5}, {}},
            {"link to the high-water node", O::Level, true, [](auto& t) { t.SetRight(7, 9); },
             {1, 2, 3, 4, 5, 6, 7}, D::Outside, {9, 7}, {}},
            {"ring skipped", O::DownFirst, true, [](auto& t) { t.SetRight(3, 4); }, {1, 8, 2, 3, 4, 5, 6, 7}, D::None,
             {}, {4}},
            {"self link", O::Level, false, [](auto& t) { t.SetRight(3, 3); }, {1, 2}, D::SelfLink, {}, {}},
            // 4, 2, 1 are entered a second time: more than the file's nine nodes and one
            {"ring", O::DownFirst, false, [](auto& t) { t.SetRight(7, 4); }, {1, 8, 2, 3, 4, 5, 6, 7}, D::Ring, {}, {}},
        };
    for (const auto& [what, order, once, damage, visited, found, outside, repeated] : cases) {
        Nodes n(damage);
        TKorTreeWalk walk(order, once ? TKorTreeWalk::Repeats::Skip : TKorTreeWalk::Repeats::Ring);
        walk.Start(n.t, 4);
        std::vector<int32_t> met;
        for (int32_t k = walk.Next(n.t); k >= 0; k = walk.Next(n.t)) {
            met.push_back(k);
            EXPECT_EQ((std::array{walk.Depth(), walk.Owner()}), (k == 8 ? std::array{1, 2} : std::array{0, 0})) << what;
        }
        EXPECT_EQ(std::make_tuple(met, walk.Found(), std::array{walk.OutsideNode(), walk.OutsideFrom()}, walk.Repeated()),
                  std::make_tuple(visited, found, outside, repeated))
            << what;
    }
}

TEST(ChainWalk, EndsAtTheEndNodeOrAtDamage) {
    // damage, nodes met, found, reached the end node 9
    const std::vector<std::tuple<Patch, std::vector<int32_t>, D, bool>> cases = {
        {[](auto&) {}, {2, 5, 7}, D::None, true},
        {[](auto& t) { t.SetUp(7, 5); }, {2, 5, 7, 5, 7, 5, 7, 5, 7, 5}, D::Ring, false},  // ten: the bound
        {[](auto& t) { t.SetUp(5, 12); }, {2, 5}, D::Outside, false},
        {[](auto& t) { t.SetUp(5, 0); }, {2, 5}, D::None, false},  // cut short by a link 0
    };
    for (const auto& [damage, expected, found, reachedEnd] : cases) {
        Nodes n(damage);
        korin::TKorChainWalk chain;
        chain.Start(2, 9);
        std::vector<int32_t> met;
        for (int32_t k = chain.Next(n.t); k > 0; k = chain.Next(n.t)) met.push_back(k);
        EXPECT_EQ(std::make_tuple(met, chain.Found(), chain.ReachedEnd(), chain.OutsideNode()),
                  std::make_tuple(expected, found, reachedEnd, found == D::Outside ? 12 : 0));
    }
}

}  // namespace
