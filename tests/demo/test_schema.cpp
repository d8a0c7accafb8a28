// The demo's table definitions against what the store accepts and what the
// modules rely on: positions, ids, primary keys and secondary keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "demo/demo_schema.h"

namespace korin::demo {
namespace {

const TFieldDef& Field(const TTableDef& t, const std::string& name) {
    const int32_t i = t.IndexOf(name);
    if (i < 0) throw std::out_of_range(t.name + " lacks " + name);
    return t.fields[static_cast<size_t>(i)];
}

const TKeyDef* Key(const TTableDef& t, const std::string& name) {
    for (const TKeyDef& k : t.keys)
        if (k.name == name) return &k;
    return nullptr;
}

// A field a filter can use: the primary key field or the first field of a key.
bool Filterable(const TTableDef& t, const std::string& field) {
    if (t.primaryKey > 0 && t.fields[static_cast<size_t>(t.primaryKey - 1)].name == field) return true;
    return std::any_of(t.keys.begin(), t.keys.end(),
                       [&](const TKeyDef& k) { return !k.fields.empty() && k.fields.front() == field; });
}

std::vector<TTableDef> AllTables() {
    std::vector<TTableDef> all = StandardTables(TSchemaVariant::Adapted);
    for (const TTableDef& t : MasterTables()) all.push_back(t);
    for (const TTableDef& t : StandardTables(TSchemaVariant::Unadapted)) all.push_back(t);
    return all;
}

TEST(DemoSchema, StandardTablesLieAtTheirCataloguePaths) {
    std::string paths;
    for (const TTableDef& t : StandardTables()) {
        for (const std::string& p : t.Path()) paths += p + "/";
        paths += " ";
        EXPECT_FALSE(t.longText.empty());
    }
    EXPECT_EQ(paths,
              "AUC_SYSTEM/MESSTELLE/ AUC_SYSTEM/ANLAGE/ AUC_SYSTEM/ADERN/ AUC_SYSTEM/FUNKTIONSGRUPPEN/ "
              "AUC_SYSTEM/INSTRUMENTIERUNG/ AUC_SYSTEM/KABEL/ AUC_SYSTEM/SIGNALPFADE/ "
              "AUC_SYSTEM/SIGNALREPRESENTATION/ AUC_SYSTEM/ZEICHNUNGEN/ AUC_SYSTEM/PRO_DOKU/MSR_REF/ "
              "AUC_SYSTEM/PRO_DOKU/KLEMMEN/ ");
}

TEST(DemoSchema, EveryDefinitionFitsTheStore) {
    for (const TTableDef& t : AllTables()) {
        SCOPED_TRACE(t.name);
        EXPECT_GE(t.fields.size(), 1u);
        EXPECT_LE(t.fields.size(), 100u);
        std::set<int32_t> ids;
        std::set<std::string> names;
        size_t recordText = 0;
        for (const TFieldDef& f : t.fields) {
            EXPECT_TRUE(ids.insert(f.id).second) << "id " << f.id << " twice";
            EXPECT_TRUE(names.insert(f.name).second) << f.name << " twice";
            EXPECT_LE(f.name.size(), 20u) << f.name;  // a new file keeps 20 characters
            EXPECT_TRUE(std::all_of(f.name.begin(), f.name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }))
                << f.name;
            EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(f.name[0]))) << f.name;
            EXPECT_GT(f.id, 0);
            EXPECT_LT(f.id, 65536);
            EXPECT_GT(f.Width(), 0) << f.name;
            recordText += static_cast<size_t>(f.Width());
        }
        EXPECT_LE(recordText, 25500u);
        EXPECT_GE(t.primaryKey, 0);
        EXPECT_LE(t.primaryKey, static_cast<int32_t>(t.fields.size()));
        if (t.primaryKey > 0) {
            EXPECT_LE(t.fields[static_cast<size_t>(t.primaryKey - 1)].Width(), 32);
        }
        EXPECT_LE(t.keys.size(), 20u);
        std::set<std::string> keyNames;
        for (const TKeyDef& k : t.keys) {
            EXPECT_TRUE(keyNames.insert(k.name).second) << k.name;
            EXPECT_LE(k.name.size(), 32u);
            EXPECT_GE(k.fields.size(), 1u);
            EXPECT_LE(k.fields.size(), 20u);
            for (const std::string& name : k.fields) {
                ASSERT_GE(t.IndexOf(name), 0) << k.name << " names the missing field " << name;
                // A key part keeps 32 characters: wider fields would make
                // different values one key.
                EXPECT_LE(Field(t, name).Width(), 32) << k.name << "/" << name;
            }
        }
        const auto defs = t.NewFields();
        ASSERT_EQ(defs.size(), t.fields.size());
        for (size_t i = 0; i < defs.size(); ++i)
            EXPECT_EQ(defs[i].name, t.fields[i].name + "#" + std::to_string(t.fields[i].id));
    }
}

