#include "app/common/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace mervalon::app {
namespace {

constexpr int kSize = 64;

void drawSheet(QPainter& painter)
{
    QPainterPath sheet;
    sheet.moveTo(12, 4);
    sheet.lineTo(42, 4);
    sheet.lineTo(54, 16);
    sheet.lineTo(54, 60);
    sheet.lineTo(12, 60);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(90, 90, 90), 2.5));
    painter.setBrush(Qt::white);
    painter.drawPath(sheet);
    painter.drawPolyline(QPolygonF({QPointF(42, 4), QPointF(42, 16), QPointF(54, 16)}));
}

void drawCreate(QPainter& painter)
{
    drawSheet(painter);
    painter.setPen(QPen(QColor(31, 59, 87), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(18, 50), QPointF(26, 34), QPointF(36, 42), QPointF(46, 24)}));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(46, 139, 87));
    painter.drawEllipse(QPointF(48, 48), 13, 13);
    painter.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(48, 41), QPointF(48, 55));
    painter.drawLine(QPointF(41, 48), QPointF(55, 48));
}

void drawExit(QPainter& painter)
{
    painter.setPen(QPen(QColor(90, 60, 30), 3));
    painter.setBrush(QColor(205, 160, 110));
    painter.drawRect(QRectF(10, 6, 30, 52));
    painter.setBrush(QColor(90, 60, 30));
    painter.drawEllipse(QPointF(33, 33), 2.5, 2.5);
    painter.setPen(QPen(QColor(200, 40, 30), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(QPointF(30, 33), QPointF(58, 33));
    painter.drawPolyline(QPolygonF({QPointF(48, 22), QPointF(58, 33), QPointF(48, 44)}));
}

void drawHelp(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 100, 180));
    painter.drawEllipse(QPointF(32, 32), 27, 27);
    QFont font;
    font.setPixelSize(40);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("?"));
}

void drawLog(QPainter& painter)
{
    drawSheet(painter);
    painter.setPen(QPen(QColor(120, 120, 120), 3, Qt::SolidLine, Qt::RoundCap));
    for (int y = 24; y <= 48; y += 8) {
        painter.drawLine(QPointF(19, y), QPointF(47, y));
    }
    painter.setPen(QPen(QColor(200, 40, 30), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19, 16), QPointF(30, 16));
}

// A padlock: shut while the destination follows the input folder; open, its shackle swung
// out of the body, while the destination is the user's own choice.
void drawPadlock(QPainter& painter, bool shut)
{
    const qreal left = shut ? 20 : 34;
    QPainterPath shackle;
    shackle.moveTo(left, 30);
    shackle.lineTo(left, 18);
    shackle.arcTo(QRectF(left, 6, 24, 24), 180, -180);
    shackle.lineTo(left + 24, shut ? 30 : 22);
    painter.setPen(QPen(QColor(90, 90, 90), 6, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shackle);
    painter.setPen(QPen(QColor(120, 90, 20), 2.5));
    painter.setBrush(shut ? QColor(218, 165, 32) : QColor(190, 205, 140));
    painter.drawRoundedRect(QRectF(8, 30, 42, 30), 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(70, 50, 10));
    painter.drawEllipse(QPointF(29, 42), 4, 4);
    painter.drawRect(QRectF(27.5, 42, 3, 10));
}

} // namespace

QIcon glyphIcon(Glyph glyph)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    switch (glyph) {
    case Glyph::CreateDxf:
        drawCreate(painter);
        break;
    case Glyph::Exit:
        drawExit(painter);
        break;
    case Glyph::HelpFile:
        drawHelp(painter);
        break;
    case Glyph::LastLog:
        drawLog(painter);
        break;
    case Glyph::Locked:
        drawPadlock(painter, true);
        break;
    case Glyph::Unlocked:
        drawPadlock(painter, false);
        break;
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace mervalon::app
