// Measure points through a secondary key (whole and partial keys, the value
// list, the assignment list) checked against a walk of MESSTELLE.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "msr/msr_assign_nav.h"
#include "msr/msr_key_filter.h"
#include "msr_fixture.h"

namespace korin::testing {
namespace {

using namespace korin::msr;

using MsrKeyFilter = MsrProjectTest;

constexpr int32_t kPlanType = 76;

// Every record whose plant and plan type match (empty: any), in the order of
// the key "Anlage_Planart": plant, plan type, designation.
std::vector<std::string> Walk(TKorTable& t, const std::string& plant, const std::string& plan) {
    std::vector<std::tuple<std::string, std::string, std::string>> rows;
    for (bool ok = t.First(); ok; ok = t.Next())
        if ((plant.empty() || t.GetFieldById(1) == plant) && (plan.empty() || t.GetFieldById(kPlanType) == plan))
            rows.emplace_back(t.GetFieldById(1), t.GetFieldById(kPlanType), t.GetFieldById(field::kDesignation));
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(std::get<2>(row));
    return names;
}

TEST_F(MsrKeyFilter, WholeAndPartialKeysFindWhatAWalkFinds) {
    TMsrProject p(Project());
    ASSERT_GE(SecondaryKeyIndex(p.mpoint, "Anlage_Planart"), 0);
    EXPECT_EQ(SecondaryKeyFields(p.mpoint, "Anlage_Planart"), (std::vector<std::string>{"Bezeichner_Anlage", "Planart"}));
    // A second plant, so that the first field divides the table.
    ASSERT_TRUE(p.mpoint.FindByPrimary(p.Designations().back()));
    p.mpoint.SetFieldById(1, "B20");
    const std::string plant = p.mpoint.GetFieldById(1), plan = p.mpoint.GetFieldById(kPlanType);
    ASSERT_LT(Walk(p.mpoint, plant, "").size(), p.Designations().size());
    struct Case {
        std::vector<std::string> values;
        std::vector<std::string> expected;
    };
    for (const Case& c : std::vector<Case>{{{plant}, Walk(p.mpoint, plant, "")},
                                           {{plant, ""}, Walk(p.mpoint, plant, "")},
                                           {{plant, plan}, Walk(p.mpoint, plant, plan)},
                                           {{"", plan}, p.Designations()},
                                           {{}, p.Designations()},
                                           {{"KEINE"}, {}},
                                           {{plant, "KEINE"}, {}}})
        EXPECT_EQ(FilteredDesignations(p, {"Anlage_Planart", c.values}), c.expected)
            << ::testing::PrintToString(c.values);
    EXPECT_TRUE(FilteredDesignations(p, {"FEHLT", {plant}}).empty());

    // The value lists: the plants, then the plan types of one plant.
    std::set<std::string> plants{""}, plans{""};
    for (bool ok = p.mpoint.First(); ok; ok = p.mpoint.Next()) {
        plants.insert(p.mpoint.GetFieldById(1));
        if (p.mpoint.GetFieldById(1) == plant) plans.insert(p.mpoint.GetFieldById(kPlanType));
    }
    EXPECT_EQ(FilterValueChoices(p.mpoint, "Anlage_Planart", {}), std::vector<std::string>(plants.begin(), plants.end()));
    EXPECT_EQ(FilterValueChoices(p.mpoint, "Anlage_Planart", {plant}), std::vector<std::string>(plans.begin(), plans.end()));
    EXPECT_EQ(FilterValueChoices(p.mpoint, "Anlage_Planart", {"KEINE"}), std::vector<std::string>{""});
}

TEST_F(MsrKeyFilter, AssignmentListKeepsTheMarkAndTheInstruments) {
    TMsrProject p(Project());
    ASSERT_TRUE(p.mpoint.FindByPrimary(p.Designations().back()));
    p.mpoint.SetFieldById(1, "B20");
    ASSERT_TRUE(p.mpoint.FindByPrimary(p.Designations().front()));
    const std::string plant = p.mpoint.GetFieldById(1);
    std::vector<std::pair<std::string, std::string>> expected, found;
    for (const TCandidate& c : Candidates(p, 'E')) {
        ASSERT_TRUE(p.mpoint.FindByPrimary(c.designation));
        if (p.mpoint.GetFieldById(1) == plant) expected.emplace_back(c.designation, c.instruments);
    }
    for (const TCandidate& c : FilteredCandidates(p, {"Anlage", {plant}}, 'E')) found.emplace_back(c.designation, c.instruments);
    EXPECT_EQ(found, expected);
    ASSERT_LT(found.size(), Candidates(p, 'E').size());
    ASSERT_TRUE(std::any_of(found.begin(), found.end(), [](const auto& c) { return !c.second.empty(); }));
}

}  // namespace
}  // namespace korin::testing