TEST(DemoSchema, MeasurePointsCarryEveryFieldTheMsrFunctionsAddress) {
    const TTableDef& t = StandardTable("MESSTELLE");
    for (int32_t id : {1, 2, 3, 76, 550, 12101, 12102, 12107, 12110, 12135, 12139, 20015, 20020, 20021, 20022,
                       20024, 20026, 20029})
        EXPECT_GE(t.IndexOfId(id), 0) << id;
    EXPECT_EQ(t.fields[static_cast<size_t>(t.primaryKey - 1)].id, 12135);
    EXPECT_EQ(Field(t, "Bezeichner_Stelle").id, 12135);
    EXPECT_EQ(Field(t, "Bezeichner_Anlage").id, 1);
    // The fields the table adaptation would add, with its names and widths:
    // the adaptation must find nothing to do.
    const std::vector<std::pair<std::string, int32_t>> added = {
        {"ORIGINAL", 137}, {"ORIGPATH", 137}, {"DRAWING", 137}, {"Funktionsgruppe", 32},
        {"ME_Kennung", 8}, {"Ort_E_Tech", 32}, {"Planart", 20},  {"InstrFlags", 10}};
    for (size_t i = 0; i < added.size(); ++i) {
        EXPECT_EQ(Field(t, added[i].first).id, kAdaptedMeasurePointIds[i]);
        EXPECT_EQ(Field(t, added[i].first).Width(), added[i].second);
    }
    for (const TKeyDef& k : t.keys) EXPECT_FALSE(k.unique) << k.name;  // the grid collects pointer nodes
    ASSERT_NE(Key(t, "Anlage"), nullptr);
    EXPECT_EQ(Key(t, "Anlage")->fields, std::vector<std::string>({"Bezeichner_Anlage"}));
    // Level references "<ANLAGE:...>" are offered from the seventh field on.
    EXPECT_GT(StandardTable("ANLAGE").fields.size(), 7u);
    EXPECT_EQ(StandardTable("ANLAGE").fields[6].name, "Bereich");
}

