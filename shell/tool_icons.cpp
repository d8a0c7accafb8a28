#include "shell/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korin {
namespace {

const QColor kLine(70, 78, 92);

void Letter(QPainter& p, const QColor& fill, const QString& letter) {
    p.setPen(QPen(fill.darker(130), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
    QFont f;
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 2.5, 13, 11), Qt::AlignCenter, letter);
}

void Draw(QPainter& p, ToolIcon kind) {
    switch (kind) {
        case ToolIcon::Open: {
            p.setPen(QPen(kLine, 1));
            p.setBrush(QColor(230, 180, 60));
            QPainterPath back;
            back.moveTo(1.5, 3.5);
            back.lineTo(6, 3.5);
            back.lineTo(7.5, 5);
            back.lineTo(13.5, 5);
            back.lineTo(13.5, 13.5);
            back.lineTo(1.5, 13.5);
            back.closeSubpath();
            p.drawPath(back);
            p.setBrush(QColor(255, 214, 100));
            p.drawPolygon(QPolygonF({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5),
                                     QPointF(1.5, 13.5)}));
            break;
        }
        case ToolIcon::Excel: Letter(p, QColor(33, 115, 70), QStringLiteral("X")); break;
        case ToolIcon::Word: Letter(p, QColor(43, 87, 154), QStringLiteral("W")); break;
        case ToolIcon::Ansi: {
            p.setPen(QPen(kLine, 1));
            p.setBrush(QColor(252, 252, 248));
            p.drawRect(QRectF(3.5, 1.5, 9, 13));
            p.setPen(QPen(QColor(58, 110, 190), 1));
            for (double y : {4.5, 7.0, 9.5, 12.0}) p.drawLine(QPointF(5, y), QPointF(11, y));
            break;
        }
        case ToolIcon::Print: {
            p.setPen(QPen(kLine, 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(QColor(150, 156, 168));
            p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 10.5, 7, 4));
            p.setPen(QPen(QColor(90, 200, 90), 1.5));
            p.drawPoint(QPointF(12.5, 8.5));
            break;
        }
        case ToolIcon::Delete: {
            p.setPen(QPen(QColor(200, 50, 45), 2.4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
            break;
        }
        case ToolIcon::Check: {
            p.setPen(QPen(kLine, 1));
            p.setBrush(QColor(252, 252, 248));
            p.drawRect(QRectF(2.5, 1.5, 10, 13));
            p.setPen(QPen(QColor(40, 150, 70), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(QPolygonF({QPointF(5, 8.5), QPointF(7.2, 11), QPointF(11.5, 5)}));
            break;
        }
        case ToolIcon::LongTexts: {
            p.setPen(QPen(kLine, 1));
            p.setBrush(QColor(252, 252, 248));
            p.drawRect(QRectF(1.5, 3.5, 13, 9));
            QFont f;
            f.setPixelSize(7);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(2, 3.5, 5, 9), Qt::AlignCenter, QStringLiteral("A"));
            p.setPen(QPen(QColor(58, 110, 190), 1));
            for (double y : {6.0, 8.0, 10.0}) p.drawLine(QPointF(7.5, y), QPointF(13, y));
            break;
        }
    }
}

QPixmap Render(ToolIcon kind, qreal dpr) {
    QPixmap pm(QSize(16, 16) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    Draw(p, kind);
    return pm;
}

}  // namespace

QIcon MakeToolIcon(ToolIcon kind) {
    QIcon icon;
    icon.addPixmap(Render(kind, 1.0));
    icon.addPixmap(Render(kind, 2.0));
    return icon;
}

}  // namespace korin
