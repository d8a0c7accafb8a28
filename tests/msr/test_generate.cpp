// Page generation, removal of outdated pages and the refusals on a small demo.
#include <gtest/gtest.h>

#include "msr/msr_adapt.h"
#include "msr/msr_assign.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_generate.h"
#include "drawing/drawing_test.h"
#include "msr_fixture.h"
#include "store/kor_path.h"

namespace korin::testing {
namespace {

using namespace korin::msr;

class MsrGenerate : public MsrProjectTest {
protected:
    std::vector<TOriginalRow> Rows() { return OriginalRows(BuildOriginalLists(Originals(), {"TYPICALS"})); }
    // Every measure point gets its originals by processing function.
    void AssignAll(TMsrProject& p) {
        const TAssignResult r = AutoAssign(p.mpoint, Rows(), TCriterion::Processing, p.Designations());
        ASSERT_EQ(r.assigned, static_cast<int32_t>(p.Designations().size()));
    }
    TGenerateResult Run(TMsrProject& p, const TMsrRun& run = {}) {
        TPageGenerator g(p, ReadLevels(p.Dir()), run);
        return g.Generate(p.Designations());
    }
    std::vector<TPagePair> Pages(TMsrProject& p, const std::string& mp) {
        EXPECT_TRUE(p.mpoint.FindByPrimary(mp));
        return PagePairs(p.mpoint.GetFieldById(field::kDrawing));
    }
    // The names of the catalogue path of a page file.
    std::vector<std::string> PathOf(TMsrProject& p, const std::string& file) {
        std::vector<std::string> names;
        p.Catalogue().EntryPath(EntryOfFile(file), names);
        return names;
    }
    RecordingSink sink_;
};

TEST_F(MsrGenerate, EveryAssignedOriginalBecomesAFilledRegisteredPage) {
    TMsrProject p(Project());
    AssignAll(p);
    size_t expected = 0;
    for (const std::string& mp : p.Designations())
        if (p.mpoint.FindByPrimary(mp)) expected += SplitCommaText(p.mpoint.GetFieldById(field::kOriginal)).size();
    const TGenerateResult r = Run(p);
    EXPECT_EQ(std::make_pair(r.created, r.refused.size()), std::make_pair(static_cast<int32_t>(expected), size_t{0}));
    EXPECT_EQ(ExpectConsistent(p).size(), expected);
    // The title block and the drawing record carry the measure point's data
    // and its level path Bereich / plant / designation / page.
    const std::string mp = p.Designations().front();
    const std::vector<TPagePair> pages = Pages(p, mp);
    ASSERT_FALSE(pages.empty());
    const std::string plant = p.mpoint.GetFieldById(field::kPlant);
    ASSERT_TRUE(p.unit.FindByPrimary(plant));
    const std::string area = p.unit.GetFieldByName("Bereich");
    for (size_t k = 0; k < pages.size(); ++k) {
        TKorDrawing d;
        OpenPage(d, p.Dir(), pages[k].file);
        const TKorDrawSym& t = *d.SymbolAt(0);
        const std::vector<std::pair<int32_t, std::string>> codes{
            {60, area}, {61, plant}, {63, mp}, {64, ""}, {62, std::to_string(k + 1)}, {12135, mp},
            {2, p.mpoint.GetFieldById(2)}, {65, p.mpoint.GetFieldById(12139)}, {76, p.mpoint.GetFieldById(76)}};
        for (const auto& [code, text] : codes) EXPECT_EQ(t.GetCode(code), text) << "code " << code;
        EXPECT_EQ(PathOf(p, pages[k].file), (std::vector<std::string>{area, plant, mp, std::to_string(k + 1)}));
        ASSERT_TRUE(p.drawing.FindByPrimary(pages[k].file));
        EXPECT_EQ(p.drawing.GetField(8), mp);
        EXPECT_EQ(p.drawing.GetField(12), pages[k].original.substr(0, pages[k].original.find('-')));
    }
}

TEST_F(MsrGenerate, UnchangedAssignmentKeepsPagesAndAChangedOneRenumbersThem) {
    TMsrProject p(Project());
    AssignAll(p);
    Run(p);
    const std::string mp = p.Designations().front();
    const std::vector<TPagePair> before = Pages(p, mp);
    const TGenerateResult again = Run(p);
    EXPECT_EQ(again.created + again.removed, 0);
    EXPECT_EQ(Pages(p, mp).size(), before.size());
    // One more original: every page of the measure point is made anew from 1.
    std::vector<TOriginalRow> extra;
    for (const TOriginalRow& row : Rows())
        if (!Contains(SplitCommaText(p.mpoint.GetFieldById(field::kOriginal)), row.Name())) extra = {row};
    ASSERT_EQ(Apply(p.mpoint, AssignmentOf(extra), {mp}).assigned, 1);
    const TGenerateResult r = Run(p);
    EXPECT_EQ(std::make_pair(r.removed, r.created), std::make_pair(static_cast<int32_t>(before.size()),
                                                                   static_cast<int32_t>(before.size() + 1)));
    const std::vector<TPagePair> after = Pages(p, mp);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.back().original, extra[0].Name());
    for (size_t k = 0; k < after.size(); ++k) EXPECT_EQ(PathOf(p, after[k].file).back(), std::to_string(k + 1));
    ExpectConsistent(p);
}

TEST_F(MsrGenerate, RemovedAssignmentTakesPagesReferencesAndLinkMarksAway) {
    TMsrProject p(Project());
    AssignAll(p);
    Run(p);
    const std::string mp = p.Designations()[0], other = p.Designations()[1];
    // The page names `other` as linked measure point, which carries the mark.
    const std::vector<TPagePair> pages = Pages(p, mp);
    TKorDrawing d;
    OpenPage(d, p.Dir(), pages[0].file);
    d.SymbolAt(0)->SetCode(803, other);
    ASSERT_TRUE(d.Save());
    p.mpoint.FindByPrimary(other);
    p.mpoint.SetFieldById(field::kKind, p.mpoint.GetFieldById(field::kKind) + "x");
    TAdaptResult adapted;
    EnsureReferenceList(p, adapted);
    for (const std::vector<std::string>& rec :
         {std::vector<std::string>{mp, "1", mp, ""}, {mp, "2", other, other}, {other, "1", other, mp}})
        ASSERT_GE(p.ref.Append(rec), 0);
    ASSERT_EQ(RemoveAssignment(p.mpoint, {mp}), 1);
    const TGenerateResult r = Run(p);
    EXPECT_EQ(r.removed, static_cast<int32_t>(pages.size()));
    EXPECT_TRUE(Pages(p, mp).empty());
    p.mpoint.FindByPrimary(other);
    EXPECT_EQ(p.mpoint.GetFieldById(field::kKind).find('x'), std::string::npos);
    TIntegerList slots;
    EXPECT_FALSE(p.ref.FindBySecondary("Loop", {mp}, slots));
    ASSERT_TRUE(p.ref.FindBySecondary("Loop", {other}, slots));
    p.ref.GoToSlot(slots.Items(0));
    EXPECT_EQ(p.ref.GetFieldById(603), "");
    ExpectConsistent(p);
}

TEST_F(MsrGenerate, AMissingOriginalFileIsReportedAndUsesNoPageNumber) {
    TMsrProject p(Project());
    AssignAll(p);
    // A measure point with two originals loses the file of its first one.
    std::string mp;
    std::vector<std::string> path;
    for (const std::string& d : p.Designations())
        if (mp.empty() && p.mpoint.FindByPrimary(d) && (path = SplitCommaText(p.mpoint.GetFieldById(field::kOrigPath))).size() >= 3) mp = d;
    ASSERT_FALSE(mp.empty());
    ASSERT_TRUE(path::RemoveFile(path[0] + path[1]));
    const TGenerateResult r = Run(p);
    ASSERT_FALSE(r.refused.empty());
    EXPECT_NE(r.refused.front().find(mp), std::string::npos);
    const std::vector<TPagePair> pages = Pages(p, mp);
    ASSERT_EQ(pages.size(), path.size() - 2);
    EXPECT_EQ(PathOf(p, pages[0].file).back(), "1");
    ExpectConsistent(p);
}

TEST_F(MsrGenerate, CancellingStopsBetweenMeasurePointsAndLeavesTheProjectWhole) {
    TMsrProject p(Project());
    AssignAll(p);
    int asked = 0;
    const TGenerateResult r = Run(p, {.cancelled = [&] { return ++asked > 3; }, .log = {}});
    EXPECT_EQ(std::make_pair(r.cancelled, r.measurePoints), std::make_pair(true, 3));
    ExpectConsistent(p);
    EXPECT_TRUE(Pages(p, p.Designations()[3]).empty());
    const TGenerateResult rest = Run(p);
    EXPECT_EQ(std::make_pair(rest.cancelled, rest.removed), std::make_pair(false, 0));
    for (const std::string& mp : p.Designations()) EXPECT_FALSE(Pages(p, mp).empty()) << mp;
    ExpectConsistent(p);
}

TEST_F(MsrGenerate, PagesThatDoNotFitDrawingAreRefusedNotCut) {
    TMsrProject p(Project());
    // As many originals as ORIGINAL and ORIGPATH take; DRAWING, with a file
    // name per original, overflows first.
    const std::string mp = p.Designations().front();
    std::vector<TOriginalRow> chosen;
    for (const TOriginalRow& row : Rows()) {
        chosen.push_back(row);
        p.mpoint.FindByPrimary(mp);
        const TAssignment a = AssignmentOf(chosen);
        std::vector<std::string> path{a.directory};
        path.insert(path.end(), a.files.begin(), a.files.end());
        if (JoinCommaText(a.names).size() > 137 || PathText(path).size() > 137) {
            chosen.pop_back();
            break;
        }
    }
    ASSERT_EQ(ApplyReplacing(p.mpoint, AssignmentOf(chosen), {mp}).assigned, 1);
    const TGenerateResult r = Run(p);
    ASSERT_EQ(r.refused.size(), 1u);
    for (const std::string& part : {std::string("DRAWING"), mp}) EXPECT_NE(r.refused[0].find(part), std::string::npos) << part;
    EXPECT_LT(Pages(p, mp).size(), chosen.size());
    EXPECT_LE(p.mpoint.GetFieldById(field::kDrawing).size(), 137u);
    ExpectConsistent(p);
}

TEST_F(MsrGenerate, AnOriginalWithoutTitleBlockEndsTheRunAndLeavesEveryPageWhole) {
    TMsrProject p(Project());
    AssignAll(p);
    const std::vector<std::string> mps = p.Designations();
    p.mpoint.FindByPrimary(mps.back());
    const std::vector<std::string> path = SplitCommaText(p.mpoint.GetFieldById(field::kOrigPath));
    WriteBytes(path[0] + path[1], gen::Build({.symbols = {{6, 3, "TT", {{20025, 0, 0, "1"}}}}}));
    EXPECT_EQ(MessageOf([&] { Run(p); }), "ModMSRCreatePages: Die Zeichnung fehlt oder ist fehlerhaft. Datei: " + path[0] + path[1]);
    EXPECT_TRUE(Pages(p, mps.back()).empty());
    ExpectConsistent(p);
}

// Level boxes resolved per measure point; blank levels and missing plants.
TEST_F(MsrGenerate, LevelBoxesResolvePerMeasurePoint) {
    TMsrProject p(Project());
    const std::string mp = p.Designations().front();
    ASSERT_TRUE(p.mpoint.FindByPrimary(mp));
    const std::string group = p.mpoint.GetFieldById(field::kFunctionGroup);
    struct Case { int32_t count; std::array<std::string, 3> boxes; std::vector<std::string> names; };
    const std::vector<Case> cases{
        {3, {"", "", "<MESSTELLE:Funktionsgruppe>"}, {group, mp, "1"}},
        {4, {"", "LIT", "<MESSTELLE:Ort_E_Tech>"}, {"LIT", kEmptyLevel, mp, "1"}},
        {5, {"A", "<ANLAGE:Bemerkung>", "<FOO:x>"}, {"A", kEmptyLevel, "<FOO:x>", mp, "1"}},
    };
    auto levelsOf = [](const Case& c) {
        TMsrLevels levels{.count = c.count};
        for (int32_t b = 1; b <= 3; ++b) levels.SetBox(b, c.boxes[static_cast<size_t>(b - 1)]);
        return levels;
    };
    for (const Case& c : cases) EXPECT_EQ(PageNames(levelsOf(c), p.mpoint, p.unit, 1), c.names) << c.count;
    p.mpoint.SetFieldById(field::kPlant, "KEINE");
    TMsrLevels levels = levelsOf({3, {"", "", "<ANLAGE:Bereich>"}, {}});
    EXPECT_EQ(PageNames(levels, p.mpoint, p.unit, 2)[0], "<ANLAGE:Bereich>");
    levels.SetBox(3, " ");
    EXPECT_FALSE(levels.Valid());
    TPageGenerator g(p, levels, {});
    EXPECT_TRUE(g.Generate({mp}).levelsInvalid);
    EXPECT_EQ(sink_.errors.back(), kLevelWarning);
}

}  // namespace
}  // namespace korin::testing
