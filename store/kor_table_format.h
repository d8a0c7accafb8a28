// The table file format, in one place.
//
// A table file is a fixed header, the field definitions, and fixed-length record
// slots. All integers are little-endian and many are unaligned: they are read and
// written through store/le.h, never by casting a struct onto the mapping.
//
//   offset  width      meaning
//   0       int32      records in use
//   4       int32      head of the free-slot chain: 1-based slot, 0 = none known
//   8       int32      slots ever used (high-water mark: slots 0 .. this-1 exist)
//   12      int32      2, written at creation
//   16      32 bytes   table title, at most 32 characters, NUL-terminated when shorter
//   48      int32      counter of automatic text fields (type 19)
//   88      int32      counter of automatic number fields (type 17)
//   98      int16      number of the table's text lines
//   100     100 bytes  the first three text lines, a NUL between two lines
//   200     6 bytes    type tag "TABLE" and a NUL
//   1024    uint8      2, written at creation
//   1025    uint8      primary key field, 1-based; 0 = none
//   1027    uint8      number of fields n (at most 100)
//   1280    uint8      number of secondary keys (at most 20)
//   1281    packed     secondary key definitions, one after another, ending
//                      before 2304: name NUL-terminated (at most 32 characters),
//                      unique flag (uint8), field count k (uint8, at most 20),
//                      k int16 1-based field numbers
//   2304    64·n       field definition entries (below)
//   B       ...        slot r at B + r·(48 + S), where S = Σ(width_i + 1) and
//                      B = 3184 + 64·n + S
// Every other header byte is zero.
//
// Field definition entry (64 bytes):
//   0 int16 id · 2 int16 width · 4 uint8 type · 5 uint8 decimals ·
//   6 three bytes 2 · 9 uint8 1 · 10 uint16 attribute · 12 52 bytes name (NUL-terminated)
//
// Record slot: a 48-byte record header, then field i's text, NUL-terminated, in
// width_i + 1 bytes at data offset Σ_{j<i}(width_j + 1):
//   0 int32 time of the last write (seconds since 1970, local time); in a deleted
//     slot the next link of the free chain (1-based slot, 0 = end)
//   4 8 bytes zero · 12 six bytes 0xFF · 18 uint32 CRC-32 of the field texts
//   (0 in a deleted slot) · 22 6 bytes zero · 28 uint16 1 = in use, 0 = deleted ·
//   30 18 bytes zero
#pragma once

#include <cstdint>

