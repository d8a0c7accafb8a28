// Original pages: the drawing model of one page of a typical, laid out as a
// loop diagram, and its encoding in the page drawing format
// (drawing/kor_drawing_format.h).
//
// A page is a list of elements in file order. The first is always the title
// block (symbol type 9) carrying every code that page generation, the
// assignment window and the checks read and write; then the sheet frame and
// the column grid, and per loop row the instrument, wire and terminal symbols
// with the lines and texts that connect and label them.
//
// The bytes the external drawing program owns are given a meaning of this
// system's choosing, so that the picture of a page (demo_bitmap.h) can be drawn
// from the same model:
//   header bytes 4–7     sheet width and height in mm (two 16-bit words)
//   symbol record (kinds 6 and 10, 20 words)
//     3 layer, 4 colour, 5 zero, 24–31 centre x, centre y, width, height
//     (16-bit, 0.1 mm, y downwards), 36 rotation in degrees, 38 scale in percent
//   line and box records (kinds 2 and 4, 8 words)
//     3 layer, 4 colour, 5 zero, 6–13 x1, y1, x2, y2, 14 pen width
//   text records (kind 3)
//     3 layer, 4 colour, 5 alignment (0 left, 1 centre, 2 right), 6–9 x, y of
//     the baseline anchor, 10 height, 12 the text with a NUL, padded to a word
//   code records: word A 1 when the text is plotted beside the symbol, word B
//     the text height
//   trailer: an empty section of the same shape (a 32-bit 0 and a count of 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo/demo_typicals.h"

namespace korin::demo {

// Record kinds used besides the two symbol kinds.
inline constexpr uint8_t kRecordLine = 2;
inline constexpr uint8_t kRecordText = 3;
inline constexpr uint8_t kRecordBox = 4;

// Sheet: A3 landscape in 0.1 mm.
inline constexpr int16_t kSheetWidth = 4200;
inline constexpr int16_t kSheetHeight = 2970;

// Codes of the title block in the order they are written.
std::vector<uint16_t> TitleBlockCodes();

struct TPageCode {
    uint16_t number = 0;
    std::string text;
    bool plotted = false;
    uint16_t height = 25;
};

struct TPageElement {
    uint8_t kind = 6;
    uint8_t layer = 0;
    uint8_t colour = 0;    // 0 black, 1 blue (wiring), 2 red (cabinet side), 3 grey
    // Symbols: type, name, codes, centre and size.
    int16_t type = 0;
    std::string name;
    std::vector<TPageCode> codes;
    // Symbols: centre (x, y) and size (w, h). Lines and boxes: (x, y) to (x2, y2).
    // Texts: anchor (x, y).
    int16_t x = 0, y = 0, x2 = 0, y2 = 0, w = 0, h = 0;
    int16_t size = 1;      // pen width of lines and boxes, height of texts
    uint8_t align = 0;     // texts
    std::string text;      // texts

    bool IsSymbol() const { return kind == 6 || kind == 10; }
    // The text of the first code with that number, empty when absent.
    std::string Code(uint16_t number) const;
};

struct TPage {
    std::string original;   // the typical's name
    int32_t number = 1;     // page number within the original, from 1
    int32_t count = 1;      // pages of the original
    std::vector<TPageElement> elements;
};

// Lays out page `index` (0-based) of the typical.
TPage BuildPage(const TTypical& typical, size_t index);

// The complete drawing file of the page, with its CRC-32.
std::vector<uint8_t> EncodePage(const TPage& page);

}  // namespace korin::demo
