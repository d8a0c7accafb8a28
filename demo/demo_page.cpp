#include "demo/demo_page.h"

#include <cstring>
#include <stdexcept>

#include "drawing/kor_drawing_format.h"
#include "store/kor_crc.h"
#include "store/le.h"

namespace korin::demo {
namespace f = drawfmt;
namespace {

// Layers of the drawing program.
constexpr uint8_t kLayerFrame = 1, kLayerSymbols = 2, kLayerWiring = 3, kLayerTexts = 4;
constexpr uint8_t kBlack = 0, kBlue = 1, kRed = 2;

// Columns of the loop diagram (x in 0.1 mm).
constexpr int16_t kFrameLeft = 100, kFrameTop = 100, kFrameRight = 4100, kFrameBottom = 2870;
constexpr int16_t kTitleTop = 2530;
constexpr int16_t kHeaderBottom = 300;
constexpr int16_t kFieldEnd = 900, kFieldStep = 330;
constexpr int16_t kCableStart = 1150, kWireSymbolX = 1450, kTerminalX = 2500, kSystemFan = 3050;
constexpr int16_t kSystemStart = 3250, kSystemStep = 400;
constexpr int16_t kRowTop = 330, kRowHeight = 700, kWireGap = 70;
constexpr int16_t kInstrumentSize = 220;

constexpr int32_t kSymbolRecordWords = 20;
constexpr int32_t kLineRecordWords = 8;
static_assert(2 * kSymbolRecordWords >= f::kSymWithCodesMinBytes, "symbol records reach their code count");

TPageElement Line(int x1, int y1, int x2, int y2, uint8_t colour = kBlack, int pen = 2) {
    TPageElement e;
    e.kind = kRecordLine;
    e.layer = colour == kBlack ? kLayerFrame : kLayerWiring;
    e.colour = colour;
    e.x = static_cast<int16_t>(x1);
    e.y = static_cast<int16_t>(y1);
    e.x2 = static_cast<int16_t>(x2);
    e.y2 = static_cast<int16_t>(y2);
    e.size = static_cast<int16_t>(pen);
    return e;
}

TPageElement Box(int x1, int y1, int x2, int y2, int pen) {
    TPageElement e = Line(x1, y1, x2, y2, kBlack, pen);
    e.kind = kRecordBox;
    return e;
}

TPageElement Text(int x, int y, std::string text, int height, uint8_t align = 1) {
    TPageElement e;
    e.kind = kRecordText;
    e.layer = kLayerTexts;
    e.x = static_cast<int16_t>(x);
    e.y = static_cast<int16_t>(y);
    e.size = static_cast<int16_t>(height);
    e.align = align;
    e.text = std::move(text);
    return e;
}

TPageElement Symbol(uint8_t kind, int16_t type, int x, int y, int w, int h) {
    TPageElement e;
    e.kind = kind;
    e.layer = kLayerSymbols;
    e.type = type;
    e.name = SymbolName(type);
    e.x = static_cast<int16_t>(x);
    e.y = static_cast<int16_t>(y);
    e.w = static_cast<int16_t>(w);
    e.h = static_cast<int16_t>(h);
    return e;
}

TPageElement TitleBlock(const TTypical& typical) {
    TPageElement e = Symbol(f::kKindSymbol, 9, (kFrameLeft + kFrameRight) / 2, (kTitleTop + kFrameBottom) / 2,
                            kFrameRight - kFrameLeft, kFrameBottom - kTitleTop);
    for (uint16_t number : TitleBlockCodes()) {
        TPageCode c{number, "", number < 803 || number > 822, 35};
        if (number == 76) c.text = typical.planType;
        if (number == 20026) c.text = typical.functionGroup;
        e.codes.push_back(c);
    }
    return e;
}

TPageElement InstrumentSymbol(const TInstrumentDef& def, int x, int y) {
    TPageElement e = Symbol(def.recordKind, def.symbolType, x, y, kInstrumentSize, kInstrumentSize);
    e.codes = {{20025, std::to_string(def.instance), false, 25},
               {12115, def.role, true, 40},
               {20023, def.role, false, 25}};
    // The fields of INSTRUMENTIERUNG that the page fill writes by id.
    for (uint16_t id = 604; id <= 609; ++id) e.codes.push_back({id, "", false, 25});
    return e;
}

TPageElement TerminalSymbol(const std::string& strip, int32_t number, int x, int y) {
    TPageElement e = Symbol(f::kKindSymbol, 7, x, y, 60, 50);
    e.colour = kRed;
    e.codes = {{20025, "1", false, 25},  {20023, strip, false, 25}, {20030, std::to_string(number), true, 30},
               {4, "", false, 25},       {362, "", false, 25},      {606, "", false, 25},
               {607, "", false, 25}};
    return e;
}

TPageElement WireSymbol(const std::string& location, int32_t wire, int x, int y) {
    TPageElement e = Symbol(f::kKindSymbol, 8, x, y, 60, 40);
    e.colour = kBlue;
    e.codes = {{20025, "1", false, 25}, {20023, location, false, 25}, {362, std::to_string(wire), true, 30},
               {4, "", false, 25},      {80, "", false, 25},          {39, "", false, 25},
               {605, "", false, 25},    {606, "", false, 25},         {607, "", false, 25}};
    return e;
}

void AddRow(TPage& page, const TTypical& typical, const TLoopRow& row, int top) {
    const int cy = top + kRowHeight / 2;
    const int half = kInstrumentSize / 2;
    auto& out = page.elements;

    const int n = static_cast<int>(row.field.size());
    for (int i = 0; i < n; ++i) {
        const int x = kFieldEnd - (n - 1 - i) * kFieldStep;
        out.push_back(InstrumentSymbol(typical.Instrument(row.field[i]), x, cy));
        if (i > 0) out.push_back(Line(x - kFieldStep + half, cy, x - half, cy));
    }
    const int m = static_cast<int>(row.system.size());
    for (int i = 0; i < m; ++i) {
        const int x = kSystemStart + i * kSystemStep;
        out.push_back(InstrumentSymbol(typical.Instrument(row.system[i]), x, cy));
        if (i > 0) out.push_back(Line(x - kSystemStep + half, cy, x - half, cy, kRed));
    }

    if (row.cable < 0) {
        out.push_back(Text(kSystemStart, cy + half + 70, "Zusatzmessstelle", 35));
        return;
    }
    const TCableDef& cable = typical.cables.at(static_cast<size_t>(row.cable));
    const int k = static_cast<int>(cable.wiresDrawn.size());
    const int fieldX = n > 0 ? kFieldEnd + half : kCableStart - 100;
    const int firstY = cy - (k - 1) * kWireGap / 2;
    out.push_back(Text((kCableStart + kTerminalX) / 2, firstY - 70, cable.location + "  " + cable.cableType, 35));
    out.push_back(Text(kTerminalX, firstY - 60, cable.strip, 35));
    for (int j = 0; j < k; ++j) {
        const int y = firstY + j * kWireGap;
        out.push_back(Line(fieldX, cy, kCableStart, y, kBlue));
        out.push_back(Line(kCableStart, y, kTerminalX - 30, y, kBlue));
        out.push_back(WireSymbol(cable.location, cable.wiresDrawn[static_cast<size_t>(j)], kWireSymbolX, y));
        out.push_back(TerminalSymbol(cable.strip, cable.TerminalOf(static_cast<size_t>(j)), kTerminalX, y));
        out.push_back(Text(kTerminalX + 60, y - 12, cable.potentials.at(static_cast<size_t>(j)), 25, 0));
        if (m > 0) {
            out.push_back(Line(kTerminalX + 30, y, kSystemFan, y, kRed));
            out.push_back(Line(kSystemFan, y, kSystemStart - half, cy, kRed));
        } else {
            out.push_back(Line(kTerminalX + 30, y, kSystemFan - 50, y, kRed));
        }
    }
    if (m == 0)
        out.push_back(Text(kSystemFan, cy + 12, typical.kind == 'E' ? "zur Steuerung" : "zum Leitsystem", 35, 0));
}

void Put16(std::vector<uint8_t>& out, size_t at, int32_t v) { le::PutU16(out.data() + at, static_cast<uint16_t>(v)); }

void AppendWords(std::vector<uint8_t>& out, size_t words) { out.resize(out.size() + 2 * words, 0); }

// One symbol or opaque record; returns its length in words.
uint32_t AppendRecord(std::vector<uint8_t>& out, const TPageElement& e) {
    const size_t at = out.size();
    if (e.IsSymbol()) {
        if (e.name.size() > static_cast<size_t>(f::kSymNameBytes)) throw std::logic_error("symbol name too long");
        AppendWords(out, kSymbolRecordWords);
        Put16(out, at + f::kSymLength, kSymbolRecordWords);
        out[at + f::kSymKind] = e.kind;
        out[at + 3] = e.layer;
        out[at + 4] = e.colour;
        std::memcpy(out.data() + at + f::kSymName, e.name.data(), e.name.size());
        Put16(out, at + 24, e.x);
        Put16(out, at + 26, e.y);
        Put16(out, at + 28, e.w);
        Put16(out, at + 30, e.h);
        Put16(out, at + f::kSymType, e.type);
        Put16(out, at + f::kSymCodeCount, static_cast<int32_t>(e.codes.size()));
        Put16(out, at + 36, 0);    // rotation
        Put16(out, at + 38, 100);  // scale
        return kSymbolRecordWords;
    }
    if (e.kind == kRecordText) {
        const size_t words = (12 + e.text.size() + 1 + 1) / 2;
        AppendWords(out, words);
        Put16(out, at, static_cast<int32_t>(words));
        out[at + 2] = e.kind;
        out[at + 3] = e.layer;
        out[at + 4] = e.colour;
        out[at + 5] = e.align;
        Put16(out, at + 6, e.x);
        Put16(out, at + 8, e.y);
        Put16(out, at + 10, e.size);
        std::memcpy(out.data() + at + 12, e.text.data(), e.text.size());
        return static_cast<uint32_t>(words);
    }
    AppendWords(out, kLineRecordWords);
    Put16(out, at, kLineRecordWords);
    out[at + 2] = e.kind;
    out[at + 3] = e.layer;
    out[at + 4] = e.colour;
    Put16(out, at + 6, e.x);
    Put16(out, at + 8, e.y);
    Put16(out, at + 10, e.x2);
    Put16(out, at + 12, e.y2);
    Put16(out, at + 14, e.size);
    return kLineRecordWords;
}

uint32_t AppendCode(std::vector<uint8_t>& out, const TPageCode& c) {
    if (c.text.size() > static_cast<size_t>(f::kCodeTextMax)) throw std::logic_error("code text too long");
    const int32_t words = f::CodeRecordWords(static_cast<int32_t>(c.text.size()));
    const size_t at = out.size();
    AppendWords(out, static_cast<size_t>(words));
    Put16(out, at + f::kCodeLength, words);
    Put16(out, at + f::kCodeWordA, c.plotted ? 1 : 0);
    Put16(out, at + f::kCodeNumber, c.number);
    Put16(out, at + f::kCodeWordB, c.height);
    std::memcpy(out.data() + at + f::kCodeText, c.text.data(), c.text.size());
    return static_cast<uint32_t>(words);
}

void CheckIndex(uint64_t words) {
    if (words > f::kMaxIndexWords) throw std::logic_error("page too large for its index");
}

}  // namespace

std::vector<uint16_t> TitleBlockCodes() {
    std::vector<uint16_t> codes = {1, 2, 3, 60, 61, 62, 63, 64, 65, 76, 550, 12135, 20015, 20026};
    for (uint16_t c = 803; c <= 822; ++c) codes.push_back(c);
    return codes;
}

std::string TPageElement::Code(uint16_t number) const {
    for (const TPageCode& c : codes)
        if (c.number == number) return c.text;
    return {};
}

TPage BuildPage(const TTypical& typical, size_t index) {
    const TPageDef& def = typical.pages.at(index);
    if (def.rows.size() > 3) throw std::logic_error("a page holds at most three loop rows");
    TPage page;
    page.original = typical.name;
    page.number = static_cast<int32_t>(index) + 1;
    page.count = static_cast<int32_t>(typical.pages.size());
    auto& out = page.elements;

    out.push_back(TitleBlock(typical));
    out.push_back(Box(kFrameLeft, kFrameTop, kFrameRight, kFrameBottom, 5));
    out.push_back(Line(kFrameLeft, kTitleTop, kFrameRight, kTitleTop, kBlack, 4));
    out.push_back(Line(kFrameLeft, kHeaderBottom, kFrameRight, kHeaderBottom));
    for (int x : {1100, 2300, 2850}) out.push_back(Line(x, kFrameTop, x, kTitleTop));
    out.push_back(Text(600, 230, "Feld", 50));
    out.push_back(Text(1700, 230, "Kabel", 50));
    out.push_back(Text(2575, 230, "Klemmen", 50));
    out.push_back(Text(3475, 230, typical.kind == 'E' ? "Schaltschrank" : "Schaltschrank / Leitsystem", 50));

    // The fixed part of the title block: the typical and the page.
    out.push_back(Text(150, 2610, "Korin Pro Demo", 45, 0));
    out.push_back(Text(150, 2690, typical.name + " / Blatt " + std::to_string(page.number) + " von " +
                                      std::to_string(page.count), 40, 0));
    out.push_back(Text(150, 2770, def.title, 40, 0));
    out.push_back(Text(150, 2845, typical.description, 30, 0));

    for (size_t r = 0; r < def.rows.size(); ++r)
        AddRow(page, typical, def.rows[r], kRowTop + static_cast<int>(r) * kRowHeight);
    return page;
}

std::vector<uint8_t> EncodePage(const TPage& page) {
    std::vector<uint8_t> out(f::kHeaderBytes, 0);
    Put16(out, f::kMarkAt, f::kMark);
    Put16(out, f::kVersionAt, f::kVersion);
    Put16(out, 4, kSheetWidth / 10);
    Put16(out, 6, kSheetHeight / 10);

    const size_t n = page.elements.size();
    out.resize(out.size() + 4);
    le::PutU32(out.data() + f::kCountAt, static_cast<uint32_t>(n));
    const size_t symbolIndexAt = out.size();
    AppendWords(out, n);
    uint64_t words = 0;
    uint32_t m = 0;
    for (size_t i = 0; i < n; ++i) {
        words += AppendRecord(out, page.elements[i]);
        CheckIndex(words);
        Put16(out, symbolIndexAt + 2 * i, static_cast<int32_t>(words));
        if (page.elements[i].IsSymbol()) m += static_cast<uint32_t>(page.elements[i].codes.size());
    }

    out.resize(out.size() + f::kReservedBytes + f::kCodeCountBytes, 0);
    le::PutU32(out.data() + out.size() - f::kCodeCountBytes, m);
    const size_t codeIndexAt = out.size();
    AppendWords(out, m);
    words = 0;
    size_t entry = 0;
    for (const TPageElement& e : page.elements) {
        if (!e.IsSymbol()) continue;
        for (const TPageCode& c : e.codes) {
            words += AppendCode(out, c);
            CheckIndex(words);
            Put16(out, codeIndexAt + 2 * entry++, static_cast<int32_t>(words));
        }
    }

    // The trailer: a further, empty section (reserved word and a count of 0).
    out.resize(out.size() + 8, 0);
    le::PutU32(out.data() + f::kCrcAt, Crc32(out.data() + f::kCrcFrom, out.size() - f::kCrcFrom));
    return out;
}

}  // namespace korin::demo
