#include "drawing/kor_draw_sym.h"

#include <algorithm>
#include <cstring>

#include "drawing/kor_drawing_format.h"
#include "store/kor_error.h"
#include "store/le.h"

namespace korin {
namespace {

namespace f = drawfmt;

// A code text as the record can hold it: up to the first NUL, at most 139
// characters.
std::string StorableText(std::string_view text) {
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    if (text.size() > static_cast<size_t>(f::kCodeTextMax)) text = text.substr(0, f::kCodeTextMax);
    return std::string(text);
}

// A NUL-terminated text inside [p, p + capacity), at most `limit` characters.
std::string FieldText(const uint8_t* p, size_t capacity, size_t limit) {
    const size_t n = std::min(capacity, limit);
    const void* nul = std::memchr(p, 0, n);
    const size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p) : n;
    return std::string(reinterpret_cast<const char*>(p), len);
}

}  // namespace

TKorDrawSym::TKorDrawSym(std::span<const uint8_t> record, std::span<const uint8_t> codes) {
    if (record.size() < static_cast<size_t>(f::kSymMinBytes) ||
        2u * le::U16(record.data() + f::kSymLength) != record.size())
        throw Exception("KorDrawing: Ungültiger Symbolsatz (Satzlänge passt nicht zu den Daten).");
    kind_ = record[f::kSymKind];
    hasCodes_ = f::KindHasCodes(kind_);
    if (!hasCodes_) {
        if (!codes.empty())
            throw Exception("KorDrawing: Die Codesätze passen nicht zum Symbol (0 Codes erwartet).");
        raw_.assign(record.begin(), record.end());
        return;
    }
    if (record.size() < static_cast<size_t>(f::kSymWithCodesMinBytes))
        throw Exception("KorDrawing: Symbolsatz mit Codes ist kürzer als 18 Worte.");

    type_ = le::I16(record.data() + f::kSymType);
    name_ = FieldText(record.data() + f::kSymName, f::kSymNameBytes, f::kSymNameBytes);
    const int32_t count = le::U16(record.data() + f::kSymCodeCount);
    const auto mismatch = [count] {
        return Exception("KorDrawing: Die Codesätze passen nicht zum Symbol (" +
                         std::to_string(count) + " Codes erwartet).");
    };

    // Every code record must lie inside `codes`, and together they must fill it.
    codeNumbers_.Reserve(static_cast<size_t>(count));
    wordsA_.Reserve(static_cast<size_t>(count));
    wordsB_.Reserve(static_cast<size_t>(count));
    texts_.reserve(static_cast<size_t>(count));
    size_t at = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (codes.size() - at < static_cast<size_t>(f::kCodeMinBytes)) throw mismatch();
        const uint8_t* p = codes.data() + at;
        const size_t bytes = 2u * le::U16(p + f::kCodeLength);
        if (bytes < static_cast<size_t>(f::kCodeMinBytes) || bytes > codes.size() - at)
            throw mismatch();
        wordsA_.Add(le::U16(p + f::kCodeWordA));
        codeNumbers_.Add(le::U16(p + f::kCodeNumber));
        wordsB_.Add(le::U16(p + f::kCodeWordB));
        texts_.push_back(FieldText(p + f::kCodeText, bytes - f::kCodeText, f::kCodeTextMax));
        at += bytes;
    }
    if (at != codes.size()) throw mismatch();
    raw_.assign(record.begin(), record.end());
}

int32_t TKorDrawSym::IndexOfCode(int32_t number) const { return codeNumbers_.IndexOf(number); }

std::string TKorDrawSym::GetCode(int32_t number) const {
    const int32_t i = IndexOfCode(number);
    return i < 0 ? std::string() : texts_[static_cast<size_t>(i)];
}

void TKorDrawSym::SetCode(int32_t number, std::string_view text) {
    SetCodeTextAt(IndexOfCode(number), text);
}

std::string TKorDrawSym::CodeTextAt(int32_t i) const {
    return ValidIndex(i) ? texts_[static_cast<size_t>(i)] : std::string();
}

void TKorDrawSym::SetCodeTextAt(int32_t i, std::string_view text) {
    if (ValidIndex(i)) texts_[static_cast<size_t>(i)] = StorableText(text);
}

int32_t TKorDrawSym::CodeRecordWords(int32_t i) const {
    return ValidIndex(i) ? f::CodeRecordWords(static_cast<int32_t>(texts_[static_cast<size_t>(i)].size()))
                         : 0;
}

uint32_t TKorDrawSym::AppendCodeBytes(std::vector<uint8_t>& out) const {
    uint32_t words = 0;
    for (int32_t i = 0; i < CodeCount(); ++i) {
        const std::string& text = texts_[static_cast<size_t>(i)];
        const int32_t length = CodeRecordWords(i);
        const size_t at = out.size();
        out.resize(at + 2u * static_cast<size_t>(length), 0);  // NUL and padding stay 0
        uint8_t* p = out.data() + at;
        le::PutU16(p + f::kCodeLength, static_cast<uint16_t>(length));
        le::PutU16(p + f::kCodeWordA, static_cast<uint16_t>(wordsA_.Items(i)));
        le::PutU16(p + f::kCodeNumber, static_cast<uint16_t>(codeNumbers_.Items(i)));
        le::PutU16(p + f::kCodeWordB, static_cast<uint16_t>(wordsB_.Items(i)));
        std::memcpy(p + f::kCodeText, text.data(), text.size());
        words += static_cast<uint32_t>(length);
    }
    return words;
}

std::vector<uint8_t> TKorDrawSym::CodeBytes() const {
    std::vector<uint8_t> out;
    AppendCodeBytes(out);
    return out;
}

TKorDrawSym* TKorDrawSymList::Add(std::span<const uint8_t> record, std::span<const uint8_t> codes) {
    items_.push_back(std::make_unique<TKorDrawSym>(record, codes));
    return items_.back().get();
}

TKorDrawSym* TKorDrawSymList::Get(int32_t i) const {
    return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)].get() : nullptr;
}

}  // namespace korin
