// Comma texts, assignment by hand and automatically, and table adaptation.
#include <gtest/gtest.h>

#include "msr/msr_adapt.h"
#include "msr/msr_assign.h"
#include "msr/msr_comma_text.h"
#include "msr_fixture.h"

namespace korin::testing {
namespace {

using namespace korin::msr;

TEST(MsrCommaText, ReadsAndWritesTheFieldFormat) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"a,b", {"a", "b"}},         {"  a, b ,", {"a", "b"}},      {"a,,b", {"a", "", "b"}},
        {"a b", {"a", "b"}},         {"\"a b\",\"x\"\"y\"", {"a b", "x\"y"}},
        {"/o/,000012,000013,", {"/o/", "000012", "000013"}},      {"   ", {}},
    };
    for (const auto& [text, items] : cases) {
        EXPECT_EQ(SplitCommaText(text), items) << text;
        EXPECT_EQ(SplitCommaText(JoinCommaText(items)), items) << text;
    }
    EXPECT_EQ(JoinCommaText({"a b", "c"}), "\"a b\",c");
}

class MsrAssign : public MsrProjectTest {
protected:
    std::vector<TOriginalRow> Rows(const std::string& dir) { return OriginalRows(BuildOriginalLists(dir, {"TYPICALS"})); }
    std::vector<TOriginalRow> Of(const std::vector<TOriginalRow>& rows, const std::vector<std::string>& names) {
        std::vector<TOriginalRow> out;
        for (const std::string& n : names)
            for (const TOriginalRow& r : rows)
                if (r.Name() == n) out.push_back(r);
        EXPECT_EQ(out.size(), names.size());
        return out;
    }
    std::string Original(TMsrProject& p, const std::string& mp) {
        EXPECT_TRUE(p.mpoint.FindByPrimary(mp));
        return p.mpoint.GetFieldById(field::kOriginal);
    }
    RecordingSink sink_;
};

TEST_F(MsrAssign, ApplyMergesPagesOfOneOriginalProjectAndReplacesOthers) {
    // A second original project: the same typicals in another folder.
    std::filesystem::copy(Originals(), dir_.Path() + "Zweite", std::filesystem::copy_options::recursive);
    const std::vector<TOriginalRow> rows = Rows(Originals()), second = Rows(dir_.Path() + "Zweite");
    ASSERT_GE(rows.size(), 3u);
    const std::string a = rows[0].Name(), b = rows[1].Name(), c = rows[2].Name();
    TMsrProject p(Project());
    const std::string mp = p.Designations().front();
    EXPECT_EQ(Apply(p.mpoint, AssignmentOf({}), {mp}).assigned, 0);
    Apply(p.mpoint, AssignmentOf(Of(rows, {a, b})), {mp});
    Apply(p.mpoint, AssignmentOf(Of(rows, {b, c})), {mp});
    EXPECT_EQ(Original(p, mp), a + "," + b + "," + c);
    EXPECT_EQ(PathOf(p.mpoint).size(), 4u);
    Apply(p.mpoint, AssignmentOf(Of(second, {c})), {mp});
    EXPECT_EQ(Original(p, mp), c);
    EXPECT_EQ(PathOf(p.mpoint)[0], second[0].directory);
    // Apply to all overwrites whatever the measure points held.
    const std::vector<std::string> all = p.Designations();
    EXPECT_EQ(ApplyReplacing(p.mpoint, AssignmentOf(Of(rows, {a})), all).assigned, static_cast<int32_t>(all.size()));
    EXPECT_EQ(Original(p, mp), a);
}

TEST_F(MsrAssign, AnAssignmentLongerThanItsFieldIsRefusedWhole) {
    TMsrProject p(Project());
    const std::string mp = p.Designations().front();
    const std::vector<TOriginalRow> rows = Rows(Originals());
    Apply(p.mpoint, AssignmentOf({rows[0]}), {mp});
    const std::string before = Original(p, mp), beforePath = p.mpoint.GetFieldById(field::kOrigPath);
    std::vector<TOriginalRow> twice = rows;
    twice.insert(twice.end(), rows.begin(), rows.end());
    const TAssignResult r = ApplyReplacing(p.mpoint, AssignmentOf(twice), {mp});
    ASSERT_EQ(r.refused, std::vector<std::string>{mp});
    ASSERT_EQ(sink_.errors.size(), 1u);
    EXPECT_NE(sink_.errors[0].find(mp), std::string::npos);
    EXPECT_EQ(Original(p, mp), before);
    EXPECT_EQ(p.mpoint.GetFieldById(field::kOrigPath), beforePath);
}

TEST_F(MsrAssign, AutomaticAssignmentGroupsNeighboursAndSparesAssignedPoints) {
    TMsrProject p(Project());
    std::vector<TOriginalRow> rows = Rows(Originals());
    const std::vector<std::string> mps = p.Designations();
    // The first measure point is assigned already; it keeps its assignment.
    Apply(p.mpoint, AssignmentOf({rows.back()}), {mps[0]});
    const std::string kept = Original(p, mps[0]);
    const TAssignResult r = AutoAssign(p.mpoint, rows, TCriterion::Processing, mps);
    EXPECT_EQ(r.assigned, static_cast<int32_t>(mps.size()) - 1);
    EXPECT_EQ(Original(p, mps[0]), kept);
    for (size_t i = 1; i < mps.size(); ++i) {
        p.mpoint.FindByPrimary(mps[i]);
        const std::string want = p.mpoint.GetFieldById(field::kProcessing);
        std::vector<std::string> names;
        for (const TOriginalRow& row : rows)
            if (row.processing == want) names.push_back(row.Name());
        EXPECT_EQ(SplitCommaText(Original(p, mps[i])), names) << mps[i];
    }
    // A later group with the same criterion does not overwrite the first.
    RemoveAssignment(p.mpoint, mps);
    rows.push_back(rows.front());
    rows.back().page = 9;
    AutoAssign(p.mpoint, rows, TCriterion::Processing, mps);
    for (const std::string& mp : mps) EXPECT_EQ(Original(p, mp).find("-9"), std::string::npos) << mp;
}

TEST_F(MsrAssign, AdaptationAddsWhatIsMissingOnce) {
    TempDir plain;
    ASSERT_EQ(RunTool({"demo", plain.Path(), "--measure-points", "3", "--unadapted"}).exitCode, 0);
    TMsrProject p(plain.Path() + "Demo");
    ASSERT_EQ(p.mpoint.FieldDefs().IndexOfId(field::kDrawing), -1);
    const TAdaptResult first = AdaptTables(p);
    EXPECT_TRUE(first.wireKey && (first.refCreated || first.refKeys));
    EXPECT_EQ(std::make_tuple(first.mpointFields, p.ref.SecondaryKeyCount(), FieldWidthById(p.mpoint, field::kKind)),
              std::make_tuple(8, 5, 8));
    const TAdaptResult second = AdaptTables(p);
    EXPECT_EQ(second.mpointFields + second.wireFields, 0);
    EXPECT_FALSE(second.wireKey || second.refCreated || second.refKeys);
}

}  // namespace
}  // namespace korin::testing
