// Record slots: where slots and fields lie, what writing a field, initialising
// and deleting a slot do to its bytes, the checksum, and slots outside the file.
#include <gtest/gtest.h>

#include <zlib.h>

#include <ctime>
#include <string>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_records.h"
#include "store/kor_table_format.h"
#include "store/le.h"
#include "test_support.h"

namespace {

using namespace korin;
namespace fmt = korin::tablefmt;

// A table file image with fields of the given widths and room for `slots` slots.
struct Image {
    Image(const std::vector<int16_t>& widths, int slots) {
        int32_t s = 0;
        for (int16_t w : widths) s += w + 1;
        const int64_t b = fmt::RecordsOffset(static_cast<int32_t>(widths.size()), s);
        bytes.assign(static_cast<size_t>(b + slots * (48 + s)), 0);
        bytes[fmt::kFieldCount] = static_cast<uint8_t>(widths.size());
        for (size_t i = 0; i < widths.size(); ++i)
            le::PutI16(bytes.data() + fmt::FieldEntryOffset(static_cast<int32_t>(i)) + fmt::field::kWidth, widths[i]);
        records.Init(bytes.data(), static_cast<int64_t>(bytes.size()), static_cast<int32_t>(widths.size()), 0);
    }
    const uint8_t* Slot(int r) const { return bytes.data() + records.SlotOffset(r); }
    std::vector<uint8_t> bytes;
    TKorRecords records;
};

uint32_t Crc(const std::string& s) {
    return s.empty() ? 0u : static_cast<uint32_t>(::crc32(0L, reinterpret_cast<const Bytef*>(s.data()),
                                                          static_cast<uInt>(s.size())));
}

int32_t ExpectedStamp() {
    const time_t now = ::time(nullptr);
    tm local{};
    ::localtime_r(&now, &local);
    return static_cast<int32_t>(now + local.tm_gmtoff);
}

TEST(RecordsLayout, WidthsTenFiveAndOneGiveSlotsOf67BytesFrom3395) {
    Image img({10, 5, 1}, 3);
    const TKorRecords& r = img.records;
    EXPECT_EQ((std::vector<int64_t>{r.DataSize(), r.SlotSize(), r.RecordsOffset(), r.SlotOffset(2), r.FieldOffset(1), r.FieldOffset(2)}),
              (std::vector<int64_t>{19, 67, 3395, 3395 + 2 * 67, 11, 17}));
    img.records.Select(1);
    img.records.SetField(2, "Z");
    EXPECT_EQ(img.bytes[3395 + 67 + 48 + 17], 'Z');
    EXPECT_EQ(img.bytes[3395 + 67 + 48 + 18], 0);
}

TEST(RecordsFields, LongTextsAreCutAndTheBytesBehindTheNulStay) {
    Image img({4, 3}, 1);
    TKorRecords& r = img.records;
    r.SetField(0, "ABCDEFG");
    EXPECT_EQ(r.GetField(0), "ABCD");
    r.SetField(0, "x");
    EXPECT_EQ(r.GetField(0), "x");
    // Only the text and its NUL are written.
    const uint8_t* data = img.Slot(0) + 48;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 5), std::string("x\0CD\0", 5));
    EXPECT_EQ(r.GetField(2) + r.GetField(-1), "");
    // A field without NUL reads at most its width.
    std::memset(img.bytes.data() + r.SlotOffset(0) + 48, 'q', 9);
    EXPECT_EQ(r.GetField(0) + "|" + r.GetField(1), "qqqq|qqq");
}

TEST(RecordsChecksum, IsTheCrcOfTheConcatenatedTextsAndZeroWhenEmpty) {
    Image img({6, 6, 6}, 1);
    TKorRecords& r = img.records;
    r.SetField(0, "abc");
    r.SetField(2, "xyz");
    EXPECT_EQ(le::U32(img.Slot(0) + 18), Crc("abcxyz"));
    EXPECT_EQ(r.GetChecksum(), Crc("abcxyz"));
    // The same texts through SetData.
    std::vector<uint8_t> data(static_cast<size_t>(r.DataSize()), 0);
    std::memcpy(data.data() + 7, "mid", 3);
    r.SetData(data.data());
    EXPECT_EQ(r.GetChecksum(), Crc("mid"));
    std::fill(data.begin(), data.end(), 0);
    r.SetData(data.data());
    EXPECT_EQ(r.GetChecksum(), 0u);
    // A standard check value: CRC-32 of "123456789" is CBF43926.
    r.SetField(0, "12345");
    r.SetField(1, "6789");
    EXPECT_EQ(r.GetChecksum(), 0xCBF43926u);
}

TEST(RecordsSlots, InitSlotWritesTheRecordHeaderAndStampsLocalTime) {
    Image img({3}, 2);
    TKorRecords& r = img.records;
    std::memset(img.bytes.data() + r.SlotOffset(1), 0x55, 48);
    const int32_t before = ExpectedStamp();
    r.InitSlot(1);
    const int32_t after = ExpectedStamp();
    EXPECT_EQ(r.CurrentSlot(), 1);
    const uint8_t* s = img.Slot(1);
    EXPECT_GE(le::I32(s), before);
    EXPECT_LE(le::I32(s), after + 1);
    std::vector<uint8_t> rest(44, 0);  // the header behind the stamp
    std::fill(rest.begin() + 8, rest.begin() + 14, 0xFF);
    rest[24] = 1;
    EXPECT_EQ(std::vector<uint8_t>(s + 4, s + 48), rest);
    EXPECT_TRUE(r.IsActive());
}

TEST(RecordsSlots, DeletingSlot4WithHead2LinksTo2AndMakesTheHead5) {
    Image img({3}, 6);
    TKorRecords& r = img.records;
    r.InitSlot(4);
    r.SetField(0, "abc");
    le::PutI32(img.bytes.data() + fmt::kFreeHead, 2);
    r.DeleteSlot();
    EXPECT_EQ((std::vector<int64_t>{le::I32(img.Slot(4)), le::I32(img.bytes.data() + fmt::kFreeHead), le::U32(img.Slot(4) + 18),
                                    le::U16(img.Slot(4) + 28)}),
              (std::vector<int64_t>{2, 5, 0, 0}));
    EXPECT_FALSE(r.IsActive());
    uint8_t header[48];
    r.GetHeader(header);
    EXPECT_EQ(le::I32(header), 2);
}

TEST(RecordsSlots, ASlotOutsideTheFileReadsEmptyAndRefusesWrites) {
    Image img({3, 2}, 2);
    TKorRecords& r = img.records;
    r.InitSlot(1);
    r.SetField(0, "ok");
    const std::vector<uint8_t> snapshot = img.bytes;
    for (int32_t slot : {2, 1000000, -1}) {
        r.Select(slot);
        EXPECT_FALSE(r.SlotInFile() || r.IsActive()) << slot;
        EXPECT_EQ(r.GetField(0), "");
        EXPECT_EQ(r.DataAddress(), nullptr);
        EXPECT_EQ(r.GetStamp(), 0);
        EXPECT_EQ(korin::testing::MessageOf<EKorTabError>([&] { r.SetField(0, "x"); }),
                  "KorTable: Datensatz " + std::to_string(slot) + " liegt außerhalb der Datei!");
        EXPECT_THROW(r.InitSlot(slot), EKorTabError);
        EXPECT_THROW(r.DeleteSlot(), EKorTabError);
    }
    EXPECT_EQ(img.bytes, snapshot);
}

}  // namespace
