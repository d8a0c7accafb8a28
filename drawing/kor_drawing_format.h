// Layout of a page drawing file, as the external drawing program writes it.
//
// All values little-endian; a "word" is 16 bits. Offsets in bytes.
//
//   0    uint16  format mark, 1
//   2    uint16  format version, 1004
//   4    24 B    header bytes of the drawing program, kept as read
//   28   uint32  CRC-32 of every byte from offset 32 to the end of the file
//   32   uint32  N, number of symbol records
//   36   N×uint16 symbol index: entry i = end of record i in words, counted from
//                the first symbol record (the running sum of the record lengths)
//   R    symbol records (R = 36 + 2·N)
//   ...  uint32  reserved, written as 0
//   ...  uint32  M, number of code records
//   ...  M×uint16 code index: entry j = end of code record j in words, counted
//                from the first code record (running sum across all symbols)
//   T    code records: the codes of symbol 0, then those of symbol 1, ...
//   ...  trailer: every remaining byte, kept as read
//
// Both indexes hold 16-bit word counts, so each of the two record areas is at
// most 65535 words long.
//
// Symbol record (length even):
//   0  uint16 length in words, this word included
//   2  uint8  kind; only kinds 6 and 10 carry a name, a type and codes
//   3  3 B    kept as read
//   6  18 B   name, NUL-terminated when shorter than 18
//   24 8 B    kept as read
//   32 int16  symbol type (9: the page's title block)
//   34 uint16 number of code records of this symbol
//   36 ...    kept as read
//
// Code record:
//   0  uint16 length in words = (text length + 2) div 2 + 4
//   2  uint16 word A, kept per code
//   4  uint16 code number
//   6  uint16 word B, kept per code
//   8  ...    text, NUL-terminated, at most 139 characters; the bytes after
//             the NUL up to the record end are padding, written as 0
#pragma once

#include <cstdint>

namespace korin::drawfmt {

// File header.
constexpr uint16_t kMark = 1;
constexpr uint16_t kVersion = 1004;
constexpr int32_t kMarkAt = 0;
constexpr int32_t kVersionAt = 2;
constexpr int32_t kCrcAt = 28;
constexpr int32_t kHeaderBytes = 32;        // kept as read, CRC included
constexpr int32_t kCountAt = 32;            // N
constexpr int32_t kSymbolIndexAt = 36;
constexpr int32_t kCrcFrom = 32;            // the CRC covers [32, end)
constexpr int32_t kMinFileBytes = 37;       // what the content check asks for
static_assert(kCrcAt + 4 == kHeaderBytes, "the CRC is the last field of the header");
static_assert(kCountAt == kHeaderBytes && kSymbolIndexAt == kCountAt + 4,
              "N and the symbol index follow the header directly");
static_assert(kMinFileBytes > kSymbolIndexAt, "a drawing holds at least its header and N");

// Between the symbol records and the code index.
constexpr int32_t kReservedBytes = 4;
constexpr int32_t kCodeCountBytes = 4;      // M
constexpr int32_t kIndexEntryBytes = 2;
constexpr uint32_t kMaxIndexWords = 0xFFFF; // an index entry is a 16-bit word count

// Symbol record.
constexpr int32_t kSymLength = 0;
constexpr int32_t kSymKind = 2;
constexpr int32_t kSymName = 6;
constexpr int32_t kSymNameBytes = 18;
constexpr int32_t kSymType = 32;
constexpr int32_t kSymCodeCount = 34;
constexpr int32_t kSymWithCodesMinBytes = 36;  // kinds 6 and 10 reach up to the code count
constexpr int32_t kSymMinBytes = 4;            // length word and kind, in whole words
constexpr uint8_t kKindSymbol = 6;
constexpr uint8_t kKindSymbolAlt = 10;
static_assert(kSymName + kSymNameBytes + 8 == kSymType, "8 kept bytes lie between name and type");
static_assert(kSymCodeCount + 2 == kSymWithCodesMinBytes, "the code count ends the fixed part");
static_assert(kSymKind < kSymMinBytes, "the kind lies inside the smallest record");

inline bool KindHasCodes(uint8_t kind) { return kind == kKindSymbol || kind == kKindSymbolAlt; }

// Code record.
constexpr int32_t kCodeLength = 0;
constexpr int32_t kCodeWordA = 2;
constexpr int32_t kCodeNumber = 4;
constexpr int32_t kCodeWordB = 6;
constexpr int32_t kCodeText = 8;
constexpr int32_t kCodeMinBytes = kCodeText;   // a record without a text byte still parses
constexpr int32_t kCodeTextMax = 139;

// Length in words of a code record holding a text of `textLength` characters:
// the text, its NUL and at most one padding byte after the 8-byte head.
constexpr int32_t CodeRecordWords(int32_t textLength) { return (textLength + 2) / 2 + 4; }
static_assert(CodeRecordWords(5) == 7 && CodeRecordWords(6) == 8 && CodeRecordWords(7) == 8,
              "odd lengths fill the record, even lengths leave one padding byte");
static_assert(2 * CodeRecordWords(0) >= kCodeText + 1, "an empty text still has its NUL");
static_assert(2 * CodeRecordWords(kCodeTextMax) >= kCodeText + kCodeTextMax + 1,
              "the longest text fits with its NUL");

}  // namespace korin::drawfmt
