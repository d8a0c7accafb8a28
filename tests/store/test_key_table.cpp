// The key node table over plain memory: where every field lies, which node
// numbers each accessor accepts, the exact refusals, and that a refused write
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

int32_t ReadI32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
                                static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

int32_t ReadI16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>(b[at] | b[at + 1] << 8));
}

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

struct Getter {
    std::string name;
    std::function<void(const TKorKeyTable&, int32_t)> call;
    bool reachesHeader;  // accepts 0 ... Count
};

std::vector<Getter> Getters() {
    return {
        {"GetDown", [](const TKorKeyTable& t, int32_t k) { t.GetDown(k); }, true},
        {"GetUp", [](const TKorKeyTable& t, int32_t k) { t.GetUp(k); }, true},
        {"GetLeft", [](const TKorKeyTable& t, int32_t k) { t.GetLeft(k); }, false},
        {"GetRight", [](const TKorKeyTable& t, int32_t k) { t.GetRight(k); }, false},
        {"GetBalance", [](const TKorKeyTable& t, int32_t k) { t.GetBalance(k); }, false},
        {"GetIndex", [](const TKorKeyTable& t, int32_t k) { t.GetIndex(k); }, false},
        {"GetType", [](const TKorKeyTable& t, int32_t k) { t.GetType(k); }, false},
        {"GetValue", [](const TKorKeyTable& t, int32_t k) { t.GetValue(k); }, false},
    };
}

struct Setter {
    std::string field;
    std::function<void(TKorKeyTable&, int32_t)> call;
    bool reachesHeader;  // accepts node 0
};

std::vector<Setter> Setters() {
    return {
        {"Down", [](TKorKeyTable& t, int32_t k) { t.SetDown(k, 77); }, true},
        {"Up", [](TKorKeyTable& t, int32_t k) { t.SetUp(k, 77); }, false},
        {"Left", [](TKorKeyTable& t, int32_t k) { t.SetLeft(k, 77); }, false},
        {"Right", [](TKorKeyTable& t, int32_t k) { t.SetRight(k, 77); }, false},
        {"Balance", [](TKorKeyTable& t, int32_t k) { t.SetBalance(k, 1); }, false},
        {"DIndex", [](TKorKeyTable& t, int32_t k) { t.SetDIndex(k, 77); }, false},
        {"Type", [](TKorKeyTable& t, int32_t k) { t.SetType(k, 77); }, false},
        {"Name", [](TKorKeyTable& t, int32_t k) { t.SetName(k, "abc"); }, false},
        {"Evaluate", [](TKorKeyTable& t, int32_t k) { t.SetEvaluate(k, 77); }, false},
    };
}

// ---- layout --------------------------------------------------------------------

TEST(KeyTable, FieldsLieWhereTheNodeLayoutPutsThem) {
    auto bytes = KeyFileBytes(4);
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_TRUE(t.Attached());
    EXPECT_EQ(t.Count(), 4);

    t.SetDown(2, 0x01020304);
    t.SetUp(2, -2);
    t.SetLeft(2, 0x7FFFFFFF);
    t.SetRight(2, 1000);
    t.SetBalance(2, -1);
    t.SetDIndex(2, 123456);
    t.SetType(2, 80);
    t.SetName(2, "P_KEY");
    t.SetEvaluate(2, 0xA5);

    std::vector<uint8_t> expected = KeyFileBytes(4);
    const size_t n = 128;
    PutI32(expected, n + 0, 0x01020304);
    PutI32(expected, n + 4, -2);
    PutI32(expected, n + 8, 0x7FFFFFFF);
    PutI32(expected, n + 12, 1000);
    expected[n + 16] = 0xFF;
    expected[n + 17] = 0xFF;
    PutI32(expected, n + 20, 123456);
    expected[n + 24] = 80;
    std::memcpy(&expected[n + 26], "P_KEY", 6);  // with its NUL
    expected[n + 61] = 0xA5;
    EXPECT_EQ(bytes, expected);

    EXPECT_EQ(t.GetDown(2), 0x01020304);
    EXPECT_EQ(t.GetUp(2), -2);
    EXPECT_EQ(t.GetLeft(2), 0x7FFFFFFF);
    EXPECT_EQ(t.GetRight(2), 1000);
    EXPECT_EQ(t.GetBalance(2), -1);
    EXPECT_EQ(t.GetIndex(2), 123456);
    EXPECT_EQ(t.GetType(2), 80);
    EXPECT_EQ(t.GetValue(2), "P_KEY");
}

