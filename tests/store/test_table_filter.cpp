// The table filter: which records an expression selects (primary key, unique and
// non-unique secondary keys, field numbers), clearing it, and the refusals that
// leave the selection as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_table.h"
#include "store/kor_table_filter.h"
#include "test_table_support.h"

namespace {

using namespace korin;
using namespace korin::testing;

class TableFilter : public ::testing::Test {
protected:
    void SetUp() override {
        t = MakeTable(dir, {Text("K", 6), Text("Ort", 8), Int("Nr"), Text("Typ", 4), Text("Zusatz", 4)});
        t->DefineSecondaryKey("ORT", {"Ort"});
        t->DefineSecondaryKey("NRK", {"Nr", "K"}, true);
        t->DefineSecondaryKey("TZ", {"Typ", "Zusatz"});
        const char* rows[][5] = {{"e", "Kiel", "7", "A", "x"}, {"b", "Bonn", "7", "A", "y"},
                                 {"d", "Kiel", "3", "B", "x"}, {"a", "Kiel", "12", "B", "y"},
                                 {"c", "Ulm", "7", "A", "x"}};
        for (const auto& r : rows) ASSERT_GE(t->Append({r[0], r[1], r[2], r[3], r[4]}), 0);
    }
    std::vector<std::string> Keys() {
        std::vector<std::string> keys;
        for (bool more = t->First(); more; more = t->Next()) keys.push_back(t->GetField(0));
        return keys;
    }
    std::string Refusal(const std::string& expression) {
        return MessageOf([&] { t->SetFilter(expression); });
    }
    TempDir dir;
    std::unique_ptr<TKorTable> t;
};

TEST_F(TableFilter, KeysSelectTheirRecordsInKeyOrderAndABlankFilterAll) {
    // The primary key field selects at most one record. Typ is the first field
    // of TZ: its records come in the order of the key's further field (Zusatz
    // x: c, e; y: b), then of their pointer parts. A unique key collects the
    // leaves below the value; the number field's "7" matches the stored "7"
    // although the value part is "C".
    const std::vector<std::string> all{"a", "b", "c", "d", "e"};
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"K = \"d\"", {"d"}}, {"0=\"zz\"", {}}, {"   ", all}, {"  Ort   =   \"  Kiel  \"  ", {"a", "d", "e"}},
        {"1=\"Bonn\"", {"b"}}, {"Typ=\"A\"", {"c", "e", "b"}}, {"Nr=\"7\"", {"b", "c", "e"}}, {"2 = \"12\"", {"a"}}, {"", all}};
    for (const auto& [expression, keys] : cases) {
        t->SetFilter(expression);
        EXPECT_EQ(Keys(), keys) << expression;
        EXPECT_EQ(t->RecordCount(), static_cast<int32_t>(keys.size())) << expression;
    }
    EXPECT_EQ(t->Filter(), "");
}

TEST_F(TableFilter, RefusalsKeepTheSelectionAndStoreTheExpression) {
    t->SetFilter("Ort=\"Kiel\"");
    const std::vector<std::string> kiel{"a", "d", "e"};
    EXPECT_EQ(Refusal("Ort \"Kiel\""), "KorTable: Der Filterausdruck \"Ort \"Kiel\"\" ist ungültig!");
    EXPECT_EQ(t->Filter(), "Ort \"Kiel\"");
    EXPECT_EQ(Keys(), kiel);
    const std::string name = "KorTable: Der Feldbezeichner ist ungültig!",
                      type = "KorTable: Der Datentyp des Filters wird nicht unterstützt!",
                      index = "KorTable: Das Feld ist nicht in einem Index verzeichnet!";
    // Names are compared exactly; one that names no field is refused rather
    // than taken as field 0.
    const std::vector<std::pair<std::string, std::string>> refusals = {
        {" = \"x\"", name}, {"Ort = Kiel", type}, {"Ort = \"Kiel", type}, {"Ort =", type},
        {"Zusatz=\"x\"", index}, {"4=\"x\"", index}, {"99=\"x\"", index}, {"-1=\"x\"", index},
        {"1a=\"x\"", "'1a' ist kein gültiger Integerwert"}, {"_x=\"x\"", "'_x' ist kein gültiger Integerwert"},
        {"ort=\"Kiel\"", name}, {"Strasse=\"Kiel\"", name}};
    for (const auto& [expression, message] : refusals) EXPECT_EQ(Refusal(expression), message) << expression;
    EXPECT_EQ(t->Filter(), "Strasse=\"Kiel\"");
    EXPECT_EQ(Keys(), kiel);
}

TEST_F(TableFilter, TheFilteredOrderIsWhatAppendAndDeleteWorkOn) {
    t->SetFilter("Ort=\"Kiel\"");
    ASSERT_TRUE(t->First());
    t->Delete();  // "a"
    EXPECT_EQ(Keys(), (std::vector<std::string>{"d", "e"}));
    EXPECT_GE(t->Append({"f", "Kiel", "1", "C", "z"}), 0);
    t->SetFilter("Ort=\"Kiel\"");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"d", "e", "f"}));
}

TEST(TableFilterParse, SplitsAtTheFirstEqualsSignAndStripsOneQuoteEachSide) {
    const auto p = ParseFilterExpression(" Name = \" a=b \" ");
    EXPECT_EQ(p.field + "|" + p.value, "Name|a=b");
    EXPECT_EQ(ParseFilterExpression("A=\"\"\"").value + "|" + ParseFilterExpression("A=\"").value, "\"|");
}

}  // namespace
