#include "shell/models/codepage.h"

#include <iconv.h>

#include <array>

namespace korin {
namespace {

using Table = std::array<char16_t, 256>;

// Asks iconv for every byte on its own: both code pages are single-byte, so the
// table is the whole conversion and a row costs no iconv call at all.
Table BuildTable(const char* codepage) {
    Table table{};
    for (int b = 0; b < 256; ++b) table[b] = static_cast<char16_t>(b);
    iconv_t cd = iconv_open("UTF-16LE", codepage);
    if (cd == reinterpret_cast<iconv_t>(-1)) return table;  // Latin-1 as the last resort
    for (int b = 0x20; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[8] = {};
        char* inp = &in;
        char* outp = reinterpret_cast<char*>(out);
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) &&
            sizeof out - outLeft == 2)
            table[b] = static_cast<char16_t>(out[0] | (out[1] << 8));
    }
    iconv_close(cd);
    return table;
}

QString Convert(const Table& table, std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes) {
        if (c == '\0') break;
        out += QChar(table[static_cast<unsigned char>(c)]);
    }
    return out;
}

const Table& OemTable() {
    static const Table table = BuildTable("CP850");
    return table;
}

const Table& AnsiTable() {
    static const Table table = BuildTable("CP1252");
    return table;
}

bool ValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra;
        if (c < 0x80) extra = 0;
        else if (c >= 0xC2 && c <= 0xDF) extra = 1;
        else if (c >= 0xE0 && c <= 0xEF) extra = 2;
        else if (c >= 0xF0 && c <= 0xF4) extra = 3;
        else return false;
        if (extra > 0 && i + extra >= s.size()) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

QString FromOem(std::string_view bytes) { return Convert(OemTable(), bytes); }

QString FromAnsi(std::string_view bytes) { return Convert(AnsiTable(), bytes); }

QString FromCatalogue(std::string_view bytes) {
    const size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    if (ValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return FromAnsi(bytes);
}

}  // namespace korin
