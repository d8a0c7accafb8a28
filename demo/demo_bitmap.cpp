#include "demo/demo_bitmap.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QVector>

#include <cmath>
#include <cstdio>

#include "store/kor_error.h"

namespace korin::demo {
namespace {

constexpr double kScale = static_cast<double>(kBitmapWidth) / kSheetWidth;
static_assert(kBitmapHeight == kSheetHeight * kBitmapWidth / kSheetWidth, "the picture keeps the sheet's proportions");

// Colours of the palette, in the order of the element colour numbers, then
// white and the light grey of the title block labels.
const QVector<QRgb> kPalette = {qRgb(0, 0, 0),       qRgb(0, 0, 170),     qRgb(170, 0, 0),
                                qRgb(110, 110, 110), qRgb(255, 255, 255), qRgb(150, 150, 150)};
constexpr int kWhite = 4, kLabelGrey = 5;

void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) {
        // A console application object cannot give fonts, and a second
        // application object cannot be made beside it.
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
            throw Exception("Demo: Die Seitenbilder brauchen eine QGuiApplication, das Programm hat nur eine QCoreApplication.");
        return;
    }
    // Kept for the life of the process: Qt holds on to argc and argv, and a
    // second application object after the first one has gone is not reliable.
    static int argc = 3;
    static char name[] = "korin-demo", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // The offscreen platform's start-up notes (no runtime directory and the
    // like) concern a display this program never opens; they are not passed on.
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
        });
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    qInstallMessageHandler(previous);
    (void)app;
}

int Px(int units) { return static_cast<int>(std::lround(units * kScale)); }
QPoint Pt(int x, int y) { return {Px(x), Px(y)}; }

QColor Colour(int index) { return QColor(kPalette.value(index, kPalette[0])); }

QFont FontOf(int heightUnits, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(std::max(8, static_cast<int>(std::lround(heightUnits * kScale * 1.25))));
    font.setBold(bold);
    return font;
}

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

// Draws text with its baseline at (x, y) pixels; align 0 left, 1 centre, 2 right.
void DrawText(QPainter& p, int x, int y, const QString& text, int align) {
    const int width = p.fontMetrics().horizontalAdvance(text);
    if (align == 1) x -= width / 2;
    if (align == 2) x -= width;
    p.drawText(x, y, text);
}

struct TCell {
    uint16_t code;
    const char* label;
    int x, w;  // relative to the title block's left edge, 0.1 mm
    int row;
};

// The fields of the title block right of its fixed part (the typical and page
// texts): two rows of code fields.
const TCell kCells[] = {
    {1, "Anlage", 1000, 350, 0},          {2, "MSR-Stelle", 1350, 350, 0},
    {12135, "Messstelle", 1700, 500, 0},  {65, "Messaufgabe", 2200, 900, 0},
    {550, "Messbereich", 3100, 450, 0},   {3, "Ort E-Technik", 3550, 450, 0},
    {60, "Ebene 1", 1000, 450, 1},        {61, "Ebene 2", 1450, 450, 1},
    {63, "Ebene 3", 1900, 450, 1},        {64, "Ebene 4", 2350, 350, 1},
    {76, "Planart", 2700, 300, 1},        {20026, "Funktionsgruppe", 3000, 450, 1},
    {20015, "Bemerkung", 3450, 350, 1},   {62, "Blatt", 3800, 200, 1},
};

void DrawTitleBlock(QPainter& p, const TPageElement& e) {
    const int left = e.x - e.w / 2, top = e.y - e.h / 2, rowHeight = e.h / 2;
    p.setPen(QPen(Colour(0), 2));
    p.drawRect(QRect(Pt(left, top), Pt(left + e.w, top + e.h)));
    p.drawLine(Pt(left + 1000, top), Pt(left + 1000, top + e.h));
    p.drawLine(Pt(left + 1000, top + rowHeight), Pt(left + e.w, top + rowHeight));
    for (const TCell& c : kCells) {
        const int x = left + c.x, y = top + c.row * rowHeight;
        p.setPen(QPen(Colour(0), 1));
        p.drawLine(Pt(x, y), Pt(x, y + rowHeight));
        p.setPen(Colour(kLabelGrey));
        p.setFont(FontOf(22));
        DrawText(p, Px(x + 15), Px(y + 45), QString::fromLatin1(c.label), 0);
        p.setPen(Colour(0));
        p.setFont(FontOf(35, true));
        DrawText(p, Px(x + 15), Px(y + rowHeight - 30), Latin1(e.Code(c.code)), 0);
    }
}

