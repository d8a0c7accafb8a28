// The demo's table definitions against what the store cannot check itself
// (that a file takes them is shown by test_generate.cpp) and what the filters
// and the table adaptation rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "demo/demo_schema.h"

namespace korin::demo {
namespace {

bool HasKey(const TTableDef& t, const std::string& name) {
    return std::any_of(t.keys.begin(), t.keys.end(), [&](const TKeyDef& k) { return k.name == name; });
}

// A field a filter can use: the primary key field or the first field of a key.
bool Filterable(const TTableDef& t, const std::string& field) {
    if (t.primaryKey > 0 && t.fields[static_cast<size_t>(t.primaryKey - 1)].name == field) return true;
    return std::any_of(t.keys.begin(), t.keys.end(),
                       [&](const TKeyDef& k) { return !k.fields.empty() && k.fields.front() == field; });
}

TEST(DemoSchema, NamesAndIdsAreUniqueAndKeyPartsFitTheirKeys) {
    std::vector<TTableDef> all = StandardTables(TSchemaVariant::Adapted);
    for (const TTableDef& t : MasterTables()) all.push_back(t);
    for (const TTableDef& t : StandardTables(TSchemaVariant::Unadapted)) all.push_back(t);
    for (const TTableDef& t : all) {
        SCOPED_TRACE(t.name);
        std::set<int32_t> ids;
        std::set<std::string> names, keyNames;
        for (const TFieldDef& f : t.fields) {
            EXPECT_TRUE(ids.insert(f.id).second) << "id " << f.id << " twice";
            EXPECT_TRUE(names.insert(f.name).second) << f.name << " twice";
            EXPECT_LE(f.name.size(), 20u) << f.name;  // a new file keeps 20 characters
        }
        if (t.primaryKey > 0) { EXPECT_LE(t.fields[static_cast<size_t>(t.primaryKey - 1)].Width(), 32); }
        for (const TKeyDef& k : t.keys) {
            EXPECT_TRUE(keyNames.insert(k.name).second) << k.name;
            for (const std::string& name : k.fields) {
                const int32_t i = t.IndexOf(name);
                ASSERT_GE(i, 0) << k.name << " names the missing field " << name;
                // A key part keeps 32 characters: wider fields would make
                // different values one key.
                EXPECT_LE(t.fields[static_cast<size_t>(i)].Width(), 32) << k.name << "/" << name;
            }
        }
    }
}

TEST(DemoSchema, FixedViewsFilterOnIndexedFields) {
    for (const auto& [table, field] : std::vector<std::pair<std::string, std::string>>{
             {"MESSTELLE", "Bezeichner_Anlage"}, {"INSTRUMENTIERUNG", "Bezeichner_Anlage"},
             {"INSTRUMENTIERUNG", "Bezeichner_Stelle"}, {"MSR_REF", "Loop"}, {"KLEMMEN", "BezSt"}})
        EXPECT_TRUE(Filterable(StandardTable(table), field)) << table << " " << field;
}

TEST(DemoSchema, TheUnadaptedVariantLacksExactlyTheAdaptationsAdditions) {
    const auto plain = StandardTables(TSchemaVariant::Unadapted);
    ASSERT_EQ(plain.size(), 10u);
    const TTableDef& full = StandardTable("MESSTELLE");
    const TTableDef& reduced = plain[0];
    ASSERT_EQ(reduced.name, "MESSTELLE");
    ASSERT_EQ(reduced.fields.size() + std::size(kAdaptedMeasurePointIds), full.fields.size());
    for (size_t i = 0; i < reduced.fields.size(); ++i) EXPECT_EQ(reduced.fields[i].Definition(), full.fields[i].Definition());
    ASSERT_EQ(plain[2].name, "ADERN");
    EXPECT_TRUE(!HasKey(plain[2], "ProjektAder") && HasKey(plain[2], "Kabel_Ader"));
}

}  // namespace
}  // namespace korin::demo
