#include "store/kor_key_search.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "store/kor_key_table.h"
#include "store/kor_text_compare.h"
#include "store/le.h"

namespace korin {
namespace {

constexpr size_t kSignificant = 32;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Bit i set where the 32 bytes at a and b differ, and where b holds a NUL.
void Differences(const unsigned char* a, const unsigned char* b, uint32_t& differ, uint32_t& nul) {
#if defined(__SSE2__)
    const __m128i a0 = _mm_load_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i a1 = _mm_load_si128(reinterpret_cast<const __m128i*>(a + 16));
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16));
    const __m128i zero = _mm_setzero_si128();
    const auto same = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a0, b0))) |
                      static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a1, b1))) << 16;
    differ = ~same;
    nul = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b0, zero))) |
          static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b1, zero))) << 16;
#else
    differ = nul = 0;
    for (unsigned i = 0; i < 32; ++i) {
        if (a[i] != b[i]) differ |= 1u << i;
        if (b[i] == 0) nul |= 1u << i;
    }
#endif
}

}  // namespace

void TKorSearchPart::Set(std::string_view part) {
    number_ = part.size() > 1 ? static_cast<uint8_t>(part[1]) : 0;
    anyType_ = number_ == 255;
    text_ = part.size() > 2 ? part.substr(2) : std::string_view();
    size_ = static_cast<uint8_t>(std::min(text_.size(), kSignificant));
    plain_ = std::memchr(text_.data(), 0, size_) == nullptr;
    std::memset(padded_, 0, sizeof padded_);
    std::memcpy(padded_, text_.data(), size_);
    uint8_t run = 0;
    for (size_t i = kSignificant; i-- > 0;) {
        run = i < size_ && IsDigit(padded_[i]) ? static_cast<uint8_t>(run + 1) : 0;
        runFrom_[i] = run;
    }
}

int TKorSearchPart::Compare(const uint8_t* node) const {
    if (!anyType_) {
        const int32_t type = le::I16(node + keynode::kType);
        if (number_ != type) return number_ - type;
    }
    return CompareText(node + keynode::kName);
}

// The rules of TextCompare at the first place i where the texts differ; x is
// this part's text, y the node's name (which ends at its NUL).
int TKorSearchPart::CompareText(const uint8_t* y) const {
    if (!plain_) return TextCompare(text_, TKorKeyTable::NameOf(y - keynode::kName));
    uint32_t differ = 0, nul = 0;
    Differences(padded_, y, differ, nul);
    const uint32_t stop = differ | nul;
    // Equal in all 32 significant characters.
    if (stop == 0) return 0;
    const auto i = static_cast<unsigned>(__builtin_ctz(stop));
    const bool xEnded = i >= size_, yEnded = (nul >> i & 1u) != 0;
    if (xEnded || yEnded) {
        // The end of a text sorts first, also against a digit.
        return xEnded == yEnded ? 0 : (xEnded ? -1 : 1);
    }
    const unsigned char a = padded_[i], b = y[i];
    const bool da = IsDigit(a), db = IsDigit(b);
    if (!da && !db) return a < b ? -1 : 1;
    if (da && db) {
        unsigned rb = 0;
        while (i + rb < kSignificant && (nul >> (i + rb) & 1u) == 0 && IsDigit(y[i + rb])) ++rb;
        if (runFrom_[i] != rb) return runFrom_[i] < rb ? -1 : 1;
        return a < b ? -1 : 1;
    }
    // A digit against another character: +1 when the digit is this part's.
    const int digitSide = da ? 1 : -1;
    if (i == 0 || IsDigit(padded_[i - 1])) return digitSide;
    const unsigned char other = da ? b : a;
    return other < 32 ? digitSide : -digitSide;
}

}  // namespace korin