TEST(KeyTable, ReadsFieldsWrittenByOthers) {
    auto bytes = KeyFileBytes(3);
    PutI32(bytes, 0, 2);       // root
    PutI32(bytes, 4, 3);       // NextFree
    PutI32(bytes, 64 + 8, 9);  // Left of node 1
    PutI32(bytes, 64 + 20, -7);
    bytes[64 + 24] = 0xFE;     // Type 0xFFFE: widened with its sign
    bytes[64 + 25] = 0xFF;
    std::memcpy(&bytes[64 + 26], "Ab\0zz", 5);
    PutI32(bytes, 192 + 4, 55);  // Up of node 3, the partial node
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(t.GetDown(0), 2);
    EXPECT_EQ(t.GetUp(0), 3);
    EXPECT_EQ(t.GetNextFree(), 3);
    EXPECT_EQ(t.GetLeft(1), 9);
    EXPECT_EQ(t.GetIndex(1), -7);
    EXPECT_EQ(t.GetType(1), -2);
    EXPECT_EQ(t.GetValue(1), "Ab");
    EXPECT_EQ(t.GetUp(3), 55);
}

TEST(KeyTable, NextFreeIsTheUpWordOfTheHeader) {
    auto bytes = KeyFileBytes(2);
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    t.SetNextFree(-5);
    EXPECT_EQ(ReadI32(bytes, 4), -5);
    EXPECT_EQ(t.GetUp(0), -5);
    t.SetDown(0, 1);  // the root
    EXPECT_EQ(ReadI32(bytes, 0), 1);
    EXPECT_EQ(t.GetNextFree(), -5);
}

TEST(KeyTable, BalanceAndTypeKeepTheLow16Bits) {
    auto bytes = KeyFileBytes(2);
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    t.SetBalance(1, -1);
    EXPECT_EQ(t.GetBalance(1), -1);
    t.SetBalance(1, 0x12345);
    EXPECT_EQ(t.GetBalance(1), 0x2345);
    EXPECT_EQ(ReadI32(bytes, 64 + 16) & 0xFFFF, 0x2345);
    EXPECT_EQ(bytes[64 + 18], 0);  // the reserved bytes after it stay untouched
    t.SetType(1, 255);
    EXPECT_EQ(t.GetType(1), 255);
    t.SetType(1, 0xFFFF);
    EXPECT_EQ(t.GetType(1), -1);
    EXPECT_EQ(ReadI16(bytes, 64 + 24), -1);
    EXPECT_EQ(ReadI32(bytes, 64 + 20), 0);
    EXPECT_EQ(bytes[64 + 26], 0);
}

TEST(KeyTable, NamesAreCutAt32Characters) {
    auto bytes = KeyFileBytes(2);
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    bytes[64 + 59] = 0x77;  // reserved byte right after the name field
    const std::string forty = "0123456789abcdefghijABCDEFGHIJ!?klmnopqr";
    t.SetName(1, forty);
    EXPECT_EQ(t.GetValue(1), forty.substr(0, 32));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&bytes[64 + 26]), 32), forty.substr(0, 32));
    EXPECT_EQ(bytes[64 + 58], 0);     // the terminating NUL
    EXPECT_EQ(bytes[64 + 59], 0x77);  // nothing written beyond it
    t.SetName(1, "ab");
    EXPECT_EQ(t.GetValue(1), "ab");
    t.SetName(1, "");
    EXPECT_EQ(t.GetValue(1), "");
    // 8-bit texts are stored unchanged.
    t.SetName(1, "M\xe4\xdf");
    EXPECT_EQ(t.GetValue(1), "M\xe4\xdf");
}

TEST(KeyTable, AnUnterminatedNameIsReadAsItsFull33Bytes) {
    auto bytes = KeyFileBytes(2);
    std::memset(&bytes[64 + 26], 'x', 33);
    std::memset(&bytes[64 + 59], 'y', 5);
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(t.GetValue(1), std::string(33, 'x'));
}

// ---- accepted node numbers ------------------------------------------------------

TEST(KeyTable, GettersAcceptTheirRangeAndNameThemselvesOutsideIt) {
    auto bytes = KeyFileBytes(3);  // Count 3: nodes 0, 1, 2 and the head of node 3
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    for (const auto& g : Getters()) {
        const int32_t low = g.reachesHeader ? 0 : 1;
        const int32_t high = g.reachesHeader ? 3 : 2;
        for (int32_t k = low; k <= high; ++k) EXPECT_NO_THROW(g.call(t, k)) << g.name << " " << k;
        EXPECT_EQ(MessageOf([&] { g.call(t, low - 1); }), GetError(g.name, low - 1));
        EXPECT_EQ(MessageOf([&] { g.call(t, high + 1); }), GetError(g.name, high + 1));
        EXPECT_EQ(MessageOf([&] { g.call(t, -1000); }), GetError(g.name, -1000));
        EXPECT_EQ(MessageOf([&] { g.call(t, 2147483647); }), GetError(g.name, 2147483647));
    }
}

