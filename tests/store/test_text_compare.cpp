// The order of key texts: fixed examples, and a part prepared for a descent
// against the comparison. The random comparison with an independent statement
// of the rules (a total order) is in test_key_order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "store/kor_key_search.h"
#include "store/kor_key_table.h"
#include "store/kor_text_compare.h"

namespace {

using korin::TextCompare;

int Sign(int v) { return (v > 0) - (v < 0); }

std::string RandomText(std::mt19937& rng, const std::string& alphabet, size_t maxLen) {
    std::uniform_int_distribution<size_t> len(0, maxLen), pick(0, alphabet.size() - 1);
    std::string s(len(rng), ' ');
    for (char& c : s) c = alphabet[pick(rng)];
    return s;
}

// ---- fixed examples ----------------------------------------------------------

// Pairs in their order, each checked both ways round.
TEST(TextCompare, OrdersTheExamples) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"abc", "1abc"},  // a text without a leading run sorts before one with a run
        {"9", "12"},      // leading runs compare as numbers
        {"8", "007"},     // ... by digit count first, leading zeros included
        {"a2", "a10"},    // inner runs compare as numbers too
        {"a1", "aa"},     // an inner digit sorts before a letter
        {"ab", "abc"},    // equal prefix: the shorter text first
        {"", "0"}, {"0", "00"}, {"07", "007"}, {"12", "12a"}, {"12a", "12b"}, {"99", "100"}, {"a8", "a007"},
        {"a10", "a10b"}, {"a10a", "a10b"}, {"a9b", "a10a"}, {"x1y2", "x1y10"},
        // Groups of nine digits are compared from the most significant one down:
        // the low groups would order these two the other way.
        {"1000000001", "2000000000"}, {"1999999999", "2000000000"},
        {"12345678901234567890", "12345678901234567891"}, {"99999999999999999999", "100000000000000000000"},
        {"a1000000001", "a2000000000"},
        {"", "a"}, {"B", "a"}, {"A", "a"},  // case-sensitive, by code
        {"a5", "a "}, {"a9", "a!"}, {"a0", "a/"},  // a digit inside a text sorts before every printable character
        {"z", "\x84"}, {"a\x7f", "a\x80"}, {"\x80", "\xff"},  // 8-bit characters compare as unsigned codes
        // Only the first 32 characters count, cut before the digit runs are read.
        {std::string(31, 'a') + "1", std::string(31, 'a') + "2"}, {std::string(31, 'a'), std::string(32, 'a')},
        // A control character meeting a digit: the digit run decides, and the
        // text without a run sorts first.
        {"a\x01", "a5"}, {"a\x1f", "a5"},
    };
    for (const auto& [before, after] : cases) {
        EXPECT_LT(TextCompare(before, after), 0) << before << " / " << after;
        EXPECT_GT(TextCompare(after, before), 0) << after << " / " << before;
    }
    const std::string a31(31, 'a'), a32(32, 'a');
    const std::vector<std::pair<std::string, std::string>> equal = {
        {a32 + "x", a32 + "y"}, {a32, a32 + "zzz"}, {a31 + "12", a31 + "13"},
        {std::string(40, '1'), std::string(32, '1') + "2"}, {"", ""}, {"abc12", "abc12"}};
    for (const auto& [x, y] : equal) EXPECT_EQ(TextCompare(x, y), 0) << x << " / " << y;
}

// A part made ready for a descent orders nodes as the type and TextCompare do,
// whatever the node's bytes hold after its name's NUL.
TEST(TextCompare, PreparedPartAgreesWithTextCompare) {
    std::mt19937 rng(21);
    const std::string alphabet = std::string("a1b0 9Z\x01\x1f\x84", 11) + std::string(1, '\0');
    for (int i = 0; i < 20000; ++i) {
        const size_t maxLen = i % 5 == 0 ? 40 : 8;
        const std::string x = RandomText(rng, alphabet, maxLen);
        std::string y = i % 3 == 0 ? x.substr(0, x.size() / 2) + RandomText(rng, alphabet, 4)
                                   : RandomText(rng, alphabet, maxLen);
        y = y.substr(0, std::min(y.find('\0'), size_t{32}));
        uint8_t node[korin::keynode::kSize];
        for (uint8_t& b : node) b = static_cast<uint8_t>(rng());
        const int type = static_cast<int>(rng() % 3), number = i % 4 == 0 ? 255 : static_cast<int>(rng() % 3);
        node[korin::keynode::kType] = static_cast<uint8_t>(type);
        node[korin::keynode::kType + 1] = 0;
        std::copy(y.begin(), y.end(), node + korin::keynode::kName);
        if (y.size() < 33) node[korin::keynode::kName + y.size()] = 0;
        const std::string keyPart = std::string("C") + static_cast<char>(number) + x;
        korin::TKorSearchPart part;
        part.Set(keyPart);
        const int expected = number != 255 && number != type ? number - type : TextCompare(x, y);
        ASSERT_EQ(Sign(part.Compare(node)), Sign(expected)) << "[" << x << "] / [" << y << "] " << number;
    }
}

}  // namespace
