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
    EXPECT_EQ(d.FieldName(0) + "|" + d.FieldName(6), "Loop|EinSehrLangerFeldnam");  // 20 characters
    // Id, type, width, decimals, attribute of each field.
    const std::vector<std::vector<int>> expected = {{700, 0, 17, 0, 0}, {600, 1, 6, 0, 0},  {-5, 1, 11, 0, 0}, {601, 1, 11, 0, 0},
                                                    {602, 2, 10, 2, 0}, {603, 0, 3, 0, 0}, {604, 0, 4, 0, 0}};
    const auto bytes = ReadBytes(dir / "t.dat");  // the mapping is shared: the file holds the entries
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ((std::vector<int>{d.FieldId(i), d.FieldType(i), d.FieldWidth(i), d.FieldDecimals(i), d.FieldAttribute(i)}), expected[i]) << i;
        EXPECT_EQ(std::vector<uint8_t>(Entry(bytes, i) + 6, Entry(bytes, i) + 10), (std::vector<uint8_t>{2, 2, 2, 1})) << i;
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
    // "name" gives the first of two that match; nothing is read beyond the definitions.
    EXPECT_EQ((std::vector<int32_t>{d.IndexOfName("name"), d.IndexOfName("nr"), d.IndexOfName("nam"), d.IndexOfId(12135),
                                    d.IndexOfId(999), d.FieldWidth(3), d.FieldId(-1)}),
              (std::vector<int32_t>{0, 2, -1, 2, -1, -1, -1}));

    TKorFieldDefs detached;
    EXPECT_EQ(detached.FieldWidth(0), -1);
    EXPECT_FALSE(detached.SetFieldName(0, "X"));
}

TEST(FieldDefsRename, OnlyLettersDigitsAndUnderscoreUpTo51Characters) {
    TempDir dir;
    auto t = MakeTable(dir, {Text("Alt", 5), Int("Zwei")});
    TKorFieldDefs& d = t->FieldDefs();
    // "ß" in the 8-bit code page, other signs, empty, too long, no such field.
    for (const auto& [field, name] : std::vector<std::pair<int, std::string>>{
             {0, "Stra\xDF" "e"}, {0, "Ab-c"}, {0, "Ab c"}, {0, ""}, {0, std::string(52, 'x')}, {2, "Neu"}})
        EXPECT_FALSE(d.SetFieldName(field, name)) << name;
    EXPECT_EQ(d.FieldName(0), "Alt");
    EXPECT_TRUE(d.SetFieldName(0, "Neu_9") && d.SetFieldName(1, std::string(51, 'y')));
    t->Close();
    // The new name reached the file and did not run into the next entry.
    t->Open();
    EXPECT_EQ(t->FieldDefs().FieldName(0) + "|" + t->FieldDefs().FieldName(1), "Neu_9|" + std::string(51, 'y'));
    EXPECT_EQ(t->FieldDefs().FieldId(1), 601);
}

}  // namespace
