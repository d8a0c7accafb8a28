// TPrtGrid: a grid printed as a ruled table over as many pages as needed, and
// written as a tab-separated text file.
//
// The cells come through four virtual operations (column count, row count,
// column width in screen pixels, cell text as UTF-8), so the same printer
// serves the text grids of the structure and index views and the contents
// grid over a table (tables/table_grids.h).
//
// Printing lays the cells out in units of 0.1 mm with the y axis pointing up,
// the origin at the page's top-left corner, and hands every page to an
// IPrtCanvas: the desktop program paints it with Qt (preview and PDF alike),
// tests record it. One page, with s = UserScale, row height h = 50 s, f the
// screen factor (96 / the grid's pixels per inch):
//   - a dotted frame around the page extent, a dashed white frame around the
//     printable area (the extent less the margins), the origin moved to the
//     area's top-left corner;
//   - n rows: the smaller of the rows left and (H - 1) div round(h), at least 1;
//   - columns from x = 1 while x < W - 1: each gets its left line and width
//     round(pixels f s 25/9); its cells' texts are clipped to the cell; a column
//     that does not fit completely gets its line but no text and starts the next
//     page. A column wider than the printable width on its own is cut at the
//     area's right edge instead, so that printing always advances;
//   - the closing line after the last column, and the row lines.
// A wide table is printed in column bands: all bands of the first rows, then
// all bands of the next rows. With RepeatHeader the first row of the range (the
// header) is printed again at the top of every page that starts a later band of
// rows. Rounding is to the nearest integer, halves to the even neighbour.
//
// Printing and export use the range StartCol .. EndCol - 1, StartRow ..
// EndRow - 1; EndCol and EndRow read as the count when unset or outside
// 1 .. count. After printing StartCol and StartRow are 0 again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korin {

// What a page is drawn on. Coordinates in 0.1 mm, y pointing up, relative to
// the origin set by SetOrigin.
class IPrtCanvas {
public:
    enum class Pen { Dotted, WhiteDashed, Solid };
    virtual ~IPrtCanvas() = default;
    // The page's extent (cx, cy) in 0.1 mm; cy may be negative (y up).
    virtual void PageExtent(int32_t& cx, int32_t& cy) = 0;
    virtual void BeginDocument(const std::string& title, int32_t penWidth) = 0;
    virtual void NewPage() = 0;
    virtual void EndDocument() = 0;
    virtual void SetOrigin(int32_t x, int32_t y) = 0;
    virtual void SetPen(Pen pen) = 0;
    virtual void Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    virtual void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    // Text from (x, y) (its top-left), clipped to the rectangle.
    virtual void Text(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t x, int32_t y,
                      const std::string& text) = 0;
};

// Told after every page; false cancels the rest of the print.
class IPrtProgress {
public:
    virtual ~IPrtProgress() = default;
    // rowsDone of rowsTotal rows are printed completely.
    virtual bool PagePrinted(int32_t page, int32_t rowsDone, int32_t rowsTotal) = 0;
};

enum class TExportType { etASCII, etExcel };

struct TMargins {
    int32_t Top = 0;
    int32_t Bottom = 0;
    int32_t Left = 0;
    int32_t Right = 0;
};

class TPrtGrid {
public:
    virtual ~TPrtGrid() = default;

    std::string FileName = "ExportGrid.txt";
    TExportType ExportType = TExportType::etASCII;
    float UserScale = 1.0f;
    std::string PrintTitle;
    int32_t StartCol = 0;
    int32_t StartRow = 0;
    int32_t PenWidth = 1;
    TMargins Margin;
    // 96 / the pixels per inch of the grid's window.
    double ScreenFactor = 1.0;
    // The first row of the range heads every later page of rows.
    bool RepeatHeader = false;

    int32_t EndCol() const;
    int32_t EndRow() const;
    void SetEndCol(int32_t value);
    void SetEndRow(int32_t value);

    // Writes the range as lines of tab-separated cells to FileName (etASCII;
    // etExcel does nothing). The texts are written as Windows-1252 ("ANSI
    // text"); a character it lacks becomes "?". A file that cannot be written
    // raises Exception "Die Datei <name> konnte nicht geschrieben werden!".
    void Export();
    // Prints the range; false when the progress cancelled it (the pages begun
    // are ended, the canvas's document too). Nothing happens without columns.
    bool Print(IPrtCanvas& canvas, IPrtProgress* progress = nullptr);

    // Nearest integer, halves to the even neighbour.
    static int32_t Nearest(double x);

    // The cells.
    virtual int32_t ColCount() const = 0;
    virtual int32_t RowCount() const = 0;
    virtual int32_t ColWidth(int32_t c) const = 0;
    virtual std::string Cell(int32_t c, int32_t r) = 0;

private:
    void PrintPage(IPrtCanvas& canvas);

    int32_t endCol_ = -1;
    int32_t endRow_ = -1;
    int32_t pageStartCol_ = 0;
    int32_t pageStartRow_ = 0;
    int32_t bandFirstRow_ = 0;  // the first row of the range
};

// A grid of texts held in memory: rows of cells (row 0 the header).
class TPrtTextGrid : public TPrtGrid {
public:
    std::vector<std::vector<std::string>> Cells;
    std::vector<int32_t> Widths;

    int32_t ColCount() const override { return static_cast<int32_t>(Widths.size()); }
    int32_t RowCount() const override { return static_cast<int32_t>(Cells.size()); }
    int32_t ColWidth(int32_t c) const override;
    std::string Cell(int32_t c, int32_t r) override;
};

}  // namespace korin