TEST(KeyTable, TheHeadOfNodeCountIsReadableOnlyWhereTheFileHoldsIt) {
    // A new key file: node 0 and the Down and Up words of node 1.
    auto fresh = KeyFileBytes(1);
    PutI32(fresh, 64 + 4, 9);
    TKorKeyTable t;
    t.Attach(fresh.data(), static_cast<int32_t>(fresh.size()));
    EXPECT_EQ(t.Count(), 1);
    EXPECT_EQ(t.GetUp(1), 9);
    EXPECT_EQ(t.GetDown(1), 0);
    EXPECT_EQ(MessageOf([&] { t.GetLeft(1); }), GetError("GetLeft", 1));
    EXPECT_EQ(MessageOf([&] { t.SetUp(1, 4); }), SetError("Up", 1));
    EXPECT_EQ(ReadI32(fresh, 64 + 4), 9);

    // Without those eight bytes node Count cannot be read.
    std::vector<uint8_t> whole(128, 0);
    t.Attach(whole.data(), 128);
    EXPECT_EQ(t.Count(), 2);
    EXPECT_NO_THROW(t.GetUp(1));
    EXPECT_EQ(MessageOf([&] { t.GetUp(2); }), GetError("GetUp", 2));
    EXPECT_EQ(MessageOf([&] { t.GetDown(2); }), GetError("GetDown", 2));
}

TEST(KeyTable, SettersAcceptTheirRangeAndWriteNothingOutsideIt) {
    auto bytes = KeyFileBytes(3);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 13 + 5);
    const auto before = bytes;
    TKorKeyTable t;
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    for (const auto& s : Setters()) {
        const int32_t low = s.reachesHeader ? 0 : 1;
        for (int32_t k : {low - 1, 3, 4, -1000}) {
            EXPECT_EQ(MessageOf([&] { s.call(t, k); }), SetError(s.field, k)) << s.field << " " << k;
            ASSERT_EQ(bytes, before) << s.field << " wrote for " << k;
        }
    }
    for (const auto& s : Setters()) {
        const int32_t low = s.reachesHeader ? 0 : 1;
        for (int32_t k = low; k <= 2; ++k) EXPECT_NO_THROW(s.call(t, k)) << s.field << " " << k;
    }
    // Node 0's Up is written through SetNextFree only.
    EXPECT_EQ(MessageOf([&] { t.SetUp(0, 1); }), SetError("Up", 0));
    EXPECT_EQ(MessageOf([&] { t.SetBalance(0, 1); }),
              "KorKeyTable: Index 0 ist ungültig! Balance kann nicht geschrieben werden.");
}

TEST(KeyTable, DetachedGettersRaiseAndSettersDoNothing) {
    TKorKeyTable t;
    EXPECT_FALSE(t.Attached());
    EXPECT_EQ(t.Count(), 0);
    for (const auto& g : Getters()) {
        EXPECT_EQ(MessageOf([&] { g.call(t, 0); }), GetError(g.name, 0));
        EXPECT_EQ(MessageOf([&] { g.call(t, 1); }), GetError(g.name, 1));
    }
    EXPECT_EQ(MessageOf([&] { t.GetNextFree(); }),
              "KorKeyTable: GetNextFree greift auf einen unerlaubten Tabelleneintrag zu!");
    for (const auto& s : Setters()) {
        EXPECT_EQ(MessageOf([&] { s.call(t, 1); }), "(nothing raised)") << s.field;
        EXPECT_EQ(MessageOf([&] { s.call(t, -3); }), "(nothing raised)") << s.field;
    }
    EXPECT_EQ(MessageOf([&] { t.SetNextFree(4); }), "(nothing raised)");

    // Attaching null detaches again, and nothing reaches the former bytes.
    auto bytes = KeyFileBytes(3);
    t.Attach(bytes.data(), static_cast<int32_t>(bytes.size()));
    t.Attach(nullptr, static_cast<int32_t>(bytes.size()));
    EXPECT_FALSE(t.Attached());
    EXPECT_EQ(t.Count(), 0);
    t.SetDown(0, 5);
    t.SetLeft(1, 5);
    t.SetNextFree(5);
    EXPECT_EQ(bytes, KeyFileBytes(3));
    EXPECT_EQ(MessageOf([&] { t.GetDown(0); }), GetError("GetDown", 0));
}

TEST(KeyTable, CountIsTheNumberOfWholeNodes) {
    std::vector<uint8_t> bytes(64 * 5 + 63, 0);
    TKorKeyTable t;
    t.Attach(bytes.data(), 64 * 5 + 63);
    EXPECT_EQ(t.Count(), 5);
    t.Attach(bytes.data(), 63);
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(MessageOf([&] { t.GetDown(1); }), GetError("GetDown", 1));
    EXPECT_EQ(MessageOf([&] { t.SetDown(0, 1); }), SetError("Down", 0));
}

}  // namespace
