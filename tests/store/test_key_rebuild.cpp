// A key file made in one pass (re-indexing) holds the bytes that inserting the
// same keys one by one leaves: node numbers, shapes, balances, length and free
// chain.
#include <gtest/gtest.h>

#include <random>

#include "store/kor_key_build.h"
#include "test_table_support.h"

namespace korin::testing {
namespace {

// Random keys of 1 to 5 parts from a small alphabet, so that keys repeat,
// share prefixes, are prefixes of each other, hold digit runs, empty texts and
// texts that agree in their first 32 characters only.
TEST(KeyRebuild, OnePassWritesTheBytesOfRepeatedInsertion) {
    for (const uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        auto text = [&] {
            static const std::string pieces[] = {"", "a", "7", "10", "007", "b2", "x ", "\x01", "\xE4", "Z9z"};
            std::string t;
            for (uint32_t n = rng() % 4; n-- > 0;) t += pieces[rng() % 10];
            if (rng() % 20 == 0) t = std::string(32, 'L') + pieces[rng() % 10];
            return t;
        };
        TempDir dir;
        TKorKeyFile file;
        file.SetProject(dir.Path());
        file.SetFileName("a.key");
        file.CreateNew(true);
        file.Open();
        TKorKeyBuild build;
        for (int32_t i = 1; i <= 4000; ++i) {
            TKeyList list;
            for (uint32_t keys = 1 + rng() % 2; keys-- > 0;) {
                for (uint32_t parts = 1 + rng() % 5; parts-- > 0;) {
                    const uint8_t number = rng() % 3 == 0 ? kPointerType : rng() % 2;
                    const std::string t = text();
                    list.push_back(KeyPart('C', number, t));
                    build.AddPart(build.Intern(number, t));
                }
                list.push_back(kKeySeparator);
                build.EndKey(i);
            }
            file.AddKeys(list, i);
        }
        file.Close();
        std::vector<uint8_t> built;
        build.Write("b.key", [&](const uint8_t* b, size_t n) { built.insert(built.end(), b, b + n); });
        EXPECT_TRUE(built == ReadBytes(dir / "a.key"));
    }
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
