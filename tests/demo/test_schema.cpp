// The demo's table definitions against what the store accepts and what the
// filters and the table adaptation rely on.
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