namespace korin::tablefmt {

// ---- header ------------------------------------------------------------------
constexpr int32_t kRecordCount = 0;
constexpr int32_t kFreeHead = 4;
constexpr int32_t kSlotCount = 8;
constexpr int32_t kVersion = 12;
constexpr int32_t kVersionValue = 2;
constexpr int32_t kTitle = 16;
constexpr int32_t kTitleChars = 32;
constexpr int32_t kCounterText = 48;    // type 19
constexpr int32_t kCounterNumber = 88;  // type 17
constexpr int32_t kTextLineCount = 98;
constexpr int32_t kTextLines = 100;
constexpr int32_t kTextLinesBytes = 100;
constexpr int32_t kTextLinesShown = 3;
constexpr int32_t kTypeTag = 200;
constexpr char kTypeTagText[] = "TABLE";
constexpr int32_t kTypeTagChecked = 8;  // bytes read up to the first NUL by the check
constexpr int32_t kFormatByte = 1024;
constexpr uint8_t kFormatByteValue = 2;
constexpr int32_t kPrimaryField = 1025;
constexpr int32_t kFieldCount = 1027;
constexpr int32_t kKeyCount = 1280;
constexpr int32_t kKeyDefs = 1281;
constexpr int32_t kKeyDefsEnd = 2304;
constexpr int32_t kFieldDefs = 2304;
constexpr int32_t kSlotsBase = 3184;  // + 64·n + S

constexpr int32_t kMaxFields = 100;
constexpr int32_t kMaxKeys = 20;
constexpr int32_t kMaxKeyFields = 20;
constexpr int32_t kKeyNameChars = 32;

// A file must be larger than this to be a table file.
constexpr int32_t kMinFileSize = 3250;
// Size of a new file without field definitions.
constexpr int32_t kEmptyNewFileSize = 1024;
// Slack a new file keeps beyond its header (3284 = 3184 + 100), and the room
// that must stay free behind the last slot before a new slot is placed there.
constexpr int32_t kNewFileSlack = 100;
constexpr int32_t kTailRoom = 100;
// Slots added at once when a full file grows.
constexpr int32_t kGrowSlots = 10;

// A title of 32 characters has its NUL on the counter's low byte, which is zero
// when the title is written (at creation); the title is therefore read as at most
// 32 characters and never trusted to end in a NUL.
static_assert(kTitle + kTitleChars == kCounterText, "32 title characters end at the counter");
static_assert(kTextLines + kTextLinesBytes <= kTypeTag, "text lines end before the type tag");
static_assert(kTypeTag + sizeof kTypeTagText <= kFormatByte, "type tag lies in the first kilobyte");
static_assert(kKeyDefs == kKeyCount + 1, "packed key definitions follow their count");
static_assert(kKeyDefsEnd == kFieldDefs, "key definitions end where field definitions begin");
static_assert(kSlotsBase - kFieldDefs == 880, "the gap between field entries and slots is 880 + S");

// ---- field definition entry --------------------------------------------------
namespace field {
constexpr int32_t kSize = 64;
constexpr int32_t kId = 0;
constexpr int32_t kWidth = 2;
constexpr int32_t kType = 4;
constexpr int32_t kDecimals = 5;
constexpr int32_t kMarks = 6;  // three bytes, each 2
constexpr uint8_t kMarkValue = 2;
constexpr int32_t kWritten = 9;  // 1
constexpr int32_t kAttribute = 10;
constexpr int32_t kName = 12;
constexpr int32_t kNameBytes = 52;
constexpr int32_t kNewFileNameChars = 20;  // names given with a new file
constexpr int32_t kAddedNameChars = 31;    // names given to AddField
constexpr int32_t kRenameChars = kNameBytes - 1;
static_assert(kName + kNameBytes == kSize, "the name fills the entry");
static_assert(kMarks + 3 == kWritten && kWritten + 1 == kAttribute, "marks, written flag, attribute");
}  // namespace field

// Field type codes.
namespace type {
constexpr int32_t kText = 0;
constexpr int32_t kInteger = 1;
constexpr int32_t kDecimal = 2;
constexpr int32_t kRaw = 4;
constexpr int32_t kAutoNumber = 17;
constexpr int32_t kRawAlt = 18;
constexpr int32_t kAutoText = 19;
}  // namespace type

// ---- record slot -------------------------------------------------------------
namespace slot {
constexpr int32_t kHeaderSize = 48;
constexpr int32_t kStamp = 0;  // also the free-chain link of a deleted slot
constexpr int32_t kFill = 12;
constexpr int32_t kFillBytes = 6;
constexpr uint8_t kFillValue = 0xFF;
constexpr int32_t kChecksum = 18;
constexpr int32_t kInUse = 28;
static_assert(kFill + kFillBytes <= kChecksum, "fill bytes lie before the checksum");
static_assert(kChecksum + 4 + 6 == kInUse, "six zero bytes lie between checksum and in-use word");
static_assert(kInUse + 2 + 18 == kHeaderSize, "eighteen zero bytes end the record header");
}  // namespace slot

constexpr int64_t FieldEntryOffset(int32_t i) { return kFieldDefs + int64_t{field::kSize} * i; }
// Offset of slot 0 for n fields of S data bytes per record.
constexpr int64_t RecordsOffset(int32_t n, int64_t s) {
    return kSlotsBase + int64_t{field::kSize} * n + s;
}
static_assert(RecordsOffset(3, 19) == 3395, "fields 10, 5 and 1 wide put slot 0 at 3395");

}  // namespace korin::tablefmt
