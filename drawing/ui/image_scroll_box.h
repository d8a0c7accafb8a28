// TImageScrollBox: a bitmap shown at a zoom in percent, scrolled when larger
// than the view.
//
// The loaded bitmap is kept as the source; the display picture is
// round(size · ScaleFactor / 100) + 1 pixels per dimension. From 100 percent
// the source is stretched to that size; below, it is resampled with the
// "Triangle" filter (drawing/kor_resample.h). A file that does not exist, or
// that is no readable BMP, hides the display picture; LoadProblem then says why.
// Mouse buttons on the picture zoom: left in, right out, middle back to 100.
#pragma once

#include <QImage>
#include <QScrollArea>
#include <QString>

class QLabel;

namespace korin {

class TImageScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TImageScrollBox(QWidget* parent = nullptr);

    // Stores the name and loads the file (see above), then applies ScaleFactor.
    void SetFileName(const QString& file);
    const QString& FileName() const { return fileName_; }
    void SetScaleFactor(int scale);
    int ScaleFactor() const { return scale_; }

    bool PictureShown() const;
    // The display picture's size (empty while hidden).
    QSize DisplaySize() const;
    // Why the picture is hidden: empty, or a German sentence for the status bar.
    const QString& LoadProblem() const { return problem_; }
    // The zoom of a mouse button, as a click on the picture does it.
    void Zoom(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Redraw();

    QString fileName_ = QStringLiteral("Picture.bmp");
    int scale_ = 100;
    QImage source_;
    QLabel* display_;
    QString problem_;
};

}  // namespace korin
