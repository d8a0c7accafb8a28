// A key file made in one pass (re-indexing) holds the bytes that inserting the
// same keys one by one leaves: node numbers, shapes, balances, length and free
// chain.
#include <gtest/gtest.h>

#include <random>

#include "store/kor_error.h"
#include "store/kor_key_build.h"
#include "test_table_support.h"

namespace korin::testing {
namespace {

struct Part {
    uint8_t number;
    std::string text;
};
using Keys = std::vector<std::vector<Part>>;  // key i gets DIndex i + 1

// The file one pass makes and the file AddKeys left, one call per key. The
// one pass first refuses a key of 65 parts, which must leave nothing behind.
void ExpectTheBytesOfInsertion(const Keys& keys) {
    TempDir dir;
    TKorKeyFile file;
    file.SetProject(dir.Path());
    file.SetFileName("a.key");
    file.CreateNew(true);
    file.Open();
    TKorKeyBuild build;
    for (int32_t i = 0; i < 65; ++i) build.AddPart(build.Intern(0, "x"));
    EXPECT_THROW(build.EndKey(1), EKorKeyError);
    for (size_t i = 0; i < keys.size(); ++i) {
        TKeyList list;
        for (const Part& p : keys[i]) {
            list.push_back(KeyPart('C', p.number, p.text));
            build.AddPart(build.Intern(p.number, p.text));
        }
        list.push_back(kKeySeparator);
        file.AddKeys(list, static_cast<int32_t>(i + 1));
        build.EndKey(static_cast<int32_t>(i + 1));
    }
    file.Close();
    std::vector<uint8_t> built;
    build.Write("b.key", [&](const uint8_t* b, size_t n) { built.insert(built.end(), b, b + n); });
    EXPECT_TRUE(built == ReadBytes(dir / "a.key"));
}

// Random keys of 1 to 5 parts from a small alphabet, so that keys repeat,
// share prefixes, are prefixes of each other, hold digit runs (also after a
// letter or a blank), empty texts and texts that agree in their first 32
// characters only.
TEST(KeyRebuild, OnePassWritesTheBytesOfRepeatedInsertion) {
    for (const uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        auto text = [&] {
            static const std::string pieces[] = {"", "a", "7", "10", "007", "x", "x ", "\x01", "\xE4", "Z9z"};
            std::string t;
            for (uint32_t n = rng() % 4; n-- > 0;) t += pieces[rng() % 10];
            if (rng() % 20 == 0) t = std::string(32, 'L') + pieces[rng() % 10];
            return t;
        };
        Keys keys;
        for (int32_t i = 0; i < 6000; ++i) {
            keys.emplace_back();
            for (uint32_t parts = 1 + rng() % 5; parts-- > 0;)
                keys.back().push_back({static_cast<uint8_t>(rng() % 3 == 0 ? kPointerType : rng() % 2), text()});
        }
        ExpectTheBytesOfInsertion(keys);
    }
}

// Key sets whose trees grow apart from how they began: a part under a second
// owner before either owner has a second child; parts met again after
// thousands of others, under owners made long before, as late trees and as
// many new nodes of one old tree, in an order that rotates both ways.
TEST(KeyRebuild, LateTreesAndPartsMetAgain) {
    ExpectTheBytesOfInsertion({{{0, "A"}, {0, "X"}}, {{0, "B"}, {0, "X"}}, {{0, "C"}, {0, "Y"}}, {{0, "C"}, {0, "X"}}});
    Keys keys;
    for (int32_t i = 0; i < 5000; ++i) keys.push_back({{0, "v" + std::to_string(i * 7919 % 5000)}});
    for (int32_t i = 0; i < 5000; ++i) {
        const std::string v = "v" + std::to_string(i * 7 % 5000);
        keys.push_back({{0, "v" + std::to_string(i % 3)}, {kPointerType, v}});
        keys.push_back({{0, v}, {0, i % 2 ? "late" : v}});
        keys.push_back({{0, "v" + std::to_string(i * 13 % 50)}, {1, v}});
    }
    ExpectTheBytesOfInsertion(keys);
}

// A table appended in slot order without refusals has the key file that
// re-indexing makes: with a primary key field and with slot numbers as
// pointers, with unique and non-unique secondary keys.
TEST(KeyRebuild, ReindexWritesTheKeyFileTheAppendsLeft) {
    for (const int32_t primary : {1, 0}) {
        SCOPED_TRACE("primary " + std::to_string(primary));
        TempDir dir;
        auto t = MakeTable(dir, {Text("K", 40), Text("Ort", 8), Int("Nr"), Text("Typ", 3)}, primary);
        t->DefineSecondaryKey("ORT", {"Ort"});
        t->DefineSecondaryKey("NRTYP", {"Nr", "Typ"}, true);
        t->DefineSecondaryKey("TYP", {"Typ", "Ort"});
        std::mt19937 rng(99);
        for (int32_t i = 0; i < 3000; ++i) {
            const std::string k = "K" + std::to_string(rng()) + (rng() % 9 == 0 ? std::string(30, 'x') : "");
            const std::string ort = rng() % 5 == 0 ? "" : "O" + std::to_string(rng() % 12);
            ASSERT_GE(t->Append({k, ort, std::to_string(i), "T" + std::to_string(rng() % 4)}), 0);
        }
        t->Close();
        const auto appended = ReadBytes(dir / "t.key");
        t->Open();
        t->Reindex();
        EXPECT_TRUE(ReadBytes(dir / "t.key") == appended);
        EXPECT_EQ(t->KeyFile().Verify(), "");
    }
}

}  // namespace
}  // namespace korin::testing
