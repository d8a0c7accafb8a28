// The key node table over plain memory: where every field lies (the key file
// format), which node numbers each accessor accepts, and that a refused write
// leaves every byte as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_key_table.h"

namespace {

using korin::TKorKeyTable;

void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

// Bytes of a key file of n whole nodes and the 8 bytes of node n.
std::vector<uint8_t> KeyFileBytes(int n) { return std::vector<uint8_t>(64 * n + 8, 0); }

template <typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const korin::EKorKeyError& e) {
        return std::string("(EKorKeyError) ") + e.what();
    } catch (const korin::Exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

std::string GetError(const std::string& getter, int32_t k) {
    return "KorKeyTable: " + getter + " greift auf einen unerlaubten Tabelleneintrag zu: " + std::to_string(k);
}

std::string SetError(const std::string& field, int32_t k) {
    return "KorKeyTable: Index " + std::to_string(k) + " ist ungültig! " + field +
           (field == "Balance" ? " kann nicht geschrieben werden." : " kann nicht geschrieben werden!");
}

// name, call, whether node 0 (and for Down/Up getters node Count) is accepted
template <typename T>
struct Accessor {
    std::string name;
    std::function<void(T&, int32_t)> call;
    bool reachesHeader;
};
using Getter = Accessor<const TKorKeyTable>;
using Setter = Accessor<TKorKeyTable>;

std::vector<Getter> Getters() {
    return {{"GetDown", [](auto& t, int32_t k) { t.GetDown(k); }, true},
            {"GetUp", [](auto& t, int32_t k) { t.GetUp(k); }, true},
            {"GetLeft", [](auto& t, int32_t k) { t.GetLeft(k); }, false},
            {"GetRight", [](auto& t, int32_t k) { t.GetRight(k); }, false},
            {"GetBalance", [](auto& t, int32_t k) { t.GetBalance(k); }, false},
            {"GetIndex", [](auto& t, int32_t k) { t.GetIndex(k); }, false},
            {"GetType", [](auto& t, int32_t k) { t.GetType(k); }, false},
            {"GetValue", [](auto& t, int32_t k) { t.GetValue(k); }, false}};
}

std::vector<Setter> Setters() {
    return {{"Down", [](auto& t, int32_t k) { t.SetDown(k, 77); }, true},
            {"Up", [](auto& t, int32_t k) { t.SetUp(k, 77); }, false},
            {"Left", [](auto& t, int32_t k) { t.SetLeft(k, 77); }, false},
            {"Right", [](auto& t, int32_t k) { t.SetRight(k, 77); }, false},
            {"Balance", [](auto& t, int32_t k) { t.SetBalance(k, 1); }, false},
            {"DIndex", [](auto& t, int32_t k) { t.SetDIndex(k, 77); }, false},
            {"Type", [](auto& t, int32_t k) { t.SetType(k, 77); }, false},
            {"Name", [](auto& t, int32_t k) { t.SetName(k, "abc"); }, false},
            {"Evaluate", [](auto& t, int32_t k) { t.SetEvaluate(k, 77); }, false}};
}

// ---- layout --------------------------------------------------------------------

TEST(KeyTable, FieldsLieWhereTheNodeLayoutPutsThemAndReadBack) {
    auto bytes = KeyFileBytes(4);
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_EQ(std::make_pair(t.Attached(), t.Count()), std::make_pair(true, 4));
    t.SetDown(2, 0x01020304), t.SetUp(2, -2), t.SetLeft(2, 0x7FFFFFFF), t.SetRight(2, 1000), t.SetDIndex(2, 123456);
    t.SetBalance(2, 0x1FFFF);  // the low 16 bits: -1
    t.SetType(2, 0xFFFE);      // read back widened with its sign
    t.SetName(2, "P_KEY"), t.SetEvaluate(2, 0xA5), t.SetNextFree(-5), t.SetDown(0, 3);

    std::vector<uint8_t> expected = KeyFileBytes(4);
    const size_t n = 128;
    for (auto [at, v] : {std::pair<size_t, int32_t>{0, 3}, {4, -5}, {n, 0x01020304}, {n + 4, -2}, {n + 8, 0x7FFFFFFF}, {n + 12, 1000},
                         {n + 20, 123456}})
        PutI32(expected, at, v);
    expected[n + 16] = expected[n + 17] = expected[n + 25] = 0xFF;
    expected[n + 24] = 0xFE;
    std::memcpy(&expected[n + 26], "P_KEY", 6);  // with its NUL
    expected[n + 61] = 0xA5;
    EXPECT_EQ(bytes, expected);

    EXPECT_EQ((std::vector<int32_t>{t.GetDown(0), t.GetNextFree(), t.GetDown(2), t.GetUp(2), t.GetLeft(2),
                                    t.GetRight(2), t.GetBalance(2), t.GetIndex(2), t.GetType(2)}),
              (std::vector<int32_t>{3, -5, 0x01020304, -2, 0x7FFFFFFF, 1000, -1, 123456, -2}));
    EXPECT_EQ(t.GetValue(2), "P_KEY");
    PutI32(bytes, 256 + 4, 55);  // Up of node 4, the partial node
    EXPECT_EQ(t.GetUp(4), 55);
    std::memset(&bytes[64 + 26], 'x', 38);  // unterminated: its full 33 bytes count
    EXPECT_EQ(t.GetValue(1), std::string(33, 'x'));
    // Names are cut at 32 characters; nothing is written beyond their NUL.
    bytes[64 + 59] = 0x77;
    const std::string forty = "0123456789abcdefghijABCDEFGHIJ!?klmnopqr";
    t.SetName(1, forty);
    EXPECT_EQ(t.GetValue(1), forty.substr(0, 32));
    EXPECT_EQ(std::make_pair(bytes[64 + 58], bytes[64 + 59]), std::make_pair(uint8_t{0}, uint8_t{0x77}));
    t.SetName(1, "M\xe4");  // 8-bit texts are stored unchanged
    EXPECT_EQ(t.GetValue(1), "M\xe4");
}

// ---- accepted node numbers ------------------------------------------------------

TEST(KeyTable, AccessorsAcceptTheirRangeAndWriteNothingOutsideIt) {
    auto bytes = KeyFileBytes(3);  // Count 3: nodes 0, 1, 2 and the head of node 3
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 13 + 5);
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    for (const auto& g : Getters()) {
        const int32_t low = g.reachesHeader ? 0 : 1;
        const int32_t high = g.reachesHeader ? 3 : 2;
        for (int32_t k = low; k <= high; ++k) EXPECT_NO_THROW(g.call(t, k)) << g.name << " " << k;
        for (int32_t k : {low - 1, high + 1, -1000, 2147483647})
            EXPECT_EQ(MessageOf([&] { g.call(t, k); }), GetError(g.name, k));
    }
    for (const auto& s : Setters()) {
        const int32_t low = s.reachesHeader ? 0 : 1;
        const auto unchanged = bytes;
        for (int32_t k : {low - 1, 3, 4, -1000}) {
            EXPECT_EQ(MessageOf([&] { s.call(t, k); }), SetError(s.name, k)) << s.name << " " << k;
            ASSERT_EQ(bytes, unchanged) << s.name << " wrote for " << k;
        }
        for (int32_t k = low; k <= 2; ++k) EXPECT_NO_THROW(s.call(t, k)) << s.name << " " << k;
    }

    // A new key file holds only Down and Up of node 1; without those eight
    // bytes node Count cannot be read at all.
    auto fresh = KeyFileBytes(1);
    t.Attach(fresh.data(), static_cast<int32_t>(fresh.size()));
    EXPECT_NO_THROW(t.GetUp(1));
    EXPECT_EQ(MessageOf([&] { t.SetUp(1, 4); }), SetError("Up", 1));
    std::vector<uint8_t> whole(128, 0);
    t.Attach(whole.data(), 128);
    EXPECT_EQ(t.Count(), 2);
    EXPECT_EQ(MessageOf([&] { t.GetUp(2); }), GetError("GetUp", 2));
}

TEST(KeyTable, DetachedGettersRaiseAndSettersDoNothing) {
    auto bytes = KeyFileBytes(3);
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    t.Attach(nullptr, static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(std::make_pair(t.Attached(), t.Count()), std::make_pair(false, 0));
    for (const auto& g : Getters()) EXPECT_EQ(MessageOf([&] { g.call(t, 1); }), GetError(g.name, 1));
    EXPECT_EQ(MessageOf([&] { t.GetNextFree(); }),
              "KorKeyTable: GetNextFree greift auf einen unerlaubten Tabelleneintrag zu!");
    for (const auto& s : Setters()) s.call(t, 1);
    t.SetNextFree(5);
    EXPECT_EQ(bytes, KeyFileBytes(3));
}

}  // namespace