TEST(DemoSchema, CablesAndWiresMatchTheCableModulesPositions) {
    const TTableDef& cable = StandardTable("KABEL");
    const TTableDef& wire = StandardTable("ADERN");
    ASSERT_GE(cable.fields.size(), 29u);
    ASSERT_GE(wire.fields.size(), 28u);
    EXPECT_EQ(cable.primaryKey, 1);
    EXPECT_EQ(cable.fields[0].id, 4);
    EXPECT_EQ(cable.fields[1].id, 80);
    EXPECT_EQ(cable.fields[5].type, TKorFieldType::String);  // an empty count stays empty
    EXPECT_EQ(wire.primaryKey, 0);
    EXPECT_EQ(wire.fields[0].id, 4);
    const std::vector<std::string> grid = {"Ader", "Farbe", "Aderquerschnitt", "Adertyp"};
    for (size_t i = 0; i < grid.size(); ++i) EXPECT_EQ(wire.fields[4 + i].name, grid[i]);
    EXPECT_EQ(wire.fields[4].id, 362);
    EXPECT_GE(wire.IndexOfId(39), 0);
    for (int32_t id : {12008, 12009, 5000, 1101}) EXPECT_GE(wire.IndexOfId(id), 0) << id;

    // Wire creation copies cable positions into wire positions; the wire field
    // must hold what the cable field holds, and carry the same meaning where
    // the page fill looks (12135 and 20023).
    const std::vector<std::pair<size_t, size_t>> copies = {{0, 0},  {4, 1},  {1, 2},   {2, 3},   {5, 8},
                                                           {6, 6},  {9, 12}, {10, 13}, {11, 15}, {12, 16},
                                                           {25, 24}, {26, 25}, {27, 26}, {28, 27}};
    for (auto [from, to] : copies) {
        EXPECT_GE(wire.fields[to].Width(), cable.fields[from].Width()) << from << " -> " << to;
        // The wire grid heads the cross-section "Aderquerschnitt".
        if (to != 6) {
            EXPECT_EQ(wire.fields[to].name, cable.fields[from].name) << from << " -> " << to;
        }
    }
    EXPECT_EQ(wire.fields[1].id, 12135);
    EXPECT_EQ(wire.fields[12].id, 20023);

    const TKeyDef* cableKey = Key(wire, "Kabel_Ader");
    ASSERT_NE(cableKey, nullptr);
    EXPECT_FALSE(cableKey->unique);
    EXPECT_EQ(cableKey->fields.front(), "Kabel");
    const TKeyDef* pageKey = Key(wire, "ProjektAder");
    ASSERT_NE(pageKey, nullptr);
    EXPECT_FALSE(pageKey->unique);
    EXPECT_EQ(pageKey->fields, std::vector<std::string>({"Bezeichner_Stelle", "Location", "Ader"}));
}

TEST(DemoSchema, MasterTablesFitTheAlignment) {
    const TTableDef& types = MasterTable("KABEL");
    const TTableDef& wires = MasterTable("ADERN");
    EXPECT_EQ(types.fields[static_cast<size_t>(types.primaryKey - 1)].id, 80);
    EXPECT_EQ(wires.primaryKey, 0);
    const TKeyDef* ident = Key(wires, "IDENT");
    ASSERT_NE(ident, nullptr);
    EXPECT_EQ(Field(wires, ident->fields.front()).id, 80);
    // The alignment copies every master wire field by id into the project wire:
    // only ids the project has, and none that would move the wire to another
    // cable, measure point or location.
    const TTableDef& project = StandardTable("ADERN");
    for (const TFieldDef& f : wires.fields) {
        EXPECT_GE(project.IndexOfId(f.id), 0) << f.name;
        EXPECT_NE(f.id, 4);
        EXPECT_NE(f.id, 12135);
        EXPECT_NE(f.id, 20023);
    }
    EXPECT_GE(wires.IndexOfId(362), 0);
    EXPECT_GE(wires.IndexOfId(39), 0);
}

