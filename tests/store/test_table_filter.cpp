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
        try {
            t->SetFilter(expression);
        } catch (const Exception& e) {
            return e.what();
        }
        return "(accepted)";
    }
    TempDir dir;
    std::unique_ptr<TKorTable> t;
};

TEST_F(TableFilter, ThePrimaryKeyFieldSelectsAtMostOneRecord) {
    t->SetFilter("K = \"d\"");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"d"}));
    EXPECT_EQ(t->RecordCount(), 1);
    t->SetFilter("0=\"zz\"");
    EXPECT_TRUE(Keys().empty());
    EXPECT_FALSE(t->First());
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecordCount(), 0);
    t->SetFilter("   ");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    t->SetFilter("K=\"b\"");
    t->SetFilter("");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(t->Filter(), "");
}

TEST_F(TableFilter, SecondaryKeysSelectTheirRecordsInKeyOrder) {
    t->SetFilter("  Ort   =   \"  Kiel  \"  ");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"a", "d", "e"}));
    EXPECT_EQ(t->RecordCount(), 3);
    t->SetFilter("1=\"Bonn\"");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"b"}));
    // Typ is the first field of TZ: its records come in the order of the key's
    // further field (Zusatz x: c, e; y: b), then of their pointer parts.
    t->SetFilter("Typ=\"A\"");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"c", "e", "b"}));
    // A unique key collects the leaves below the value. A number field: "7" matches the stored "7" although the value part is "C".
    t->SetFilter("Nr=\"7\"");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"b", "c", "e"}));
    t->SetFilter("2 = \"12\"");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"a"}));
}

TEST_F(TableFilter, RefusalsKeepTheSelectionAndStoreTheExpression) {
    t->SetFilter("Ort=\"Kiel\"");
    const std::vector<std::string> kiel{"a", "d", "e"};
    EXPECT_EQ(Refusal("Ort \"Kiel\""), "KorTable: Der Filterausdruck \"Ort \"Kiel\"\" ist ungültig!");
    EXPECT_EQ(t->Filter(), "Ort \"Kiel\"");
    EXPECT_EQ(Keys(), kiel);
    EXPECT_EQ(Refusal(" = \"x\""), "KorTable: Der Feldbezeichner ist ungültig!");
    EXPECT_EQ(Refusal("Ort = Kiel"), "KorTable: Der Datentyp des Filters wird nicht unterstützt!");
    EXPECT_EQ(Refusal("Ort = \"Kiel"), "KorTable: Der Datentyp des Filters wird nicht unterstützt!");
    EXPECT_EQ(Refusal("Ort ="), "KorTable: Der Datentyp des Filters wird nicht unterstützt!");
    EXPECT_EQ(Refusal("Zusatz=\"x\""), "KorTable: Das Feld ist nicht in einem Index verzeichnet!");
    EXPECT_EQ(Refusal("4=\"x\""), "KorTable: Das Feld ist nicht in einem Index verzeichnet!");
    EXPECT_EQ(Refusal("99=\"x\""), "KorTable: Das Feld ist nicht in einem Index verzeichnet!");
    EXPECT_EQ(Refusal("-1=\"x\""), "KorTable: Das Feld ist nicht in einem Index verzeichnet!");
    EXPECT_EQ(Refusal("1a=\"x\""), "'1a' ist kein gültiger Integerwert");
    EXPECT_EQ(Refusal("_x=\"x\""), "'_x' ist kein gültiger Integerwert");
    // Names are compared exactly; one that names no field is refused rather
    // than taken as field 0.
    EXPECT_EQ(Refusal("ort=\"Kiel\""), "KorTable: Der Feldbezeichner ist ungültig!");
    EXPECT_EQ(Refusal("Strasse=\"Kiel\""), "KorTable: Der Feldbezeichner ist ungültig!");
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
    EXPECT_EQ(p.field, "Name");
    EXPECT_EQ(p.value, "a=b");
    EXPECT_EQ(ParseFilterExpression("A=\"\"\"").value, "\"");
    EXPECT_EQ(ParseFilterExpression("A=\"").value, "");
}

}  // namespace
