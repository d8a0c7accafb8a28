#include "tables/prt_grid.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "store/kor_error.h"

namespace korin {
namespace {

// UTF-8 to Windows-1252; characters it lacks become "?".
class AnsiWriter {
public:
    AnsiWriter() : cd_(iconv_open("WINDOWS-1252", "UTF-8")) {}
    ~AnsiWriter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    std::string Convert(const std::string& utf8) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return utf8;
        std::string out;
        out.resize(utf8.size() + 4);
        char* in = const_cast<char*>(utf8.data());
        size_t inLeft = utf8.size();
        char* to = out.data();
        size_t toLeft = out.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        while (inLeft > 0) {
            if (iconv(cd_, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1)) break;
            if (toLeft == 0) break;  // cannot happen: one byte per character at most
            // An unmappable or broken character: one "?" and skip its bytes.
            *to++ = '?';
            --toLeft;
            size_t skip = 1;
            const auto lead = static_cast<unsigned char>(*in);
            if (lead >= 0xF0) skip = 4;
            else if (lead >= 0xE0) skip = 3;
            else if (lead >= 0xC0) skip = 2;
            skip = std::min(skip, inLeft);
            in += skip;
            inLeft -= skip;
        }
        out.resize(out.size() - toLeft);
        return out;
    }

private:
    iconv_t cd_;
};

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

}  // namespace

int32_t TPrtGrid::Nearest(double x) { return static_cast<int32_t>(std::lrint(x)); }

int32_t TPrtGrid::EndCol() const { return endCol_ >= 1 && endCol_ <= ColCount() ? endCol_ : ColCount(); }
int32_t TPrtGrid::EndRow() const { return endRow_ >= 1 && endRow_ <= RowCount() ? endRow_ : RowCount(); }
void TPrtGrid::SetEndCol(int32_t value) { endCol_ = value > ColCount() ? ColCount() : value; }
void TPrtGrid::SetEndRow(int32_t value) { endRow_ = value > RowCount() ? RowCount() : value; }

void TPrtGrid::Export() {
    if (ExportType != TExportType::etASCII) return;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(FileName.c_str(), "wb"));
    if (!file) throw Exception("Die Datei " + FileName + " konnte nicht geschrieben werden!");
    AnsiWriter ansi;
    const int32_t endRow = EndRow();
    const int32_t endCol = EndCol();
    for (int32_t r = std::max(0, StartRow); r < endRow; ++r) {
        std::string line;
        for (int32_t c = std::max(0, StartCol); c < endCol; ++c) {
            if (c > std::max(0, StartCol)) line += '\t';
            line += Cell(c, r);
        }
        line = ansi.Convert(line);
        line += "\r\n";
        if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size())
            throw Exception("Die Datei " + FileName + " konnte nicht geschrieben werden!");
    }
    std::FILE* raw = file.release();
    if (std::fclose(raw) != 0) throw Exception("Die Datei " + FileName + " konnte nicht geschrieben werden!");
}

bool TPrtGrid::Print(IPrtCanvas& canvas, IPrtProgress* progress) {
    if (ColCount() <= 0) return true;
    canvas.BeginDocument(PrintTitle, PenWidth);
    StartRow = std::max(0, StartRow);
    StartCol = std::max(0, StartCol);
    bandFirstRow_ = StartRow;
    const int32_t total = EndRow() - StartRow;
    bool completed = true;
    int32_t page = 0;
    while (StartRow >= 0) {
        if (page > 0) canvas.NewPage();
        if (StartCol == -1) StartCol = 0;
        PrintPage(canvas);
        ++page;
        const int32_t done = StartRow < 0 ? total : StartRow - bandFirstRow_;
        if (progress && !progress->PagePrinted(page, done, total)) {
            completed = false;
            break;
        }
    }
    canvas.EndDocument();
    StartRow = 0;
    StartCol = 0;
    return completed;
}

void TPrtGrid::PrintPage(IPrtCanvas& canvas) {
    const double s = UserScale;
    const double h = 50.0 * s;
    const int32_t rowHeight = std::max(1, Nearest(h));
    int32_t cx = 0, cy = 0;
    canvas.PageExtent(cx, cy);
    canvas.SetOrigin(0, 0);
    canvas.SetPen(IPrtCanvas::Pen::Dotted);
    canvas.Rectangle(0, 0, cx, -std::abs(cy));

    const int32_t w = cx - Margin.Left - Margin.Right;
    const int32_t height = std::abs(cy) - Margin.Top - Margin.Bottom;
    canvas.SetOrigin(Margin.Left, -Margin.Top);
    canvas.SetPen(IPrtCanvas::Pen::WhiteDashed);
    canvas.Rectangle(0, 0, w, -height);
    canvas.SetPen(IPrtCanvas::Pen::Solid);

    // The rows of this page: the header again on a later band, then the rows
    // from StartRow. At least one row, however small the page.
    const int32_t endRow = EndRow();
    const int32_t endCol = EndCol();
    const bool header = RepeatHeader && StartRow > bandFirstRow_;
    const int32_t capacity = std::max(1, (height - 1) / rowHeight);
    const int32_t n = std::max(0, std::min(endRow - StartRow, std::max(1, capacity - (header ? 1 : 0))));
    std::vector<int32_t> rows;
    if (header && n > 0) rows.push_back(bandFirstRow_);
    for (int32_t i = 0; i < n; ++i) rows.push_back(StartRow + i);
    const auto lines = static_cast<int32_t>(rows.size());
    const int32_t bottom = -Nearest(h * lines);

    pageStartCol_ = StartCol;
    int32_t x = 1;
    int32_t lastLine = 1;
    int32_t c = StartCol;
    // A page without room for a column prints nothing of these rows.
    if (!(x < w - 1)) StartCol = -1;
    while (x < w - 1) {
        if (c >= endCol) {
            canvas.Line(x, -1, x, bottom);
            lastLine = x;
            StartCol = -1;
            break;
        }
        const int32_t left = x;
        int32_t width = Nearest(ColWidth(c) * ScreenFactor * s * 25.0 / 9.0);
        // A column wider than the page on its own is cut at the right edge.
        if (c == pageStartCol_ && left + width >= w - 1) width = std::max(1, w - 2 - left);
        x += width;
        canvas.Line(left, -1, left, bottom);
        lastLine = left;
        for (int32_t i = 0; i < lines && x < w - 1; ++i) {
            const int32_t top = 1 - Nearest(h * i);
            canvas.Text(left + 4, top, x - 1, 1 - Nearest(h * (i + 1)), left + 14, top - 10,
                        Cell(c, rows[static_cast<size_t>(i)]));
        }
        StartCol = c;
        ++c;
    }
    for (int32_t k = 0; k <= lines; ++k) canvas.Line(1, -(Nearest(h * k) + 1), lastLine, -(Nearest(h * k) + 1));

    if (StartCol == -1) {
        pageStartRow_ = StartRow;
        StartRow += n;
        if (StartRow >= endRow) StartRow = -1;
    }
}

int32_t TPrtTextGrid::ColWidth(int32_t c) const {
    return c >= 0 && c < ColCount() ? Widths[static_cast<size_t>(c)] : 0;
}

std::string TPrtTextGrid::Cell(int32_t c, int32_t r) {
    if (r < 0 || r >= RowCount()) return {};
    const auto& row = Cells[static_cast<size_t>(r)];
    return c >= 0 && c < static_cast<int32_t>(row.size()) ? row[static_cast<size_t>(c)] : std::string();
}

}  // namespace korin
