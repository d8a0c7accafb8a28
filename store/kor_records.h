// Record slots of a table file.
//
// TKorRecords locates the fixed-length slots of an open table file and reads and
// writes the field texts of one slot at a time (layout in
// store/kor_table_format.h). It owns nothing in the file and holds the view only
// between two re-attachments: the table calls Init again whenever it opens,
// grows or closes, so no address into the mapping outlives a growth.
//
// Slots are addressed by number and checked against the file's size on every
// access, so a damaged count or key never reads or writes beyond the file: a slot
// outside the file reads as an empty slot that is not in use, and writing to it
// raises
//   EKorTabError "KorTable: Datensatz <slot> liegt außerhalb der Datei!"
// without writing anything.
//
// The checksum of a record is the CRC-32 (store/kor_crc.h) of its field texts,
// concatenated in field order without their NULs; an empty concatenation gives 0.
// It is taken over the whole concatenation (fields may add up to any length).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/kor_prefetch.h"
#include "store/kor_table_format.h"

namespace korin {

// Seconds since 1970-01-01 00:00 in local time, as record stamps and catalogue
// entries store it.
int32_t RecordTimeStamp();

class TKorRecords {
public:
    // Computes the field offsets, S and B from the widths of the first
    // `fieldCount` field entries in the header at `view`, then selects `slot`.
    // A null view detaches. `fileSize` bounds every slot access.
    void Init(uint8_t* view, int64_t fileSize, int32_t fieldCount, int32_t slot);
    void Detach() { Init(nullptr, 0, 0, 0); }
    // The data file's full path under which record writes are announced
    // (store/kor_table_watch.h); empty: not announced.
    void SetWatchPath(std::string path) { watchPath_ = std::move(path); }
    bool Attached() const { return view_ != nullptr; }

    // Makes `slot` the current slot (no check: see SlotInFile).
    void Select(int32_t slot) { slot_ = slot; }
    int32_t CurrentSlot() const { return slot_; }

    int64_t RecordsOffset() const { return recordsOffset_; }  // B
    int32_t DataSize() const { return dataSize_; }            // S
    int32_t SlotSize() const { return tablefmt::slot::kHeaderSize + dataSize_; }
    int32_t FieldCount() const { return static_cast<int32_t>(widths_.size()); }
    int32_t FieldWidth(int32_t i) const { return widths_[static_cast<size_t>(i)]; }
    int32_t FieldOffset(int32_t i) const { return offsets_[static_cast<size_t>(i)]; }
    int64_t SlotOffset(int32_t slot) const {
        return recordsOffset_ + static_cast<int64_t>(slot) * SlotSize();
    }
    // The whole slot lies inside the file.
    bool SlotInFile(int32_t slot) const;
    // Asks the processor to load `slot`, which is read soon (nothing for a
    // slot outside the file).
    void Prefetch(int32_t slot) const {
        if (view_ == nullptr || slot < 0 || SlotOffset(slot) + SlotSize() > fileSize_) return;
        const uint8_t* begin = view_ + SlotOffset(slot);
        for (const uint8_t* p = begin; p < begin + SlotSize(); p += 64) PrefetchLine(p);
        PrefetchLine(begin + SlotSize() - 1);
    }
    bool SlotInFile() const { return SlotInFile(slot_); }

    // The in-use word of the current slot is 1.
    bool IsActive() const;
    // Field i's text up to its NUL (at most its width); empty outside.
    std::string GetField(int32_t i) const { return std::string(GetFieldView(i)); }
    // The same text read in place; valid until the table grows or closes.
    std::string_view GetFieldView(int32_t i) const;
    // Time stamp := now; at most width_i characters of the text and a NUL into
    // field i (the bytes behind the NUL stay as they were); checksum anew.
    void SetField(int32_t i, std::string_view text);
    // The same for several fields at once: one stamp and one checksum.
    void SetFields(const std::vector<std::string>& texts);
    // Field i's text and a NUL, nothing else: stamp and checksum stay.
    void PutFieldText(int32_t i, std::string_view text);

    int32_t GetStamp() const;
    void SetStamp(int32_t value);
    uint32_t GetChecksum() const;
    // The checksum the current field texts give.
    uint32_t ComputeChecksum() const;
    void UpdateChecksum();

    // The 48-byte record header out of / into the current slot.
    void GetHeader(uint8_t* out) const;
    void SetHeader(const uint8_t* in);

    // The current slot's field data (S bytes), null outside the file. Valid only
    // until the table grows.
    const uint8_t* DataAddress() const;
    // Copies S bytes of field data into the current slot, then the checksum.
    void SetData(const uint8_t* bytes);

    // Selects `slot`; zeroes its record header, sets bytes 12..17 to 0xFF, the
    // stamp to now and the in-use word to 1. The field data stays.
    void InitSlot(int32_t slot);
    // In-use word := 0, checksum := 0, stamp word := the table's free-slot head,
    // free-slot head := current slot + 1.
    void DeleteSlot();

private:
    void Announce() const;
    uint8_t* SlotFor();  // raises outside the file
    const uint8_t* SlotOrNull() const;

    uint8_t* view_ = nullptr;
    std::string watchPath_;
    int64_t fileSize_ = 0;
    int32_t slot_ = 0;
    int32_t dataSize_ = 0;
    int64_t recordsOffset_ = 0;
    std::vector<int32_t> offsets_;
    std::vector<int32_t> widths_;
};

}  // namespace korin
