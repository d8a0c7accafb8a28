// A generator of page drawing files for tests, the benchmark and fuzz seeds.
//
// It writes the layout on its own (it does not use the drawing classes), so that
// what the drawing classes save can be compared with an independent rendering:
// Build(Canonical(d)) is the file a save of Build(d) must produce.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace korin::testing::gen {

struct Code {
    uint16_t number = 0;
    uint16_t a = 0;
    uint16_t b = 0;
    std::string text;
    uint16_t extraWords = 0;  // record longer than the text needs
    uint8_t padFill = 0;      // value of the bytes after the NUL
};

struct Symbol {
    uint8_t kind = 6;
    int16_t type = 0;
    std::string name;                     // at most 18 bytes are written
    std::vector<Code> codes;              // kinds 6 and 10 only
    std::array<uint8_t, 3> bytes3to5{};   // kept bytes 3..5, as far as the record reaches
    std::array<uint8_t, 8> bytes24to31{}; // kept bytes 24..31 (kinds 6 and 10)
    std::vector<uint8_t> tail;            // bytes after the fixed part; padded to even
};

struct Drawing {
    std::array<uint8_t, 24> headerRest{};  // bytes 4..27
    std::vector<Symbol> symbols;
    uint32_t reserved = 0;
    std::vector<uint8_t> trailer;
    bool validCrc = true;
    uint32_t crcIfInvalid = 0xDEADBEEF;
};

inline bool HasCodes(uint8_t kind) { return kind == 6 || kind == 10; }

inline void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}
inline void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}
inline uint16_t Get16(const std::vector<uint8_t>& v, size_t at) {
    return static_cast<uint16_t>(v[at] | v[at + 1] << 8);
}
inline uint32_t Get32(const std::vector<uint8_t>& v, size_t at) {
    return static_cast<uint32_t>(v[at]) | static_cast<uint32_t>(v[at + 1]) << 8 |
           static_cast<uint32_t>(v[at + 2]) << 16 | static_cast<uint32_t>(v[at + 3]) << 24;
}

inline uint32_t CrcFrom32(const std::vector<uint8_t>& file) {
    if (file.size() <= 32) return 0;
    return static_cast<uint32_t>(::crc32(::crc32(0L, Z_NULL, 0), file.data() + 32,
                                         static_cast<uInt>(file.size() - 32)));
}

inline std::vector<uint8_t> SymbolRecord(const Symbol& s) {
    const size_t fixed = HasCodes(s.kind) ? 36 : 4;
    std::vector<uint8_t> r(fixed, 0);
    r.insert(r.end(), s.tail.begin(), s.tail.end());
    if (r.size() % 2) r.push_back(0);
    Put16(r, 0, static_cast<uint16_t>(r.size() / 2));
    r[2] = s.kind;
    // An opaque record may be only two words long: it keeps what fits of 3..5.
    std::copy_n(s.bytes3to5.begin(), std::min<size_t>(3, r.size() - 3), r.begin() + 3);
    if (HasCodes(s.kind)) {
        std::memcpy(r.data() + 6, s.name.data(), std::min<size_t>(s.name.size(), 18));
        std::copy(s.bytes24to31.begin(), s.bytes24to31.end(), r.begin() + 24);
        Put16(r, 32, static_cast<uint16_t>(s.type));
        Put16(r, 34, static_cast<uint16_t>(s.codes.size()));
    }
    return r;
}

inline std::vector<uint8_t> CodeRecord(const Code& c) {
    const size_t words = (c.text.size() + 2) / 2 + 4 + c.extraWords;
    std::vector<uint8_t> r(2 * words, c.padFill);
    Put16(r, 0, static_cast<uint16_t>(words));
    Put16(r, 2, c.a);
    Put16(r, 4, c.number);
    Put16(r, 6, c.b);
    std::memcpy(r.data() + 8, c.text.data(), c.text.size());
    r[8 + c.text.size()] = 0;
    return r;
}

inline std::vector<uint8_t> Build(const Drawing& d) {
    std::vector<uint8_t> f(32, 0);
    Put16(f, 0, 1);
    Put16(f, 2, 1004);
    std::copy(d.headerRest.begin(), d.headerRest.end(), f.begin() + 4);
    f.resize(36 + 2 * d.symbols.size());
    Put32(f, 32, static_cast<uint32_t>(d.symbols.size()));
    uint32_t words = 0;
    for (size_t i = 0; i < d.symbols.size(); ++i) {
        const auto r = SymbolRecord(d.symbols[i]);
        words += static_cast<uint32_t>(r.size() / 2);
        Put16(f, 36 + 2 * i, static_cast<uint16_t>(words));
        f.insert(f.end(), r.begin(), r.end());
    }
    size_t m = 0;
    for (const Symbol& s : d.symbols)
        if (HasCodes(s.kind)) m += s.codes.size();
    const size_t at = f.size();
    f.resize(at + 8 + 2 * m);
    Put32(f, at, d.reserved);
    Put32(f, at + 4, static_cast<uint32_t>(m));
    words = 0;
    size_t j = 0;
    for (const Symbol& s : d.symbols) {
        if (!HasCodes(s.kind)) continue;
        for (const Code& c : s.codes) {
            const auto r = CodeRecord(c);
            words += static_cast<uint32_t>(r.size() / 2);
            Put16(f, at + 8 + 2 * j++, static_cast<uint16_t>(words));
            f.insert(f.end(), r.begin(), r.end());
        }
    }
    f.insert(f.end(), d.trailer.begin(), d.trailer.end());
    Put32(f, 28, d.validCrc ? CrcFrom32(f) : d.crcIfInvalid);
    return f;
}

