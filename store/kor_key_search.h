// A key part made ready to be compared with many nodes.
//
// A descent compares one part with some twenty nodes of a tree. The part's
// text is laid out once as a node holds its name (the first 32 characters,
// zero behind them), so that a comparison finds the first place where the two
// differ and the digit runs there in a few vector compares, and applies the
// rules of TextCompare (store/kor_text_compare.h) at that place alone. A NUL
// inside the part's text needs no rule of its own: a node's name holds none,
// so the two differ there, or the name ends there, as the byte order says.
#pragma once

#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "store/kor_key_table.h"
#include "store/le.h"

namespace korin {

class TKorSearchPart {
public:
    // A key part: letter, number byte, text (store/kor_key_file.h).
    void Set(std::string_view part);
    // Negative when the part sorts before the node (64 bytes of a key file),
    // positive after it, 0 for the node's part; the number byte 255 matches
    // any Type.
    int Compare(const uint8_t* node) const;

private:
    int CompareText(const uint8_t* name) const;

    int32_t number_ = 0;
    bool anyType_ = false;
    uint8_t size_ = 0;  // significant characters
    alignas(16) unsigned char padded_[32] = {};
    uint32_t digits_ = 0;  // bit i: character i is a digit
};

// ---- inline definitions: a descent compares at every node ----------------------

namespace searchpart {

[[maybe_unused]] inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Of 32 bytes at b: where they differ from the 32 bytes at a (bit i for byte
// i), where b holds a NUL and where b holds a digit.
struct Bits {
    uint32_t differ = 0, nul = 0, digit = 0;
};

#if defined(__SSE2__)
// Bit i of the result for each byte i of the 16 at b.
inline void Compare16(const unsigned char* a, const unsigned char* b, int shift, Bits& r) {
    const __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    // Bytes from 0x80 up count as negative here and so are no digits.
    const __m128i digit =
        _mm_and_si128(_mm_cmpgt_epi8(y, _mm_set1_epi8('0' - 1)), _mm_cmpgt_epi8(_mm_set1_epi8('9' + 1), y));
    r.differ |= static_cast<uint32_t>(static_cast<uint16_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)))) << shift;
    r.nul |= static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(y, _mm_setzero_si128()))) << shift;
    r.digit |= static_cast<uint32_t>(_mm_movemask_epi8(digit)) << shift;
}
#endif

inline Bits Compare32(const unsigned char* a, const unsigned char* b) {
    Bits r;
#if defined(__SSE2__)
    Compare16(a, b, 0, r);
    Compare16(a + 16, b + 16, 16, r);
#else
    for (unsigned i = 0; i < 32; ++i) {
        if (a[i] != b[i]) r.differ |= 1u << i;
        if (b[i] == 0) r.nul |= 1u << i;
        if (IsDigit(b[i])) r.digit |= 1u << i;
    }
#endif
    return r;
}

// The length of the digit run that begins at i.
inline unsigned RunFrom(uint32_t digits, unsigned i) { return static_cast<unsigned>(__builtin_ctz(~(digits >> i))); }

}  // namespace searchpart

inline int TKorSearchPart::Compare(const uint8_t* node) const {
    if (!anyType_) {
        const int32_t type = le::I16(node + keynode::kType);
        if (number_ != type) return number_ - type;
    }
    return CompareText(node + keynode::kName);
}

// The rules of TextCompare at the first place i where the texts differ; x is
// this part's text, y the node's name (which ends at its NUL).
inline int TKorSearchPart::CompareText(const uint8_t* y) const {
    const searchpart::Bits bits = searchpart::Compare32(padded_, y);
    const uint32_t stop = bits.differ | bits.nul;
    // Equal in all 32 significant characters.
    if (stop == 0) return 0;
    const auto i = static_cast<unsigned>(__builtin_ctz(stop));
    const bool xEnded = i >= size_, yEnded = (bits.nul >> i & 1u) != 0;
    if (xEnded || yEnded) {
        // The end of a text sorts first, also against a digit.
        return xEnded == yEnded ? 0 : (xEnded ? -1 : 1);
    }
    const unsigned char a = padded_[i], b = y[i];
    const bool da = (digits_ >> i & 1u) != 0, db = (bits.digit >> i & 1u) != 0;
    if (!da && !db) return a < b ? -1 : 1;
    if (da && db) {
        // Two runs that agree up to here: the longer one sorts later. (A run
        // of the node's name ends at its NUL, which is no digit.)
        const unsigned ra = searchpart::RunFrom(digits_, i), rb = searchpart::RunFrom(bits.digit, i);
        if (ra != rb) return ra < rb ? -1 : 1;
        return a < b ? -1 : 1;
    }
    // A digit against another character: +1 when the digit is this part's.
    const int digitSide = da ? 1 : -1;
    if (i == 0 || (digits_ >> (i - 1) & 1u) != 0) return digitSide;
    const unsigned char other = da ? b : a;
    return other < 32 ? digitSide : -digitSide;
}

}  // namespace korin
