// The integer containers: the plain result list and the policy list whose
// sorted insertion bisects the list as it stands.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_int_list.h"

namespace {

using korin::TDuplicates;
using korin::TIntegerList;
using korin::TIntList;

std::vector<int32_t> Items(const TIntList& list) {
    std::vector<int32_t> v;
    for (int32_t i = 0; i < list.Count(); ++i) v.push_back(list.Items(i));
    return v;
}

// The insertion place of a sorted list, as the rules give it, over whatever
// order the list has.
size_t ModelPosition(const std::vector<int32_t>& items, int32_t value) {
    const int32_t count = static_cast<int32_t>(items.size());
    if (count == 0 || items.front() >= value) return 0;
    if (items.back() < value) return items.size();
    if (items.back() == value) return items.size() - 1;
    int32_t lo = 0, hi = count - 1, mid = 0;
    for (;;) {
        mid = (lo + hi) / 2;
        if (items[mid] == value) break;
        if (items[mid] < value) lo = mid + 1;
        else hi = mid - 1;
        if (hi < lo) break;
    }
    return static_cast<size_t>(mid) + (items[mid] < value ? 1 : 0);
}

void ModelAdd(std::vector<int32_t>& items, int32_t value, bool sorted, TDuplicates policy) {
    if (policy != TDuplicates::Accept && std::find(items.begin(), items.end(), value) != items.end()) return;
    const size_t p = sorted ? ModelPosition(items, value) : items.size();
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(std::min(p, items.size())), value);
}

// ---- TIntegerList ------------------------------------------------------------

TEST(IntegerList, ItemsOutsideTheListReadAsMinusOne) {
    TIntegerList list;
    EXPECT_EQ(list.Items(0), -1);
    EXPECT_EQ(list.Items(-1), -1);
    list.Add(42);
    list.Add(-7);
    list.Add(42);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(-1), -1);
    EXPECT_EQ(list.Items(3), -1);
    EXPECT_EQ(list.Items(0), 42);
    EXPECT_EQ(list.Items(1), -7);
    EXPECT_EQ(list.Items(2), 42);
}

TEST(IntegerList, IndexOfSetItemAndClear) {
    TIntegerList list;
    for (int32_t v : {5, 9, 5, 1}) list.Add(v);
    EXPECT_EQ(list.IndexOf(5), 0);  // the first place holding it
    EXPECT_EQ(list.IndexOf(1), 3);
    EXPECT_EQ(list.IndexOf(4), -1);
    list.SetItem(0, 4);
    EXPECT_EQ(list.Items(0), 4);
    EXPECT_EQ(list.IndexOf(5), 2);
    EXPECT_EQ(list.IndexOf(4), 0);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Items(0), -1);
    EXPECT_EQ(list.IndexOf(4), -1);
    list.Add(3);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0), 3);
}

// ---- TIntList ----------------------------------------------------------------

TEST(IntList, StartsUnsortedAndAcceptsDuplicates) {
    TIntList list;
    EXPECT_FALSE(list.Sorted());
    EXPECT_EQ(list.Duplicates(), TDuplicates::Accept);
    for (int32_t v : {5, 1, 3, 5}) list.Add(v);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{5, 1, 3, 5}));
    EXPECT_EQ(list.IndexOf(5), 0);
    EXPECT_EQ(list.IndexOf(2), -1);
}

TEST(IntList, SortedInsertionKeepsAscendingOrder) {
    TIntList list;
    list.SetSorted(true);
    for (int32_t v : {5, 1, 3}) list.Add(v);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 3, 5}));

    for (uint32_t seed = 1; seed <= 5; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int32_t> value(-50, 50);
        TIntList sorted;
        sorted.SetSorted(true);
        std::multiset<int32_t> model;
        for (int i = 0; i < 300; ++i) {
            const int32_t v = value(rng);
            sorted.Add(v);
            model.insert(v);
        }
        EXPECT_EQ(Items(sorted), std::vector<int32_t>(model.begin(), model.end())) << "seed " << seed;
    }
}

