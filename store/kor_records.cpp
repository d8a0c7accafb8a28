#include "store/kor_records.h"
#include "store/kor_table_watch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include <zlib.h>

#include "store/kor_error.h"
#include "store/le.h"

namespace korin {

using namespace tablefmt;

int32_t RecordTimeStamp() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // The offset of local time changes only at whole minutes: it is asked for
    // once a minute, not for every record written.
    static time_t offsetMinute = -1;
    static int64_t offset = 0;
    if (now.tv_sec / 60 != offsetMinute) {
        time_t seconds = now.tv_sec;
        tm local{};
        ::localtime_r(&seconds, &local);
        offset = local.tm_gmtoff;
        offsetMinute = now.tv_sec / 60;
    }
    // The day-count clock is rounded to the nearest second.
    const int64_t stamp = static_cast<int64_t>(now.tv_sec) + offset + (now.tv_nsec >= 500'000'000 ? 1 : 0);
    return static_cast<int32_t>(static_cast<uint32_t>(stamp));
}

void TKorRecords::Init(uint8_t* view, int64_t fileSize, int32_t fieldCount, int32_t slot) {
    view_ = view;
    fileSize_ = view ? fileSize : 0;
    offsets_.clear();
    widths_.clear();
    dataSize_ = 0;
    if (view != nullptr) {
        const int32_t n = std::clamp(fieldCount, 0, kMaxFields);
        int32_t offset = 0;
        for (int32_t i = 0; i < n; ++i) {
            // The table refuses negative widths when it opens a file; a width
            // read as negative is taken as 0 so that no offset can point before
            // its slot.
            const int32_t width = std::max<int32_t>(0, le::I16(view + FieldEntryOffset(i) + field::kWidth));
            offsets_.push_back(offset);
            widths_.push_back(width);
            offset += width + 1;
        }
        dataSize_ = offset;
    }
    recordsOffset_ = view ? tablefmt::RecordsOffset(static_cast<int32_t>(widths_.size()), dataSize_) : 0;
    Select(slot);
}

bool TKorRecords::SlotInFile(int32_t slot) const {
    if (view_ == nullptr || slot < 0) return false;
    return SlotOffset(slot) + SlotSize() <= fileSize_;
}

const uint8_t* TKorRecords::SlotOrNull() const {
    return SlotInFile(slot_) ? view_ + SlotOffset(slot_) : nullptr;
}

uint8_t* TKorRecords::SlotFor() {
    if (!SlotInFile(slot_))
        throw EKorTabError("KorTable: Datensatz " + std::to_string(slot_) + " liegt außerhalb der Datei!");
    return view_ + SlotOffset(slot_);
}

bool TKorRecords::IsActive() const {
    const uint8_t* s = SlotOrNull();
    return s != nullptr && le::U16(s + slot::kInUse) == 1;
}

std::string_view TKorRecords::GetFieldView(int32_t i) const {
    const uint8_t* s = SlotOrNull();
    if (s == nullptr || i < 0 || i >= FieldCount()) return {};
    const auto* text = reinterpret_cast<const char*>(s + slot::kHeaderSize + FieldOffset(i));
    return std::string_view(text, ::strnlen(text, static_cast<size_t>(FieldWidth(i))));
}

void TKorRecords::PutFieldText(int32_t i, std::string_view text) {
    if (i < 0 || i >= FieldCount()) return;
    uint8_t* s = SlotFor();
    uint8_t* target = s + slot::kHeaderSize + FieldOffset(i);
    const size_t n = std::min(text.size(), static_cast<size_t>(FieldWidth(i)));
    std::memcpy(target, text.data(), n);
    target[n] = 0;
}

void TKorRecords::SetField(int32_t i, std::string_view text) {
    if (i < 0 || i >= FieldCount()) return;
    SetStamp(RecordTimeStamp());
    PutFieldText(i, text);
    UpdateChecksum();
}

void TKorRecords::SetFields(const std::vector<std::string>& texts) {
    SetStamp(RecordTimeStamp());
    const int32_t n = std::min<int32_t>(FieldCount(), static_cast<int32_t>(texts.size()));
    for (int32_t i = 0; i < n; ++i) PutFieldText(i, texts[static_cast<size_t>(i)]);
    UpdateChecksum();
}

int32_t TKorRecords::GetStamp() const {
    const uint8_t* s = SlotOrNull();
    return s ? le::I32(s + slot::kStamp) : 0;
}

void TKorRecords::SetStamp(int32_t value) { le::PutI32(SlotFor() + slot::kStamp, value); }

uint32_t TKorRecords::GetChecksum() const {
    const uint8_t* s = SlotOrNull();
    return s ? le::U32(s + slot::kChecksum) : 0;
}

uint32_t TKorRecords::ComputeChecksum() const {
    const uint8_t* s = SlotOrNull();
    if (s == nullptr) return 0;
    uLong crc = ::crc32(0L, Z_NULL, 0);
    size_t total = 0;
    for (int32_t i = 0; i < FieldCount(); ++i) {
        const auto* text = s + slot::kHeaderSize + FieldOffset(i);
        const size_t n = ::strnlen(reinterpret_cast<const char*>(text), static_cast<size_t>(FieldWidth(i)));
        if (n > 0) crc = ::crc32(crc, text, static_cast<uInt>(n));
        total += n;
    }
    return total == 0 ? 0u : static_cast<uint32_t>(crc);
}

void TKorRecords::Announce() const {
    if (!watchPath_.empty()) AnnounceTableChange(watchPath_, TKorTableChange::Records);
}

void TKorRecords::UpdateChecksum() {
    uint8_t* s = SlotFor();
    le::PutU32(s + slot::kChecksum, ComputeChecksum());
    Announce();
}

void TKorRecords::GetHeader(uint8_t* out) const {
    const uint8_t* s = SlotOrNull();
    if (s)
        std::memcpy(out, s, slot::kHeaderSize);
    else
        std::memset(out, 0, slot::kHeaderSize);
}

void TKorRecords::SetHeader(const uint8_t* in) { std::memcpy(SlotFor(), in, slot::kHeaderSize); }

const uint8_t* TKorRecords::DataAddress() const {
    const uint8_t* s = SlotOrNull();
    return s ? s + slot::kHeaderSize : nullptr;
}

void TKorRecords::SetData(const uint8_t* bytes) {
    uint8_t* s = SlotFor();
    std::memmove(s + slot::kHeaderSize, bytes, static_cast<size_t>(dataSize_));
    UpdateChecksum();
}

void TKorRecords::InitSlot(int32_t slotNumber) {
    Select(slotNumber);
    uint8_t* s = SlotFor();
    std::memset(s, 0, slot::kHeaderSize);
    std::memset(s + slot::kFill, slot::kFillValue, slot::kFillBytes);
    le::PutI32(s + slot::kStamp, RecordTimeStamp());
    le::PutU16(s + slot::kInUse, 1);
    Announce();
}

void TKorRecords::DeleteSlot() {
    uint8_t* s = SlotFor();
    le::PutU16(s + slot::kInUse, 0);
    le::PutU32(s + slot::kChecksum, 0);
    le::PutI32(s + slot::kStamp, le::I32(view_ + kFreeHead));
    le::PutI32(view_ + kFreeHead, slot_ + 1);
    Announce();
}

}  // namespace korin