TEST(DemoSchema, LookupKeysOfThePageFillAndTheChecks) {
    const TTableDef& instr = StandardTable("INSTRUMENTIERUNG");
    const TKeyDef* bezeichner = Key(instr, "Bezeichner");
    ASSERT_NE(bezeichner, nullptr);
    // Located by its complete path: unique, exactly plant, designation, instrument.
    EXPECT_TRUE(bezeichner->unique);
    EXPECT_EQ(bezeichner->fields, std::vector<std::string>({"Bezeichner_Anlage", "Bezeichner_Stelle", "Instrument"}));
    EXPECT_EQ(Field(instr, "Instrument").id, 12115);
    EXPECT_LT(instr.IndexOfId(20023), 0);  // the fill would overwrite its lookup code
    EXPECT_LT(instr.IndexOfId(20025), 0);
    ASSERT_NE(Key(instr, "MESSTELLE"), nullptr);
    EXPECT_FALSE(Key(instr, "MESSTELLE")->unique);
    EXPECT_EQ(Key(instr, "MESSTELLE")->fields.front(), "Bezeichner_Stelle");

    const TTableDef& terminals = StandardTable("KLEMMEN");
    EXPECT_EQ(terminals.primaryKey, 1);
    EXPECT_EQ(Field(terminals, "Klemken").id, 20023);
    EXPECT_EQ(Field(terminals, "Ans").id, 20030);
    ASSERT_NE(Key(terminals, "Ident"), nullptr);
    EXPECT_EQ(Key(terminals, "Ident")->fields, std::vector<std::string>({"BezSt", "Klemken", "Ans"}));

    const TTableDef& drawings = StandardTable("ZEICHNUNGEN");
    EXPECT_GE(drawings.fields.size(), 14u);
    EXPECT_EQ(drawings.primaryKey, 6);
    const TKeyDef* levels = Key(drawings, "EBENEN");
    ASSERT_NE(levels, nullptr);
    EXPECT_TRUE(levels->unique);
    ASSERT_EQ(levels->fields.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(drawings.IndexOf(levels->fields[i]), static_cast<int32_t>(6 + i));

    const TTableDef& groups = StandardTable("FUNKTIONSGRUPPEN");
    EXPECT_EQ(groups.fields[static_cast<size_t>(groups.primaryKey - 1)].id, 12107);
    EXPECT_EQ(groups.fields[2].id, 2);  // "field 2" by position and by id alike
}

// The page creation window creates MSR_REF only when it is missing; the demo's
// must be the one it would have made, keys in that order.
TEST(DemoSchema, ReferenceListAsThePageCreationWindowCreatesIt) {
    const TTableDef& t = StandardTable("MSR_REF");
    std::string defs, keys;
    for (const TFieldDef& f : t.fields) defs += f.Definition() + ":" + std::to_string(f.Width()) + " ";
    for (const TKeyDef& k : t.keys) {
        EXPECT_FALSE(k.unique);
        keys += k.name + "(";
        for (const std::string& f : k.fields) keys += f + " ";
        keys += ") ";
    }
    EXPECT_EQ(defs, "Loop#600:32 MSR_No#601:2 MSR_Add#602:32 Link#603:32 ");
    EXPECT_EQ(keys, "MSR_Add(MSR_Add ) Loop(Loop ) Link(Link ) Binding(Loop MSR_Add ) LoopNo(Loop MSR_No ) ");
    EXPECT_EQ(t.primaryKey, 0);  // a measure point owns up to 21 records
}

TEST(DemoSchema, FixedViewsFilterOnIndexedFields) {
    EXPECT_TRUE(Filterable(StandardTable("MESSTELLE"), "Bezeichner_Anlage"));
    EXPECT_TRUE(Filterable(StandardTable("INSTRUMENTIERUNG"), "Bezeichner_Anlage"));
    EXPECT_TRUE(Filterable(StandardTable("INSTRUMENTIERUNG"), "Bezeichner_Stelle"));
    EXPECT_TRUE(Filterable(StandardTable("MSR_REF"), "Loop"));
    EXPECT_TRUE(Filterable(StandardTable("KLEMMEN"), "BezSt"));
}

TEST(DemoSchema, TheUnadaptedVariantLacksExactlyTheAdaptationsAdditions) {
    const auto plain = StandardTables(TSchemaVariant::Unadapted);
    ASSERT_EQ(plain.size(), 10u);
    for (const TTableDef& t : plain) EXPECT_NE(t.name, "MSR_REF");
    const TTableDef& full = StandardTable("MESSTELLE");
    const TTableDef& reduced = plain[0];
    ASSERT_EQ(reduced.name, "MESSTELLE");
    ASSERT_EQ(reduced.fields.size() + std::size(kAdaptedMeasurePointIds), full.fields.size());
    for (size_t i = 0; i < reduced.fields.size(); ++i) EXPECT_EQ(reduced.fields[i].Definition(), full.fields[i].Definition());
    for (int32_t id : kAdaptedMeasurePointIds) EXPECT_LT(reduced.IndexOfId(id), 0) << id;
    for (const TKeyDef& k : reduced.keys)
        for (const std::string& f : k.fields) EXPECT_GE(reduced.IndexOf(f), 0) << k.name;

    const TTableDef& wires = plain[2];
    ASSERT_EQ(wires.name, "ADERN");
    EXPECT_EQ(Key(wires, "ProjektAder"), nullptr);
    EXPECT_NE(Key(wires, "Kabel_Ader"), nullptr);
    EXPECT_EQ(wires.fields.size(), StandardTable("ADERN").fields.size());
}

}  // namespace
}  // namespace korin::demo