TEST(IntList, IgnorePolicyDropsValuesAlreadyPresent) {
    TIntList sorted;
    sorted.SetSorted(true);
    sorted.SetDuplicates(TDuplicates::Ignore);
    std::set<int32_t> model;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> value(0, 30);
    for (int i = 0; i < 200; ++i) {
        const int32_t v = value(rng);
        EXPECT_NO_THROW(sorted.Add(v));
        model.insert(v);
    }
    EXPECT_EQ(Items(sorted), std::vector<int32_t>(model.begin(), model.end()));

    TIntList unsorted;
    unsorted.SetDuplicates(TDuplicates::Ignore);
    for (int32_t v : {4, 2, 4, 9, 2}) unsorted.Add(v);
    EXPECT_EQ(Items(unsorted), (std::vector<int32_t>{4, 2, 9}));
}

TEST(IntList, ErrorPolicyRefusesDuplicatesWithTheirNumber) {
    TIntList list;
    list.SetDuplicates(TDuplicates::Error);
    list.Add(7);
    try {
        list.Add(7);
        FAIL() << "no error for a duplicate";
    } catch (const korin::Exception& e) {
        EXPECT_STREQ(e.what(), "IntList: Ein Eintrag mit der Nummer 7 existiert bereits!");
    }
    EXPECT_EQ(Items(list), (std::vector<int32_t>{7}));

    list.Add(-3);
    try {
        list.Add(-3);
        FAIL() << "no error for a duplicate";
    } catch (const korin::Exception& e) {
        EXPECT_STREQ(e.what(), "IntList: Ein Eintrag mit der Nummer -3 existiert bereits!");
    }
    EXPECT_EQ(Items(list), (std::vector<int32_t>{7, -3}));
}

TEST(IntList, SwitchingSortedOnKeepsTheOrderAndBisectsIt) {
    TIntList list;
    for (int32_t v : {1, 9, 2, 8}) list.Add(v);
    list.SetSorted(true);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 9, 2, 8}));
    // Bisection over 1 9 2 8 for 5: mid 1 (9, not below) -> hi 0; mid 0 (1, below)
    // -> lo 1; place 1.
    list.Add(5);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 5, 9, 2, 8}));
    // Larger than the last item: appended.
    list.Add(10);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 5, 9, 2, 8, 10}));
    // Not larger than the first: put in front.
    list.Add(0);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{0, 1, 5, 9, 2, 8, 10}));
}

TEST(IntList, DuplicateCheckLooksAtTheWholeUnorderedList) {
    // The bisection over 1 9 2 8 never reaches the 2 at index 2; the policy must
    // still see it.
    TIntList refusing;
    for (int32_t v : {1, 9, 2, 8}) refusing.Add(v);
    refusing.SetSorted(true);
    refusing.SetDuplicates(TDuplicates::Error);
    EXPECT_THROW(refusing.Add(2), korin::Exception);
    EXPECT_EQ(Items(refusing), (std::vector<int32_t>{1, 9, 2, 8}));

    TIntList ignoring;
    for (int32_t v : {1, 9, 2, 8}) ignoring.Add(v);
    ignoring.SetSorted(true);
    ignoring.SetDuplicates(TDuplicates::Ignore);
    ignoring.Add(2);
    EXPECT_EQ(Items(ignoring), (std::vector<int32_t>{1, 9, 2, 8}));
}

TEST(IntList, SortedInsertionIntoAnyOrderFollowsTheBisection) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int32_t> value(0, 40), len(0, 12);
        for (int round = 0; round < 200; ++round) {
            TIntList list;
            std::vector<int32_t> model;
            const int n = len(rng);
            for (int i = 0; i < n; ++i) {
                const int32_t v = value(rng);
                list.Add(v);
                model.push_back(v);
            }
            list.SetSorted(true);
            const auto policy = static_cast<TDuplicates>(round % 2 == 0 ? 1 : 0);
            list.SetDuplicates(policy);
            for (int i = 0; i < 5; ++i) {
                const int32_t v = value(rng);
                list.Add(v);
                ModelAdd(model, v, true, policy);
                ASSERT_EQ(Items(list), model) << "seed " << seed << " round " << round << " value " << v;
            }
        }
    }
}

TEST(IntList, DeleteAndClear) {
    TIntList list;
    list.SetSorted(true);
    for (int32_t v : {4, 2, 6}) list.Add(v);
    list.Delete(1);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{2, 6}));
    EXPECT_EQ(list.IndexOf(6), 1);
    list.Add(3);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{2, 3, 6}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add(1);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1}));
}

}  // namespace
