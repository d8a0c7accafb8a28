// The order of key texts against an independent statement of it: bytes whose
// plain comparison is the order (a total order, as the trees need). Random
// texts often share long prefixes, where the comparison looks at the place of
// the first difference only. And a key file built in memory against one
// inserted in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "store/kor_key_file.h"
#include "store/kor_text_compare.h"
#include "test_support.h"

namespace {

using korin::KeyPart;
using korin::TKeyList;
using korin::TKorKeyFile;

bool Digit(unsigned char c) { return c >= '0' && c <= '9'; }

// Digit runs as their length and digits, control characters below runs below
// printable characters, a leading run above every other start.
std::string Encoded(std::string text) {
    text = text.substr(0, 32);
    std::string out(1, !text.empty() && Digit(static_cast<unsigned char>(text[0])) ? '\2' : '\1');
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t n = i;
        while (n < text.size() && Digit(static_cast<unsigned char>(text[n]))) ++n;
        out += n > i ? std::string{char(32), char(n - i)} + text.substr(i, n - i)
                     : std::string(1, static_cast<char>(c < 32 ? c : c < '0' ? c + 1 : c));
        i = std::max(n, i + 1);
    }
    return out;
}

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(KeyOrder, AgreesWithTheByteEncodingOnMixedTexts) {
    const std::string alphabet = std::string("a0 9/:Z\x01\t\x1f\x7f\x84\xff", 13) + std::string(1, '\0');
    std::mt19937 rng(4711);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), len(0, 40);
    auto text = [&](size_t n) {
        std::string s(n, ' ');
        for (char& c : s) c = alphabet[pick(rng)];
        return s;
    };
    for (int i = 0; i < 200000; ++i) {
        const std::string a = text(len(rng) % (i % 3 == 0 ? 41 : 6));
        const std::string b = i % 2 ? a.substr(0, a.size() * (i % 5) / 4) + text(len(rng) % 5) : text(len(rng) % 8);
        const int want = Sign(Encoded(a).compare(Encoded(b)));
        ASSERT_EQ(Sign(korin::TextCompare(a, b)), want) << "[" << a << "] / [" << b << "]";
    }
}

TKeyList TableKeys(const std::string& id, const std::string& group) {
    return {KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 80, id), korin::kKeySeparator,
            KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, "G"), KeyPart('C', 0, group),
            KeyPart('C', 80, id)};
}

// The same keys, once inserted in place and once in memory (large enough that
// the memory grows several times): the two files are the same bytes.
TEST(KeyBuild, WritesTheBytesThatInsertingInPlaceLeaves) {
    korin::testing::TempDir dir;
    TKorKeyFile inPlace, built;
    for (const auto& [file, name] : {std::pair{&inPlace, "a.key"}, std::pair{&built, "b.key"}}) {
        file->SetProject(dir.Path());
        file->SetFileName(name);
        file->CreateNew(true);
        file->Open();
    }
    built.BeginBuild();
    std::mt19937 rng(17);
    for (int32_t i = 1; i <= 60000; ++i) {
        const std::string id = "M" + std::to_string(rng() % 1000000) + "-" + std::to_string(i);
        const std::string group = "G" + std::to_string(rng() % 40);
        TKeyList a = TableKeys(id, group), b = a;
        ASSERT_EQ(inPlace.AddKeys(a, i), built.AddKeys(b, i));
    }
    built.EndBuild();
    EXPECT_FALSE(built.IsOpen());
    inPlace.Close();
    EXPECT_TRUE(korin::testing::ReadBytes(dir / "a.key") == korin::testing::ReadBytes(dir / "b.key"));
    built.Open();
    EXPECT_EQ(built.Verify(), "");
}

}  // namespace
