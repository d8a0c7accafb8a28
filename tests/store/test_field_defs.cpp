// Field definitions: the entries a new file gets from its definitions (names,
// ids, types, widths, marks), lookups by name and id, renaming, type letters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_field_defs.h"
#include "store/kor_table.h"
#include "store/kor_table_format.h"
#include "test_table_support.h"

namespace {

using namespace korin;
using namespace korin::testing;
namespace fmt = korin::tablefmt;

const uint8_t* Entry(const std::vector<uint8_t>& bytes, int i) {
    return bytes.data() + fmt::FieldEntryOffset(i);
}

TEST(FieldDefsNewFile, NamesIdsTypesAndWidthsFollowTheDefinitions) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("Loop#700", 17), Small("Klein"), Int("Ganz#-5"), {"Wort", TKorFieldType::Word, 9},
                             Float("Wert"), {"Sonst", TKorFieldType::Other, 3},
                             Text("EinSehrLangerFeldname_ueber20", 4)});
    const TKorFieldDefs& d = t->FieldDefs();
    ASSERT_EQ(d.FieldCount(), 7);
    // Fields without "#" take 600, 601, ... in their order; "#" uses no number.
    EXPECT_EQ(d.FieldName(0), "Loop");
    EXPECT_EQ(d.FieldName(6), "EinSehrLangerFeldnam");  // 20 characters
    const int ids[] = {700, 600, -5, 601, 602, 603, 604};
    const int types[] = {0, 1, 1, 1, 2, 0, 0};
    const int widths[] = {17, 6, 11, 11, 10, 3, 4};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(d.FieldId(i), ids[i]) << i;
        EXPECT_EQ(d.FieldType(i), types[i]) << i;
        EXPECT_EQ(d.FieldWidth(i), widths[i]) << i;
        EXPECT_EQ(d.FieldDecimals(i), i == 4 ? 2 : 0) << i;
        EXPECT_EQ(d.FieldAttribute(i), 0) << i;
    }
    t->Close();
    const auto bytes = ReadBytes(dir / "t.dat");
    for (int i = 0; i < 7; ++i) {
        const uint8_t* e = Entry(bytes, i);
        EXPECT_EQ(std::vector<uint8_t>(e + 6, e + 10), (std::vector<uint8_t>{2, 2, 2, 1})) << i;
    }
}

TEST(FieldDefsNewFile, AnIdThatIsNoNumberIsRefusedBeforeAnyFileIsTouched) {
    EXPECT_EQ(MessageOf([] { TKorTable::CheckNewFields({Text("A#x1", 3)}); }), "'x1' ist kein gültiger Integerwert");
    EXPECT_THROW(TKorTable::CheckNewFields({Text("A#40000", 3)}), EKorTabError);
    EXPECT_THROW(TKorTable::CheckNewFields({Text("A", -1)}), EKorTabError);
    EXPECT_THROW(TKorTable::CheckNewFields(std::vector<TKorNewField>(101, Int("F"))), EKorTabError);
    EXPECT_NO_THROW(TKorTable::CheckNewFields(std::vector<TKorNewField>(100, Int("F"))));
}

TEST(FieldDefsLookup, NamesIgnoreCaseIdsAndRangesAreChecked) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("NAME", 5), Text("Name", 5), Int("Nr#12135")});
    TKorFieldDefs& d = t->FieldDefs();
    EXPECT_EQ(d.IndexOfName("name"), 0);  // the first of two that match
    EXPECT_EQ(d.IndexOfName("nr"), 2);
    EXPECT_EQ(d.IndexOfName("nam"), -1);
    EXPECT_EQ(d.IndexOfId(12135), 2);
    EXPECT_EQ(d.IndexOfId(999), -1);
    EXPECT_EQ(d.FieldWidth(3), -1);  // nothing read beyond the definitions
    EXPECT_EQ(d.FieldId(-1), -1);

    TKorFieldDefs detached;
    EXPECT_EQ(detached.FieldWidth(0), -1);
    EXPECT_FALSE(detached.SetFieldName(0, "X"));
}

TEST(FieldDefsRename, OnlyLettersDigitsAndUnderscoreUpTo51Characters) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("Alt", 5), Int("Zwei")});
    TKorFieldDefs& d = t->FieldDefs();
    EXPECT_FALSE(d.SetFieldName(0, "Stra\xDF" "e"));  // "ß" in the 8-bit code page
    EXPECT_FALSE(d.SetFieldName(0, "Ab-c"));
    EXPECT_FALSE(d.SetFieldName(0, "Ab c"));
    EXPECT_FALSE(d.SetFieldName(0, ""));
    EXPECT_FALSE(d.SetFieldName(0, std::string(52, 'x')));
    EXPECT_FALSE(d.SetFieldName(2, "Neu"));
    EXPECT_EQ(d.FieldName(0), "Alt");
    EXPECT_TRUE(d.SetFieldName(0, "Neu_9"));
    EXPECT_EQ(d.FieldName(0), "Neu_9");
    EXPECT_TRUE(d.SetFieldName(1, std::string(51, 'y')));
    t->Close();
    // The new name reached the file and did not run into the next entry.
    t->Open();
    EXPECT_EQ(t->FieldDefs().FieldName(0), "Neu_9");
    EXPECT_EQ(t->FieldDefs().FieldName(1), std::string(51, 'y'));
    EXPECT_EQ(t->FieldDefs().FieldId(1), 601);
}

}  // namespace
