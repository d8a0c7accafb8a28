// One symbol of a page drawing with its codes, and the ordered list of a
// drawing's symbols.
//
// A symbol keeps the bytes of its record exactly as read: the system changes
// only code texts, and those live in the separate code records, which are
// rebuilt from the lists here (CodeBytes). Records of kinds other than 6 and 10
// are opaque: they have no name, type or codes and are written back as read.
//
// Code texts are single-byte texts of at most 139 characters that cannot hold a
// NUL (the record ends its text at the first NUL). A text given to SetCode or
// SetCodeTextAt is cut at its first NUL and after 139 characters.
//
// Refusals of TKorDrawSymList::Add (general class Exception; nothing is added):
//   "KorDrawing: Ungültiger Symbolsatz (Satzlänge passt nicht zu den Daten)."
//   "KorDrawing: Symbolsatz mit Codes ist kürzer als 18 Worte."
//   "KorDrawing: Die Codesätze passen nicht zum Symbol (<n> Codes erwartet)."
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/kor_int_list.h"

namespace korin {

class TKorDrawSym {
public:
    // Reads a symbol from its record (2·length bytes) and, for kinds 6 and 10,
    // exactly the bytes of its code records. Refuses as TKorDrawSymList::Add.
    TKorDrawSym(std::span<const uint8_t> record, std::span<const uint8_t> codes);

    const std::vector<uint8_t>& RawRecord() const { return raw_; }
    int32_t RecordWords() const { return static_cast<int32_t>(raw_.size() / 2); }
    uint8_t Kind() const { return kind_; }
    // Kinds 6 and 10 carry name, type and codes.
    bool HasCodeList() const { return hasCodes_; }
    // 0, "" and 0 for opaque records.
    int32_t SymbolType() const { return type_; }
    const std::string& Name() const { return name_; }
    int32_t CodeCount() const { return codeNumbers_.Count(); }

    // The text of the first code with that number; empty when there is none.
    std::string GetCode(int32_t number) const;
    // Replaces the text of the first code with that number; nothing happens when
    // the symbol has no such code (codes are never added or removed).
    void SetCode(int32_t number, std::string_view text);
    bool HasCode(int32_t number) const { return IndexOfCode(number) >= 0; }

    // By position in the code list. Outside 0 … CodeCount−1: the text is empty,
    // the number −1, the words −1, the record length 0, and setting does nothing.
    std::string CodeTextAt(int32_t i) const;
    void SetCodeTextAt(int32_t i, std::string_view text);
    int32_t CodeNumberAt(int32_t i) const { return codeNumbers_.Items(i); }
    int32_t WordAAt(int32_t i) const { return wordsA_.Items(i); }
    int32_t WordBAt(int32_t i) const { return wordsB_.Items(i); }
    // (text length + 2) div 2 + 4: the length the record is written with.
    int32_t CodeRecordWords(int32_t i) const;

    // The code records of this symbol in file order, built from the lists:
    // each with its length, word A, number, word B, the text, a NUL and zero
    // padding. Empty for opaque records.
    std::vector<uint8_t> CodeBytes() const;
    // Appends the same bytes to `out`; returns the words written.
    uint32_t AppendCodeBytes(std::vector<uint8_t>& out) const;

private:
    int32_t IndexOfCode(int32_t number) const;
    bool ValidIndex(int32_t i) const { return i >= 0 && i < CodeCount(); }

    std::vector<uint8_t> raw_;
    uint8_t kind_ = 0;
    bool hasCodes_ = false;
    int32_t type_ = 0;
    std::string name_;
    TIntegerList codeNumbers_;
    TIntegerList wordsA_;
    TIntegerList wordsB_;
    std::vector<std::string> texts_;
};

// Owns its symbols; clearing it frees them.
class TKorDrawSymList {
public:
    // Creates a symbol from its record and its code records and appends it.
    TKorDrawSym* Add(std::span<const uint8_t> record, std::span<const uint8_t> codes);
    // The symbol, or null when i lies outside 0 … Count−1.
    TKorDrawSym* Get(int32_t i) const;
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    void Clear() { items_.clear(); }
    void Reserve(size_t n) { items_.reserve(n); }

private:
    std::vector<std::unique_ptr<TKorDrawSym>> items_;
};

}  // namespace korin