// An instrument of the MSR kind: a balloon with its role, framed as a shared
// display for functions of the control system.
void DrawInstrument(QPainter& p, const TPageElement& e) {
    const QRect box(Pt(e.x - e.w / 2, e.y - e.h / 2), Pt(e.x + e.w / 2, e.y + e.h / 2));
    p.setPen(QPen(Colour(0), 2));
    p.setBrush(Qt::NoBrush);
    switch (e.type) {
        case 1:  // primary element: balloon on a process stem
            p.drawEllipse(box.adjusted(8, 8, -8, -8));
            p.drawLine(box.center().x(), box.bottom() - 8, box.center().x(), box.bottom() + 12);
            break;
        case 4:  // indicator and
        case 5:  // controller in the control system
            p.drawRect(box);
            p.drawEllipse(box);
            p.drawLine(box.left(), box.center().y(), box.right(), box.center().y());
            break;
        case 6: {  // control valve: a bow tie on the pipe, stem and diaphragm actuator above
            const QPoint c = box.center();
            const int r = box.width() / 3, y = c.y() + r / 2;
            p.drawPolygon(QPolygon({QPoint(c.x() - r, y - r / 2), QPoint(c.x() + r, y + r / 2),
                                    QPoint(c.x() + r, y - r / 2), QPoint(c.x() - r, y + r / 2)}));
            p.drawLine(c.x(), y, c.x(), box.top() + r / 2);
            p.drawArc(QRect(c.x() - r, box.top(), 2 * r, r), 0, 180 * 16);
            p.drawLine(c.x() - r, box.top() + r / 2, c.x() + r, box.top() + r / 2);
            break;
        }
        case 10:  // positioner
            p.drawRect(box.adjusted(6, 6, -6, -6));
            break;
        case 11:  // switch: balloon with a contact mark
            p.drawEllipse(box);
            p.drawLine(box.right() - 10, box.top() + 10, box.right() + 4, box.top() - 4);
            break;
        default:  // transmitter
            p.drawEllipse(box);
            break;
    }
    const bool insideLabel = e.type != 6;
    p.setPen(Colour(0));
    p.setFont(FontOf(40, true));
    const QString role = Latin1(e.Code(12115));
    if (insideLabel)
        DrawText(p, box.center().x(), box.center().y() + (e.type == 4 || e.type == 5 ? -4 : 6), role, 1);
    else
        DrawText(p, box.right() + 6, box.top() + 14, role, 0);
}

// Equipment of the electrical kind, labelled in the manner of "-K".
void DrawElectric(QPainter& p, const TPageElement& e) {
    const QRect box(Pt(e.x - e.w / 2, e.y - e.h / 2), Pt(e.x + e.w / 2, e.y + e.h / 2));
    const QPoint c = box.center();
    p.setPen(QPen(Colour(0), 2));
    p.setBrush(Qt::NoBrush);
    p.setFont(FontOf(40, true));
    switch (e.type) {
        case 12:  // switch or breaker: an opened contact
            p.drawLine(c.x(), box.bottom(), c.x(), c.y() + 10);
            p.drawLine(c.x(), c.y() + 10, c.x() + 20, c.y() - 18);
            p.drawLine(c.x(), c.y() - 14, c.x(), box.top());
            break;
        case 14:  // coil
            p.drawRect(box.adjusted(10, 20, -10, -20));
            p.drawLine(box.left() + 10, box.bottom() - 20, box.right() - 10, box.top() + 20);
            break;
        case 16:  // motor
            p.drawEllipse(box);
            DrawText(p, c.x(), c.y() + 4, QStringLiteral("M"), 1);
            p.setFont(FontOf(25));
            DrawText(p, c.x(), c.y() + 22, QStringLiteral("3~"), 1);
            break;
    }
    p.setFont(FontOf(35, true));
    DrawText(p, box.left() - 4, box.top() + 10, "-" + Latin1(e.Code(12115)), 2);
}

void DrawTerminal(QPainter& p, const TPageElement& e) {
    const QRect box(Pt(e.x - e.w / 2, e.y - e.h / 2), Pt(e.x + e.w / 2, e.y + e.h / 2));
    p.setPen(QPen(Colour(2), 1));
    p.setBrush(Colour(kWhite));
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    p.setFont(FontOf(25));
    DrawText(p, box.center().x(), box.bottom() - 3, Latin1(e.Code(20030)), 1);
}

void DrawWire(QPainter& p, const TPageElement& e) {
    const QPoint c = Pt(e.x, e.y);
    p.setPen(QPen(Colour(1), 2));
    p.drawLine(c.x() - 5, c.y() + 6, c.x() + 5, c.y() - 6);
    p.setFont(FontOf(25));
    DrawText(p, c.x() - 8, c.y() - 8, Latin1(e.Code(362)), 2);
}

void DrawElement(QPainter& p, const TPageElement& e) {
    switch (e.kind) {
        case kRecordLine:
            p.setPen(QPen(Colour(e.colour), std::max(1, Px(e.size * 2))));
            p.drawLine(Pt(e.x, e.y), Pt(e.x2, e.y2));
            return;
        case kRecordBox:
            p.setPen(QPen(Colour(e.colour), std::max(1, Px(e.size * 2))));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(Pt(e.x, e.y), Pt(e.x2, e.y2)));
            return;
        case kRecordText:
            p.setPen(Colour(e.colour));
            p.setFont(FontOf(e.size));
            DrawText(p, Px(e.x), Px(e.y), Latin1(e.text), e.align);
            return;
        default:
            break;
    }
    if (!e.IsSymbol()) return;
    switch (e.type) {
        case 9: DrawTitleBlock(p, e); break;
        case 7: DrawTerminal(p, e); break;
        case 8: DrawWire(p, e); break;
        case 12:
        case 14:
        case 16: DrawElectric(p, e); break;
        default: DrawInstrument(p, e); break;
    }
}

}  // namespace

void WritePageBitmap(const TPage& page, const std::string& file) {
    EnsureGuiApplication();
    QImage image(kBitmapWidth, kBitmapHeight, QImage::Format_RGB32);
    image.fill(Colour(kWhite));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        for (const TPageElement& e : page.elements) DrawElement(painter, e);
    }
    // Every pixel carries one of the palette's colours exactly (nothing is
    // blended), so the conversion loses nothing.
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, kPalette, Qt::ThresholdDither);
    const QString target = QString::fromStdString(file);
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);
    if (!indexed.save(temp, "BMP") || (QFile::exists(target) && !QFile::remove(target)) ||
        !QFile::rename(temp, target)) {
        QFile::remove(temp);
        throw Exception("Demo: Das Bild " + file + " konnte nicht geschrieben werden!");
    }
}

}  // namespace korin::demo
