// The sample data: deterministic for a seed, and consistent in the ways page
// generation, the page fill, the checks, the cable module and the fixed views
// rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "demo/demo_data.h"
#include "demo/demo_page.h"
#include "demo/demo_typicals.h"

namespace korin::demo {
namespace {

// A table's rows as maps from field name to value, for readable checks.
class TView {
public:
    explicit TView(const TTableData& t) : t_(t) {}
    size_t Size() const { return t_.rows.size(); }
    const std::string& operator()(size_t row, const std::string& field) const { return t_.Value(row, field); }
    // Rows whose field equals the value.
    std::vector<size_t> Where(const std::string& field, const std::string& value) const {
        std::vector<size_t> rows;
        for (size_t r = 0; r < Size(); ++r)
            if ((*this)(r, field) == value) rows.push_back(r);
        return rows;
    }
    std::set<std::string> Column(const std::string& field) const {
        std::set<std::string> values;
        for (size_t r = 0; r < Size(); ++r) values.insert((*this)(r, field));
        return values;
    }

private:
    const TTableData& t_;
};

const TTypical* TypicalOf(const std::string& description, const std::string& planType) {
    for (const TTypical& t : Typicals())
        if (t.description == description || t.planType == planType) return &t;
    return nullptr;
}

class DemoData : public ::testing::Test {
protected:
    static void SetUpTestSuite() { data_ = new TSampleData(GenerateSampleData({5, 120, TSchemaVariant::Adapted})); }
    static void TearDownTestSuite() { delete data_; }
    static TView View(const std::string& name) { return TView(data_->Project(name)); }
    static inline TSampleData* data_ = nullptr;
};

TEST_F(DemoData, EveryValueFitsItsFieldAndEveryKeyIsUnique) {
    for (const auto* tables : {&data_->project, &data_->master})
        for (const TTableData& t : *tables) {
            SCOPED_TRACE(t.def.name);
            std::set<std::string> primary;
            std::map<std::string, std::set<std::vector<std::string>>> unique;
            for (const auto& row : t.rows) {
                ASSERT_EQ(row.size(), t.def.fields.size());
                for (size_t i = 0; i < row.size(); ++i) {
                    EXPECT_LE(static_cast<int32_t>(row[i].size()), t.def.fields[i].Width()) << t.def.fields[i].name << " = " << row[i];
                    EXPECT_EQ(row[i].find_first_of("\t\r\n"), std::string::npos);
                }
                if (t.def.primaryKey > 0) {
                    const std::string& key = row[static_cast<size_t>(t.def.primaryKey - 1)];
                    EXPECT_FALSE(key.empty());
                    EXPECT_TRUE(primary.insert(key).second) << "primary key " << key << " twice";
                }
                for (const TKeyDef& k : t.def.keys) {
                    if (!k.unique) continue;
                    std::vector<std::string> values;
                    for (const std::string& f : k.fields) values.push_back(row[static_cast<size_t>(t.def.IndexOf(f))]);
                    EXPECT_TRUE(unique[k.name].insert(values).second) << k.name << " twice";
                }
            }
        }
}

TEST_F(DemoData, MeasurePointsNameTheirPlantTypicalAndFunctionGroup) {
    const TView mp = View("MESSTELLE"), plants = View("ANLAGE"), groups = View("FUNKTIONSGRUPPEN");
    ASSERT_EQ(mp.Size(), 120u);
    const std::set<std::string> plantCodes = plants.Column("Bezeichner_Anlage");
    std::set<char> kinds;
    for (size_t r = 0; r < mp.Size(); ++r) {
        const std::string& plant = mp(r, "Bezeichner_Anlage");
        SCOPED_TRACE(mp(r, "Bezeichner_Stelle"));
        EXPECT_EQ(mp(r, "Bezeichner_Stelle"), plant + mp(r, "MSR_Stelle"));
        EXPECT_TRUE(plantCodes.count(plant));
        // The criteria of automatic assignment name one typical.
        const TTypical* typical = TypicalOf(mp(r, "Verarb_Funktion"), "");
        ASSERT_NE(typical, nullptr);
        EXPECT_EQ(std::make_pair(mp(r, "Planart"), mp(r, "Funktionsgruppe")),
                  std::make_pair(typical->planType, typical->functionGroup));
        kinds.insert(typical->kind);
        // Its function group record belongs to its plant and names its group.
        const auto group = groups.Where("FG_Nummer", mp(r, "FG_Nummer"));
        ASSERT_EQ(group.size(), 1u);
        EXPECT_EQ(std::make_pair(groups(group[0], "Funktionsgruppe"), groups(group[0], "Bezeichner_Anlage")),
                  std::make_pair(mp(r, "Funktionsgruppe"), plant));
        // Page generation fills these.
        for (const char* f : {"ORIGINAL", "ORIGPATH", "DRAWING", "InstrFlags"}) EXPECT_TRUE(mp(r, f).empty()) << f;
    }
    EXPECT_EQ(kinds, std::set<char>({'E', 'M'}));
}

// What the page fill would look up from the symbols of a measure point's
// pages must be in the tables: instruments under "Bezeichner", terminals by
// their composed key, wires under "ProjektAder" when the cable has its wires.
TEST_F(DemoData, EverySymbolOfAMeasurePointsPagesFindsItsRecord) {
    const TView mp = View("MESSTELLE"), instr = View("INSTRUMENTIERUNG"), terminals = View("KLEMMEN"),
                wires = View("ADERN"), cables = View("KABEL");
    std::set<std::vector<std::string>> instruments, projectWires;
    for (size_t r = 0; r < instr.Size(); ++r)
        instruments.insert({instr(r, "Bezeichner_Anlage"), instr(r, "Bezeichner_Stelle"), instr(r, "Instrument")});
    for (size_t r = 0; r < wires.Size(); ++r)
        projectWires.insert({wires(r, "Bezeichner_Stelle"), wires(r, "Location"), wires(r, "Ader")});
    const std::set<std::string> terminalKeys = terminals.Column("Klemmen_ID");
    size_t checkedWires = 0;
    for (size_t r = 0; r < mp.Size(); ++r) {
        const std::string designation = mp(r, "Bezeichner_Stelle");
        const std::string loop = designation.substr(0, designation.find('.'));
        const TTypical* typical = TypicalOf("", mp(r, "Planart"));
        ASSERT_NE(typical, nullptr);
        for (size_t p = 0; p < typical->pages.size(); ++p) {
            for (const TPageElement& e : BuildPage(*typical, p).elements) {
                if (!e.IsSymbol() || e.Code(20025) != "1") continue;
                if (e.type == 7) {
                    EXPECT_TRUE(terminalKeys.count(designation + "-" + e.Code(20023) + "-" + e.Code(20030)))
                        << designation << " terminal " << e.Code(20023) << ":" << e.Code(20030);
                } else if (e.type == 8) {
                    // Wires exist for the cables that have them.
                    bool hasWires = false;
                    for (size_t c : cables.Where("Bezeichner_Stelle", designation))
                        if (cables(c, "Location") == e.Code(20023))
                            hasWires = !wires.Where("Kabel", cables(c, "Kabel")).empty();
                    if (!hasWires) continue;
                    ++checkedWires;
                    EXPECT_TRUE(projectWires.count({designation, e.Code(20023), e.Code(362)}))
                        << designation << " wire " << e.Code(20023) << "/" << e.Code(362);
                } else if (e.type != 9) {
                    EXPECT_TRUE(instruments.count({loop, designation, e.Code(20023)}))
                        << designation << " instrument " << e.Code(20023);
                }
            }
        }
    }
    EXPECT_GT(checkedWires, 50u);
}

TEST_F(DemoData, CablesWiresAndMasterAgree) {
    const TView cables = View("KABEL"), wires = View("ADERN"), mp = View("MESSTELLE");
    const TView masterCables(data_->Master("KABEL")), masterWires(data_->Master("ADERN"));
    const std::set<std::string> types = masterCables.Column("Kabeltyp"), designations = mp.Column("Bezeichner_Stelle");
    int emptyCounts = 0, withWires = 0, aligned = 0, waiting = 0;
    for (size_t c = 0; c < cables.Size(); ++c) {
        const std::string& name = cables(c, "Kabel");
        SCOPED_TRACE(name);
        EXPECT_TRUE(types.count(cables(c, "Kabeltyp")));
        const std::string& count = cables(c, "Aderzahl");
        const auto own = wires.Where("Kabel", name);
        if (count.empty()) {
            ++emptyCounts;
            EXPECT_TRUE(own.empty());
            continue;
        }
        ASSERT_EQ(count.find_first_not_of("0123456789"), std::string::npos) << count;
        EXPECT_TRUE(designations.count(cables(c, "Bezeichner_Stelle")));
        const auto type = masterCables.Where("Kabeltyp", cables(c, "Kabeltyp"));
        ASSERT_EQ(type.size(), 1u);
        EXPECT_EQ(masterCables(type[0], "Aderzahl"), count);
        if (own.empty()) {
            ++waiting;
            continue;
        }
        // All wires 1 ... count, as wire creation makes them.
        ++withWires;
        ASSERT_EQ(own.size(), static_cast<size_t>(std::stoi(count)));
        for (size_t i = 0; i < own.size(); ++i) {
            const size_t w = own[i];
            EXPECT_EQ(wires(w, "Ader"), std::to_string(i + 1));
            for (const char* f : {"Bezeichner_Stelle", "Location", "Kabeltyp", "Aderzahl"})
                EXPECT_EQ(wires(w, f), cables(c, f)) << f;
            EXPECT_EQ(wires(w, "Reserve"), "0");
            if (wires(w, "Farbe").empty()) continue;
            // Aligned: colour and type from the master wire of that number.
            ++aligned;
            const auto same = masterWires.Where("Kabeltyp", cables(c, "Kabeltyp"));
            const auto m = std::find_if(same.begin(), same.end(), [&](size_t k) { return masterWires(k, "Ader") == wires(w, "Ader"); });
            ASSERT_NE(m, same.end());
            EXPECT_EQ(std::tie(wires(w, "Farbe"), wires(w, "Adertyp"), wires(w, "Aderbezeichnung")),
                      std::tie(masterWires(*m, "Farbe"), masterWires(*m, "Adertyp"), masterWires(*m, "Ader")));
        }
    }
    EXPECT_EQ(emptyCounts, 1);
    EXPECT_TRUE(withWires > 0 && waiting > 0 && aligned > 0) << withWires << " " << waiting << " " << aligned;
    for (size_t m = 0; m < masterWires.Size(); ++m) EXPECT_TRUE(masterWires(m, "Aderbezeichnung").empty());
}

TEST(DemoDataGeneration, TheSeedDecidesEverything) {
    auto generate = [](uint32_t seed) { return GenerateSampleData({seed, 40, TSchemaVariant::Adapted}); };
    const TSampleData a = generate(9), b = generate(9), c = generate(10);
    ASSERT_EQ(a.project.size(), b.project.size());
    for (size_t i = 0; i < a.project.size(); ++i) EXPECT_EQ(a.project[i].rows, b.project[i].rows) << a.project[i].def.name;
    EXPECT_NE(a.Project("MESSTELLE").rows, c.Project("MESSTELLE").rows);
    // The master database depends on the cable types only.
    EXPECT_EQ(a.Master("ADERN").rows, c.Master("ADERN").rows);
}

TEST(DemoDataGeneration, CountsScaleWithTheMeasurePoints) {
    EXPECT_EQ(std::make_pair(PlantCount(1), PlantCount(10000)), std::make_pair(1, 50));
    EXPECT_EQ(GenerateSampleData({1, 1, TSchemaVariant::Adapted}).Project("ANLAGE").rows.size(), 1u);
    const TSampleData many = GenerateSampleData({1, 2000, TSchemaVariant::Adapted});
    EXPECT_EQ(many.Project("MESSTELLE").rows.size(), 2000u);
    const size_t instruments = many.Project("INSTRUMENTIERUNG").rows.size();
    EXPECT_TRUE(instruments > 4000 && instruments < 10000) << instruments;
    for (int32_t count : {0, 200001}) EXPECT_THROW(GenerateSampleData({1, count, TSchemaVariant::Adapted}), std::invalid_argument);
}

TEST(DemoDataGeneration, TheUnadaptedVariantKeepsTheOtherValues) {
    const TSampleData full = GenerateSampleData({3, 30, TSchemaVariant::Adapted}), plain = GenerateSampleData({3, 30, TSchemaVariant::Unadapted});
    EXPECT_THROW(plain.Project("MSR_REF"), std::out_of_range);
    const TTableData &a = full.Project("MESSTELLE"), &b = plain.Project("MESSTELLE");
    ASSERT_EQ(a.rows.size(), b.rows.size());
    for (size_t r = 0; r < a.rows.size(); ++r)
        for (const TFieldDef& f : b.def.fields) EXPECT_EQ(b.Value(r, f.name), a.Value(r, f.name));
    EXPECT_EQ(full.Project("ADERN").rows, plain.Project("ADERN").rows);
}

}  // namespace
}  // namespace korin::demo
