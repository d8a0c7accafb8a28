#include "shell/models/node_images.h"

#include <QPainter>
#include <QPainterPath>
#include <array>

namespace korin {
namespace {

// Everything is drawn on a 16 by 16 grid; the painter scales it.
struct Pens {
    QColor line;    // outlines
    QColor accent;  // the colour that tells the types apart
    QColor paper;   // light fills
};

Pens PensFor(bool selected) {
    // A selected row has a dark highlight behind the image: lighter outlines and
    // stronger fills keep the picture readable on it.
    if (selected) return {QColor(255, 255, 255), QColor(255, 196, 40), QColor(255, 255, 255)};
    return {QColor(70, 78, 92), QColor(58, 110, 190), QColor(252, 252, 248)};
}

void Folder(QPainter& p, const Pens& c, bool open) {
    const QColor body = open ? QColor(255, 210, 90) : QColor(240, 190, 70);
    p.setPen(QPen(c.line, 1));
    p.setBrush(body.darker(110));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(14.5, 5.0);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(body);
    if (open) {
        QPolygonF front({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)});
        p.drawPolygon(front);
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

void Sheet(QPainter& p, const Pens& c, const QColor& fill) {
    p.setPen(QPen(c.line, 1));
    p.setBrush(fill);
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10.0, 1.5);
    page.lineTo(12.5, 4.0);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.drawPath(page);
}

void Drawing(QPainter& p, const Pens& c) {
    Sheet(p, c, c.paper);
    // A small circuit: a line into a round instrument symbol.
    p.setPen(QPen(c.accent, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(5, 11), QPointF(7, 11));
    p.drawEllipse(QPointF(8.8, 11), 1.8, 1.8);
    p.drawLine(QPointF(8.8, 9.2), QPointF(8.8, 6.5));
    p.drawLine(QPointF(5.5, 6.5), QPointF(10.5, 6.5));
    // The title block.
    p.setPen(QPen(c.line, 0.8));
    p.drawLine(QPointF(3.5, 13.0), QPointF(12.5, 13.0));
}

void Grid(QPainter& p, const Pens& c, const QColor& head) {
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.paper);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setBrush(head);
    p.drawRect(QRectF(1.5, 2.5, 13, 3));
    p.setPen(QPen(c.line, 0.7));
    for (double y : {8.5, 11.0}) p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
    for (double x : {6.0, 10.0}) p.drawLine(QPointF(x, 5.5), QPointF(x, 13.5));
}

void Cylinder(QPainter& p, const Pens& c) {
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.accent.lighter(150));
    QPainterPath body;
    body.moveTo(3.5, 3.5);
    body.lineTo(3.5, 12.5);
    body.arcTo(QRectF(3.5, 10.5, 9, 4), 180, 180);
    body.lineTo(12.5, 3.5);
    p.drawPath(body);
    p.setBrush(c.accent.lighter(180));
    p.drawEllipse(QRectF(3.5, 1.5, 9, 4));
}

void Schedule(QPainter& p, const Pens& c) {
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.paper);
    p.drawRect(QRectF(2.5, 2.5, 11, 12));
    p.setBrush(c.accent);
    p.drawRect(QRectF(5.5, 1.5, 5, 2.5));
    p.setPen(QPen(c.accent, 1.2));
    for (double y : {6.5, 9.0, 11.5}) {
        p.drawPoint(QPointF(4.5, y));
        p.drawLine(QPointF(6.5, y), QPointF(11.5, y));
    }
}

void SysTable(QPainter& p, const Pens& c) {
    Grid(p, c, QColor(200, 70, 60));
    // A small cog in the corner marks the system's own table.
    p.setPen(QPen(c.line, 0.8));
    p.setBrush(QColor(150, 150, 160));
    QPointF centre(12, 12);
    QPainterPath cog;
    for (int k = 0; k < 8; ++k) {
        QTransform t;
        t.translate(centre.x(), centre.y());
        t.rotate(45.0 * k);
        cog.addRect(t.mapRect(QRectF(-0.8, -3.6, 1.6, 1.6)));
    }
    cog.addEllipse(centre, 2.6, 2.6);
    p.drawPath(cog.simplified());
    p.setBrush(c.paper);
    p.drawEllipse(centre, 0.9, 0.9);
}

void Generic(QPainter& p, const Pens& c, int type) {
    static const std::array<QColor, 3> fills = {QColor(150, 200, 150), QColor(200, 160, 210),
                                                QColor(160, 200, 220)};
    Sheet(p, c, fills[static_cast<size_t>(type - 2)].lighter(120));
    p.setPen(QPen(c.line, 0.8));
    p.setFont([] {
        QFont f;
        f.setPixelSize(7);
        f.setBold(true);
        return f;
    }());
    p.drawText(QRectF(3.5, 5, 9, 8), Qt::AlignCenter, QString::number(type));
}

void Other(QPainter& p, const Pens& c) {
    p.setPen(QPen(c.line, 1));
    p.setBrush(QColor(210, 210, 215));
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    QFont f;
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(2.5, 2.5, 11, 11), Qt::AlignCenter, QStringLiteral("?"));
}

}  // namespace

QPixmap NodeImage(int index, int size, qreal dpr) {
    if (index < 0 || index >= kNodeImageCount) index = 9;
    const bool selected = index >= 10;
    const int type = index % 10;
    const Pens c = PensFor(selected);

    QPixmap pm(QSize(size, size) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    switch (type) {
        case 0: Folder(p, c, selected); break;
        case 1: Drawing(p, c); break;
        case 2:
        case 3:
        case 4: Generic(p, c, type); break;
        case 5: Grid(p, c, c.accent); break;
        case 6: Cylinder(p, c); break;
        case 7: Schedule(p, c); break;
        case 8: SysTable(p, c); break;
        default: Other(p, c); break;
    }
    return pm;
}

QIcon NodeIcon(int type) {
    if (type < 0 || type > 9) type = 9;
    QIcon icon;
    for (qreal dpr : {1.0, 2.0}) {
        icon.addPixmap(NodeImage(type, 16, dpr), QIcon::Normal);
        icon.addPixmap(NodeImage(type + 10, 16, dpr), QIcon::Selected);
    }
    return icon;
}

}  // namespace korin
