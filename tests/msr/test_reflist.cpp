// The reference list MSR_REF: adding, replacing and moving further measure
// points, their links, and the rebuild from the pages' title blocks.
#include <tuple>

#include "drawing/drawing_test.h"
#include "msr/msr_adapt.h"
#include "msr/msr_assign.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_further.h"
#include "msr/msr_generate.h"
#include "msr/msr_reflist.h"
#include "msr_fixture.h"

namespace korin::testing {
namespace {

using namespace korin::msr;

using Record = std::tuple<std::string, std::string, std::string, std::string>;  // Loop, No, Add, Link

class MsrRefList : public MsrProjectTest {
protected:
    // MSR_REF as a sorted list of its records.
    static std::vector<Record> Records(TMsrProject& p) {
        std::vector<Record> all;
        for (bool ok = p.ref.First(); ok; ok = p.ref.Next())
            all.emplace_back(p.ref.GetFieldById(600), p.ref.GetFieldById(601), p.ref.GetFieldById(602),
                             p.ref.GetFieldById(603));
        std::sort(all.begin(), all.end());
        return all;
    }
    static void Prepare(TMsrProject& p) {
        TAdaptResult adapted;
        EnsureReferenceList(p, adapted);
        ASSERT_TRUE(p.ref.IsOpen());
    }
    // Every measure point assigned and its pages generated; MSR_REF ready.
    void Generated(TMsrProject& p) {
        ASSERT_GT(AutoAssign(p.mpoint, OriginalRows(BuildOriginalLists(Originals(), {"TYPICALS"})),
                             TCriterion::Processing, p.Designations()).assigned, 1);
        TPageGenerator(p, ReadLevels(p.Dir()), {}).Generate(p.Designations());
        Prepare(p);
    }
    static bool Has(const std::vector<Record>& records, const Record& r) {
        return std::find(records.begin(), records.end(), r) != records.end();
    }
};

TEST_F(MsrRefList, SharedMeasurePointsLinkTwoPagesAndOnlyTwo) {
    TMsrProject p(Project());
    Prepare(p);
    TReferenceList list(p.ref);
    list.Add("A", "X", 2);
    list.Add("B", "X", 2);
    EXPECT_EQ(std::make_pair(list.LinkOf("A", "X"), list.LinkOf("B", "X")), std::make_pair(std::string("B"), std::string("A")));
    // A third page naming X leaves the links as they were.
    list.Add("C", "X", 3);
    EXPECT_EQ(Records(p), (std::vector<Record>{{"A", "2", "X", "B"}, {"B", "2", "X", "A"}, {"C", "3", "X", ""}}));
    // Replacing X on A's page clears X's links; Y is linked to nobody yet.
    list.Add("A", "Y", 2);
    EXPECT_EQ(Records(p), (std::vector<Record>{{"A", "2", "Y", ""}, {"B", "2", "X", ""}, {"C", "3", "X", ""}}));
    // Moving B's X from position 2 to 4: the old position's record goes.
    list.Add("B", "", 2);
    list.Add("B", "X", 4);
    EXPECT_EQ(Records(p), (std::vector<Record>{{"A", "2", "Y", ""}, {"B", "4", "X", "C"}, {"C", "3", "X", "B"}}));
    // Assigning the same again changes nothing.
    list.Add("B", "X", 4);
    EXPECT_EQ(Records(p).size(), 3u);
}

TEST_F(MsrRefList, RebuildFollowsTheTitleBlocksAndKeepsTheOwnRecord) {
    TMsrProject p(Project());
    Generated(p);
    const std::string a = p.Designations()[0], b = p.Designations()[1];
    ASSERT_TRUE(p.mpoint.FindByPrimary(a));
    const std::string firstPage = PagePairs(p.mpoint.GetFieldById(field::kDrawing)).front().file;
    const auto setCode = [&](int32_t code, const std::string& text) {
        TKorDrawing d;
        OpenPage(d, p.Dir(), firstPage);
        d.SymbolAt(0)->SetCode(code, text);
        ASSERT_TRUE(d.Save());
    };
    // Slot 1 (code 803) is position 2: the measure point's own record stays.
    setCode(803, b);
    ASSERT_FALSE(RebuildReferenceList(p).cancelled);
    std::vector<Record> records = Records(p);
    // b has pages of its own, so its own record names b as well: linked both ways.
    for (const Record& r : {Record{a, "1", a, ""}, Record{a, "2", b, b}, Record{b, "1", b, a}})
        EXPECT_TRUE(Has(records, r)) << std::get<0>(r) << " " << std::get<1>(r);
    // An emptied code loses its record at the next rebuild.
    setCode(803, "");
    RebuildReferenceList(p);
    records = Records(p);
    for (const Record& r : records) EXPECT_FALSE(std::get<0>(r) == a && std::get<1>(r) == "2");
    EXPECT_TRUE(Has(records, Record{a, "1", a, ""}));
    // Cancelled between measure points, the rebuild says so.
    EXPECT_TRUE(RebuildReferenceList(p, [](int32_t, int32_t) { return false; }).cancelled ||
                p.mpoint.RecordCount() < 10);
}

TEST_F(MsrRefList, FurtherMeasurePointsOnSlotsOfEveryPage) {
    TMsrProject p(Project());
    Generated(p);
    const std::string a = p.Designations()[0], b = p.Designations()[1];
    const std::vector<std::string> slots = FurtherSlots(p, a);
    ASSERT_GE(slots.size(), 3u);
    const auto kindOf = [&](const std::string& d) {
        p.mpoint.FindByPrimary(d);
        return p.mpoint.GetFieldById(field::kKind);
    };
    const std::string kind = kindOf(b);
    EXPECT_EQ(AssignFurther(p, a, 1, b, 'x'), "");
    EXPECT_EQ(std::make_pair(FurtherSlots(p, a)[0], kindOf(b)), std::make_pair(b, kind + "x"));
    EXPECT_EQ(AssignFurther(p, a, 1, b, 'x'),
              "Das Feld ist nicht leer. Bevor diesem Feld etwas zugewiesen\rwerden kann, muß es geleert werden!");
    EXPECT_EQ(AssignFurther(p, a, 2, "gibt-es-nicht", 'x'), "Die Messtelle gibt-es-nicht gibt es nicht.");
    EXPECT_EQ(AssignFurther(p, a, 21, b, 'x').rfind("Die Seite hat keinen Platz 21", 0), 0u);
    // Moved: every page shows it in the new slot, the reference list at its position.
    EXPECT_EQ(MoveFurther(p, a, 1, 3), "");
    EXPECT_EQ(std::make_pair(FurtherSlots(p, a)[0], FurtherSlots(p, a)[2]), std::make_pair(std::string(), b));
    EXPECT_TRUE(Has(Records(p), Record{a, "4", b, ""}));
    for (const Record& r : Records(p)) EXPECT_FALSE(std::get<0>(r) == a && std::get<1>(r) == "2");
    // Back to the list: slot, mark and record go.
    EXPECT_EQ(UnassignFurther(p, a, 3, 'x'), "");
    EXPECT_EQ(std::make_pair(FurtherSlots(p, a)[2], kindOf(b)), std::make_pair(std::string(), kind));
    for (const Record& r : Records(p)) EXPECT_FALSE(std::get<0>(r) == a && std::get<2>(r) == b);
}

}  // namespace
}  // namespace korin::testing
