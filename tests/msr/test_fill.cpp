// Page fill, reconciliation and korintool msr on generated pages.
#include "drawing/drawing_test.h"
#include "msr/msr_assign.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_fill.h"
#include "msr/msr_generate.h"
#include "msr/msr_reconcile.h"
#include "msr_fixture.h"

namespace korin::testing {
namespace {

using namespace korin::msr;

class MsrFill : public MsrProjectTest {
protected:
    void SetUp() override {
        MsrProjectTest::SetUp();
        TMsrProject p(Project());
        AutoAssign(p.mpoint, OriginalRows(BuildOriginalLists(Originals(), {"TYPICALS"})), TCriterion::Processing,
                   p.Designations());
        TPageGenerator g(p, ReadLevels(p.Dir()), {});
        ASSERT_TRUE(g.Generate(p.Designations()).refused.empty());
    }
    // Every symbol of type `type` on every page, with the page file.
    template <typename F>
    void EachSymbol(TMsrProject& p, int32_t type, F&& f) {
        for (const std::string& mp : p.Designations()) {
            p.mpoint.FindByPrimary(mp);
            for (const TPagePair& pair : PagePairs(p.mpoint.GetFieldById(field::kDrawing))) {
                TKorDrawing d;
                OpenPage(d, p.Dir(), pair.file);
                for (int32_t e = 0; e < d.Symbols().Count(); ++e)
                    if (d.SymbolAt(e)->HasCodeList() && d.SymbolAt(e)->SymbolType() == type)
                        f(mp, pair.file, e, *d.SymbolAt(e));
            }
        }
    }
    // The ADERN record of a connected wire symbol, found by ProjektAder.
    static bool FindWire(TMsrProject& p, const std::string& mp, const TKorDrawSym& s, TIntegerList& slots) {
        return s.GetCode(20025) == "1" && p.wire.FindBySecondary("ProjektAder", {mp, s.GetCode(20023), s.GetCode(362)}, slots);
    }
};

TEST_F(MsrFill, InstrumentsTerminalsAndWiresTakeTheirRecords) {
    TMsrProject p(Project());
    const std::vector<std::string> mps = p.Designations();
    for (TFillMode mode : {TFillMode::Instruments, TFillMode::Terminals, TFillMode::Wires}) {
        const TFillResult r = FillPages(p, mode, mps, {});
        EXPECT_TRUE(r.failed == 0 && r.symbols > 0) << r.failed << " failed of " << r.symbols;
        FillPages(p, mode, mps, {});  // twice: the flags below are not doubled
    }
    for (const std::string& mp : mps) {
        p.mpoint.FindByPrimary(mp);
        EXPECT_EQ(p.mpoint.GetFieldById(field::kInstrFlags), "IKA") << mp;
    }
    // Terminals: the KLEMMEN record's fields by id.
    int terminals = 0;
    EachSymbol(p, 7, [&](const std::string& mp, const std::string&, int32_t, const TKorDrawSym& s) {
        if (s.GetCode(20025) != "1") return;
        ASSERT_TRUE(p.con.FindByPrimary(mp + "-" + s.GetCode(20023) + "-" + s.GetCode(20030)));
        for (int32_t i = 0; i < p.con.FieldCount(); ++i) {
            const int32_t id = p.con.FieldDefs().FieldId(i);
            if (s.HasCode(id)) { EXPECT_EQ(s.GetCode(id), p.con.GetField(i)) << id; }
        }
        ++terminals;
    });
    EXPECT_GT(terminals, 0);
    // Wires: the ADERN record knows the page and the symbol's position.
    int wires = 0;
    EachSymbol(p, 8, [&](const std::string& mp, const std::string& file, int32_t e, const TKorDrawSym& s) {
        TIntegerList slots;
        if (!FindWire(p, mp, s, slots)) return;
        ASSERT_TRUE(p.wire.GoToSlot(slots.Items(0)));
        if (!p.cable.FindByPrimary(p.wire.GetFieldById(4))) return;
        EXPECT_EQ(std::make_tuple(p.wire.GetFieldById(5000), p.wire.GetFieldById(1101), p.wire.GetFieldById(12008)),
                  std::make_tuple(file, std::to_string(e), std::string("1")));
        ++wires;
    });
    EXPECT_GT(wires, 0);
    ExpectConsistent(p);
}

TEST_F(MsrFill, AWireWithoutItsCableIsMarkedAndLeftAlone) {
    TMsrProject p(Project());
    int checked = 0;
    EachSymbol(p, 8, [&](const std::string& mp, const std::string&, int32_t, const TKorDrawSym& s) {
        TIntegerList slots;
        if (checked || !FindWire(p, mp, s, slots)) return;
        p.wire.GoToSlot(slots.Items(0));
        p.wire.SetFieldById(4, "FEHLT");
        FillPages(p, TFillMode::Wires, {mp}, {});
        p.wire.GoToSlot(slots.Items(0));
        EXPECT_EQ(p.wire.GetFieldById(12008) + "|" + p.wire.GetFieldById(5000), "0|");
        ++checked;
    });
    EXPECT_EQ(checked, 1);
}

TEST_F(MsrFill, ReconciliationRegistersUnlistedPagesOnce) {
    TMsrProject p(Project());
    std::string mp;
    std::vector<TPagePair> pages;
    for (const std::string& d : p.Designations())
        if (mp.empty() && p.mpoint.FindByPrimary(d) && (pages = PagePairs(p.mpoint.GetFieldById(field::kDrawing))).size() >= 2) mp = d;
    ASSERT_FALSE(mp.empty());
    for (int32_t id : {field::kDrawing, field::kOriginal, field::kOrigPath}) p.mpoint.SetFieldById(id, "");
    const std::string plan = p.mpoint.GetFieldById(field::kPlanType);
    const TReconcileResult r = Reconcile(p, {});
    EXPECT_EQ(r.registered, static_cast<int32_t>(pages.size()));
    p.mpoint.FindByPrimary(mp);
    const std::vector<TPagePair> now = PagePairs(p.mpoint.GetFieldById(field::kDrawing));
    ASSERT_EQ(now.size(), pages.size());
    for (size_t k = 0; k < now.size(); ++k) EXPECT_EQ(now[k].original, plan + "-" + std::to_string(k + 1));
    EXPECT_EQ(SplitCommaText(p.mpoint.GetFieldById(field::kOrigPath))[0], "C:\\");
    EXPECT_EQ(Reconcile(p, {}).registered, 0);
    EXPECT_EQ(SetEvaluationBits(p), static_cast<int32_t>(ExpectConsistent(p).size()));
}

TEST_F(MsrFill, KorintoolRunsTheWholeRoad) {
    TempDir fresh;
    ASSERT_EQ(RunTool({"demo", fresh.Path(), "--measure-points", "5", "--no-pages"}).exitCode, 0);
    const std::string dir = fresh.Path() + "Demo";
    const ToolResult assign = RunTool({"msr", "auto-assign", dir, fresh.Path() + "Originale", "TYPICALS"});
    const ToolResult gen = RunTool({"msr", "generate", dir});
    EXPECT_EQ(std::make_pair(assign.exitCode, gen.exitCode), std::make_pair(0, 0)) << assign.err << gen.err;
    EXPECT_NE(gen.out.find("created\t"), std::string::npos);
    for (const char* mode : {"instruments", "terminals", "wires"})
        EXPECT_EQ(RunTool({"msr", "fill", dir, mode}).exitCode, 0) << mode;
    EXPECT_EQ(RunTool({"msr", "generate", dir, "--mp", "KEINE"}).exitCode, 0);
    EXPECT_EQ(RunTool({"msr", "fill", dir, "everything"}).exitCode, 2);
    const ToolResult pages = RunTool({"msr", "pages", dir});
    ASSERT_FALSE(pages.out.empty());
    TMsrProject p(dir);
    EXPECT_EQ(ExpectConsistent(p).size(), static_cast<size_t>(std::count(pages.out.begin(), pages.out.end(), '\n')));
}

}  // namespace
}  // namespace korin::testing
