#include "drawing/ui/image_scroll_box.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "drawing/kor_resample.h"

namespace korin {
namespace {

TKorImage FromQImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    TKorImage out(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(rgb.constScanLine(y));
        std::copy(line, line + rgb.width(), &out.At(0, y));
    }
    return out;
}

QImage ToQImage(const TKorImage& image) {
    QImage out(image.width, image.height, QImage::Format_RGB32);
    for (int y = 0; y < image.height; ++y) {
        const uint32_t* line = image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
        std::copy(line, line + image.width, reinterpret_cast<uint32_t*>(out.scanLine(y)));
    }
    return out;
}

}  // namespace

TImageScrollBox::TImageScrollBox(QWidget* parent) : QScrollArea(parent), display_(new QLabel) {
    display_->setScaledContents(true);
    display_->setAttribute(Qt::WA_TransparentForMouseEvents);
    display_->hide();
    setWidget(display_);
    setWidgetResizable(false);
}

void TImageScrollBox::SetFileName(const QString& file) {
    fileName_ = file;
    source_ = QImage();
    problem_.clear();
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        problem_ = file.isEmpty() ? QStringLiteral("Zu dieser Zeichnung gibt es kein Bild.")
                                  : QStringLiteral("Das Bild %1 ist nicht vorhanden.").arg(file);
    } else {
        QImageReader reader(file, "bmp");
        reader.setDecideFormatFromContent(false);
        if (!reader.read(&source_) || source_.isNull()) {
            source_ = QImage();
            problem_ = QStringLiteral("Das Bild %1 ist keine lesbare BMP-Datei.").arg(file);
        }
    }
    Redraw();
}

void TImageScrollBox::SetScaleFactor(int scale) {
    scale_ = scale;
    Redraw();
}

bool TImageScrollBox::PictureShown() const { return !display_->isHidden(); }

QSize TImageScrollBox::DisplaySize() const { return PictureShown() ? display_->size() : QSize(); }

void TImageScrollBox::Redraw() {
    if (source_.isNull()) {
        display_->hide();
        display_->setPixmap(QPixmap());
        return;
    }
    const QSize size(korin::DisplaySize(source_.width(), scale_), korin::DisplaySize(source_.height(), scale_));
    if (scale_ >= 100) {
        display_->setPixmap(QPixmap::fromImage(source_));
    } else {
        TKorImage target(size.width(), size.height());
        Stretch(FromQImage(source_), target, TKorResampleFilter::Triangle,
                FilterSupport(TKorResampleFilter::Triangle));
        display_->setPixmap(QPixmap::fromImage(ToQImage(target)));
    }
    display_->resize(size);
    display_->show();
}

void TImageScrollBox::Zoom(Qt::MouseButton button) {
    int next = scale_;
    if (button == Qt::LeftButton) next = ZoomIn(scale_);
    else if (button == Qt::RightButton) next = ZoomOut(scale_);
    else if (button == Qt::MiddleButton) next = kZoomReset;
    if (next == scale_) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SetScaleFactor(next);
    QApplication::restoreOverrideCursor();
}

void TImageScrollBox::mousePressEvent(QMouseEvent* event) {
    if (PictureShown()) Zoom(event->button());
    event->accept();
}

}  // namespace korin
