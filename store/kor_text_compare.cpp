#include "store/kor_text_compare.h"

#include <array>
#include <cstdint>

namespace korin {
namespace {

constexpr size_t kSignificant = 32;

// A leading digit run, cut into groups of nine digits from the right.
struct NumberRun {
    int digits = -1;  // -1: the text has no leading digit
    int groups = 0;
    std::array<uint32_t, 4> group{};  // group 0 holds the last nine digits
};

NumberRun TakeNumberRun(std::string_view& text) {
    NumberRun run;
    size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    if (n == 0) return run;
    run.digits = static_cast<int>(n);
    size_t end = n;
    while (end > 0 && run.groups < 4) {
        const size_t begin = end >= 9 ? end - 9 : 0;
        uint32_t v = 0;
        for (size_t i = begin; i < end; ++i) v = v * 10 + static_cast<uint32_t>(text[i] - '0');
        run.group[static_cast<size_t>(run.groups++)] = v;
        end = begin;
    }
    text.remove_prefix(n);
    return run;
}

int RunCompare(const NumberRun& x, const NumberRun& y) {
    if (x.digits != y.digits) return x.digits - y.digits;
    if (x.groups != y.groups) return x.groups - y.groups;
    for (int g = x.groups - 1; g >= 0; --g) {
        const uint32_t a = x.group[static_cast<size_t>(g)], b = y.group[static_cast<size_t>(g)];
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

int MapChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= '0' && u <= '9' ? u - '0' : u;
}

// Compares character by character, removing equal characters from both texts.
// Stops (result 0, *atDigits true) where both mapped characters are below 32.
int CharCompare(std::string_view& a, std::string_view& b, bool* atDigits) {
    *atDigits = false;
    const size_t m = std::min(a.size(), b.size());
    for (size_t i = 0; i < m; ++i) {
        const int x = MapChar(a[0]), y = MapChar(b[0]);
        if (x < 32 && y < 32) {
            *atDigits = true;
            return 0;
        }
        if (x != y) return x - y;
        a.remove_prefix(1);
        b.remove_prefix(1);
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

}  // namespace

int TextCompare(std::string_view a, std::string_view b) {
    a = a.substr(0, kSignificant);
    b = b.substr(0, kSignificant);
    int c = RunCompare(TakeNumberRun(a), TakeNumberRun(b));
    if (c != 0) return c;
    while (true) {
        bool atDigits = false;
        c = CharCompare(a, b, &atDigits);
        if (!atDigits) return c;
        const NumberRun x = TakeNumberRun(a), y = TakeNumberRun(b);
        c = RunCompare(x, y);
        if (c != 0) return c;
        if (x.digits < 0) {
            // Both stopped at control characters, which have no digit run: they
            // order by byte code, so that the comparison always advances.
            const int u = static_cast<unsigned char>(a[0]), v = static_cast<unsigned char>(b[0]);
            if (u != v) return u - v;
            a.remove_prefix(1);
            b.remove_prefix(1);
        }
    }
}

}  // namespace korin
