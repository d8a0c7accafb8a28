#include "tables/ui/grid_printer.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <cmath>

#include "store/kor_error.h"

namespace korin {
namespace {

std::function<void(TPrtGrid&)>& PreviewHandler() {
    static std::function<void(TPrtGrid&)> handler;
    return handler;
}

// The progress dialog as the grid's progress: rows done of all rows.
class DialogProgress final : public IPrtProgress {
public:
    explicit DialogProgress(QProgressDialog& dialog) : dialog_(dialog) {}
    bool PagePrinted(int32_t page, int32_t rowsDone, int32_t rowsTotal) override {
        if (dialog_.maximum() != rowsTotal) dialog_.setMaximum(std::max(1, rowsTotal));
        dialog_.setValue(std::min(rowsDone, dialog_.maximum()));
        dialog_.setLabelText(QStringLiteral("Seite %1").arg(page));
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog& dialog_;
};

}  // namespace

TQtPrtCanvas::TQtPrtCanvas(QPainter& painter, QPagedPaintDevice& device) : painter_(painter), device_(device) {
    scale_ = device.logicalDpiX() / 254.0;
}

void TQtPrtCanvas::PageExtent(int32_t& cx, int32_t& cy) {
    const QRectF page = device_.pageLayout().fullRect(QPageLayout::Millimeter);
    cx = static_cast<int32_t>(std::lround(page.width() * 10));
    cy = -static_cast<int32_t>(std::lround(page.height() * 10));
}

void TQtPrtCanvas::BeginDocument(const std::string& title, int32_t penWidth) {
    penWidth_ = std::max(0, penWidth);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(4);
    painter_.setFont(font);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    SetPen(Pen::Solid);
}

void TQtPrtCanvas::NewPage() { device_.newPage(); }

void TQtPrtCanvas::SetOrigin(int32_t x, int32_t y) {
    originX_ = x;
    originY_ = y;
}

void TQtPrtCanvas::SetPen(Pen pen) {
    QPen p(pen == Pen::WhiteDashed ? Qt::white : Qt::black);
    p.setWidthF(penWidth_ * scale_);
    p.setStyle(pen == Pen::Dotted ? Qt::DotLine : pen == Pen::WhiteDashed ? Qt::DashLine : Qt::SolidLine);
    painter_.setPen(p);
}

void TQtPrtCanvas::Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRectF(QPointF(X(left), Y(top)), QPointF(X(right), Y(bottom))));
}

void TQtPrtCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    painter_.drawLine(QPointF(X(x1), Y(y1)), QPointF(X(x2), Y(y2)));
}

void TQtPrtCanvas::Text(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t x, int32_t y,
                        const std::string& text) {
    if (text.empty()) return;
    const QRectF clip(QPointF(X(left), Y(top)), QPointF(X(right), Y(bottom)));
    painter_.save();
    painter_.setClipRect(clip.normalized());
    painter_.drawText(QRectF(X(x), Y(y), clip.width() + 1000, clip.height() + 1000), Qt::AlignLeft | Qt::AlignTop,
                      QString::fromStdString(text));
    painter_.restore();
}

bool PrintGridToPdf(TPrtGrid& grid, const QString& file, IPrtProgress* progress) {
    QPdfWriter writer(file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(600);
    writer.setTitle(QString::fromStdString(grid.PrintTitle));
    QPainter painter;
    if (!painter.begin(&writer))
        throw Exception("Die Datei " + file.toStdString() + " konnte nicht geschrieben werden!");
    TQtPrtCanvas canvas(painter, writer);
    const bool done = grid.Print(canvas, progress);
    painter.end();
    return done;
}

void SetPrintPreviewHandler(std::function<void(TPrtGrid& grid)> handler) { PreviewHandler() = std::move(handler); }

void PrintGridWithPreview(QWidget* parent, TPrtGrid& grid) {
    if (PreviewHandler()) {
        PreviewHandler()(grid);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    printer.setDocName(QString::fromStdString(grid.PrintTitle));
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Druckvorschau"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&grid, parent](QPrinter* target) {
        QProgressDialog progressDialog(QStringLiteral("Drucken ..."), QStringLiteral("Abbrechen"), 0, 1, parent);
        progressDialog.setWindowModality(Qt::WindowModal);
        progressDialog.setMinimumDuration(500);
        DialogProgress progress(progressDialog);
        QPainter painter;
        if (!painter.begin(target)) return;
        TQtPrtCanvas canvas(painter, *target);
        grid.Print(canvas, &progress);
        painter.end();
    });
    preview.exec();
}

}  // namespace korin