// The drawing as a save writes it back: reserved word 0, code records of their
// exact length with zero padding, texts of at most 139 characters, a valid CRC.
inline Drawing Canonical(Drawing d) {
    d.reserved = 0;
    d.validCrc = true;
    for (Symbol& s : d.symbols)
        for (Code& c : s.codes) {
            c.extraWords = 0;
            c.padFill = 0;
            if (c.text.size() > 139) c.text.resize(139);
        }
    return d;
}

// Offsets inside a built file, for tests that damage or inspect one.
struct Layout {
    size_t symbolsAt = 0;      // first symbol record
    size_t reservedAt = 0;     // the reserved word; M follows
    size_t codeIndexAt = 0;
    size_t codesAt = 0;        // first code record
    size_t trailerAt = 0;
};
inline Layout LayoutOf(const std::vector<uint8_t>& f) {
    Layout l;
    const uint32_t n = Get32(f, 32);
    l.symbolsAt = 36 + 2 * n;
    l.reservedAt = l.symbolsAt + (n ? 2u * Get16(f, 36 + 2 * (n - 1)) : 0);
    const uint32_t m = Get32(f, l.reservedAt + 4);
    l.codeIndexAt = l.reservedAt + 8;
    l.codesAt = l.codeIndexAt + 2 * m;
    l.trailerAt = l.codesAt + (m ? 2u * Get16(f, l.codeIndexAt + 2 * (m - 1)) : 0);
    return l;
}

inline std::string RandomText(std::mt19937& rng, size_t minLen, size_t maxLen) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_./ \xC4\xD6\xDC\xE4\xF6\xFC\xDF";
    std::uniform_int_distribution<size_t> len(minLen, maxLen), ch(0, sizeof kChars - 2);
    std::string s(len(rng), ' ');
    for (char& c : s) c = kChars[ch(rng)];
    return s;
}

// A page of realistic shape: a title block (kind 6, type 9, codes 60 … 64 and
// more), then instrument symbols of kinds 6 and 10 with a few codes each, mixed
// with opaque records (lines, texts) of other kinds, and a trailer section.
// `symbols` counts every record; the code area stays well inside 65535 words.
inline Drawing RandomDrawing(uint32_t seed, int symbols, int maxCodes = 6) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    Drawing d;
    for (auto& b : d.headerRest) b = static_cast<uint8_t>(byte(rng));
    size_t codeWords = 0;
    const size_t codeBudget = 60000, symbolBudget = 60000;
    size_t symbolWords = 0;
    for (int i = 0; i < symbols; ++i) {
        Symbol s;
        if (i == 0) {
            s.kind = 6;
            s.type = 9;
            s.name = "SCHRIFTFELD";
            for (uint16_t n = 60; n <= 70; ++n)
                s.codes.push_back({n, static_cast<uint16_t>(byte(rng)), static_cast<uint16_t>(byte(rng)),
                                   RandomText(rng, 0, 24)});
        } else {
            const int pick = byte(rng) % 10;
            if (pick < 6) {
                s.kind = pick < 4 ? 6 : 10;
                s.type = static_cast<int16_t>(std::uniform_int_distribution<int>(-3, 40)(rng));
                s.name = RandomText(rng, 1, 18);
                const int codes = std::uniform_int_distribution<int>(0, maxCodes)(rng);
                for (int c = 0; c < codes; ++c)
                    s.codes.push_back({static_cast<uint16_t>(std::uniform_int_distribution<int>(1, 400)(rng)),
                                       static_cast<uint16_t>(std::uniform_int_distribution<int>(0, 65535)(rng)),
                                       static_cast<uint16_t>(std::uniform_int_distribution<int>(0, 65535)(rng)),
                                       RandomText(rng, 0, 20)});
            } else {
                static const uint8_t kOpaque[] = {1, 2, 3, 4, 5, 7, 8, 9, 11, 200};
                s.kind = kOpaque[byte(rng) % 10];
            }
        }
        for (auto& b : s.bytes3to5) b = static_cast<uint8_t>(byte(rng));
        for (auto& b : s.bytes24to31) b = static_cast<uint8_t>(byte(rng));
        s.tail.resize(static_cast<size_t>(2 * std::uniform_int_distribution<int>(0, 12)(rng)));
        for (auto& b : s.tail) b = static_cast<uint8_t>(byte(rng));
        const size_t sw = SymbolRecord(s).size() / 2;
        size_t cw = 0;
        for (const Code& c : s.codes) cw += CodeRecord(c).size() / 2;
        if (symbolWords + sw > symbolBudget || codeWords + cw > codeBudget) break;
        symbolWords += sw;
        codeWords += cw;
        d.symbols.push_back(std::move(s));
    }
    // A trailer of the same shape as the code section: a word, a count, an index
    // and records, then a few further bytes.
    d.trailer = {0, 0, 0, 0, 2, 0, 0, 0, 3, 0, 6, 0, 3, 0, 0xAA, 0xBB, 3, 0, 1, 2, 3, 4, 0x7F};
    return d;
}

}  // namespace korin::testing::gen
