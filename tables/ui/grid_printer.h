// Printing a TPrtGrid (tables/prt_grid.h) with Qt: one painting of the pages
// serves the print preview of the desktop program and the PDF file, so both
// show the same pages.
//
// The canvas works in 0.1 mm with the y axis up, as the grid lays out its
// pages, on the full page (no printer margins of its own); text is Arial at
// 4 points, lines PenWidth tenths of a millimetre wide.
#pragma once

#include <QString>
#include <functional>

#include "tables/prt_grid.h"

class QPagedPaintDevice;
class QPainter;
class QWidget;

namespace korin {

class TQtPrtCanvas final : public IPrtCanvas {
public:
    // Paints on `painter`, which is active on `device`.
    TQtPrtCanvas(QPainter& painter, QPagedPaintDevice& device);

    void PageExtent(int32_t& cx, int32_t& cy) override;
    void BeginDocument(const std::string& title, int32_t penWidth) override;
    void NewPage() override;
    void EndDocument() override {}
    void SetOrigin(int32_t x, int32_t y) override;
    void SetPen(Pen pen) override;
    void Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void Text(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t x, int32_t y,
              const std::string& text) override;

private:
    double X(int32_t x) const { return (originX_ + x) * scale_; }
    double Y(int32_t y) const { return -(originY_ + y) * scale_; }

    QPainter& painter_;
    QPagedPaintDevice& device_;
    double scale_ = 1.0;  // device pixels per 0.1 mm
    int32_t originX_ = 0;
    int32_t originY_ = 0;
    int32_t penWidth_ = 1;
};

// Writes the grid's pages to a PDF file (A4 portrait); false when `progress`
// cancelled. A file that cannot be written raises Exception "Die Datei <name>
// konnte nicht geschrieben werden!".
bool PrintGridToPdf(TPrtGrid& grid, const QString& file, IPrtProgress* progress = nullptr);

// The desktop program's print: the print preview dialog, whose pages are
// painted under a progress dialog that can cancel them.
void PrintGridWithPreview(QWidget* parent, TPrtGrid& grid);
// Tests replace the preview (nullptr restores it).
void SetPrintPreviewHandler(std::function<void(TPrtGrid& grid)> handler);

}  // namespace korin
