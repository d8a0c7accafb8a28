#include "store/kor_text_compare.h"

#include <algorithm>
#include <cstring>

namespace korin {
namespace {

constexpr size_t kSignificant = 32;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

size_t DigitsFrom(const unsigned char* t, size_t from, size_t size) {
    size_t n = from;
    while (n < size && IsDigit(t[n])) ++n;
    return n - from;
}

}  // namespace

// The order depends only on the first place where the texts differ and on the
// digit run that place belongs to, so the texts are compared as bytes up to that
// place and the rules are applied there alone:
//   - two digits: the longer remainder of the run sorts later (the common part
//     before is equal), an equally long one by the digits themselves;
//   - a digit and the end, a control character or (inside a run) anything: the
//     longer run, i.e. the digit, sorts later; a digit and a printable character
//     outside a run: the digit first (it maps below every printable code),
//     except at the very start, where a text without a leading run comes first;
//   - no digit: by byte code (control characters against each other too), the
//     end of a text first.
// Where no digit is involved this is a plain comparison of bytes.
int TextCompare(std::string_view a, std::string_view b) {
    const size_t na = std::min(a.size(), kSignificant), nb = std::min(b.size(), kSignificant);
    const auto* x = reinterpret_cast<const unsigned char*>(a.data());
    const auto* y = reinterpret_cast<const unsigned char*>(b.data());
    const size_t common = std::min(na, nb);
    size_t i = 0;
    while (i < common && x[i] == y[i]) ++i;
    const bool da = i < na && IsDigit(x[i]), db = i < nb && IsDigit(y[i]);
    if (!da && !db) {
        if (i == common) return na == nb ? 0 : (na < nb ? -1 : 1);
        return x[i] < y[i] ? -1 : 1;
    }
    if (da && db) {
        const size_t ra = DigitsFrom(x, i, na), rb = DigitsFrom(y, i, nb);
        if (ra != rb) return ra < rb ? -1 : 1;
        return x[i] < y[i] ? -1 : 1;
    }
    // One digit against something else: +1 when the digit is a's.
    const int digitSide = da ? 1 : -1;
    const bool inRun = i > 0 && IsDigit(x[i - 1]);
    if (inRun || i == 0) return digitSide;
    const bool otherEnded = da ? i == nb : i == na;
    const unsigned char other = otherEnded ? 0 : (da ? y[i] : x[i]);
    if (otherEnded || other < 32) return digitSide;
    return -digitSide;
}

}  // namespace korin
