#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
// Draws on a 64 x 64 design grid scaled to Size.
QPixmap DrawIcon(int Size)
{
    QPixmap Pixmap(Size, Size);
    Pixmap.fill(Qt::transparent);
    QPainter Painter(&Pixmap);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.scale(Size / 64.0, Size / 64.0);

    Painter.setPen(Qt::NoPen);
    Painter.setBrush(QColor(0x2d, 0x6c, 0xdf));
    Painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    Painter.setPen(QPen(Qt::white, 3.5));
    Painter.setBrush(Qt::NoBrush);
    Painter.drawEllipse(QPointF(28, 28), 18, 18);
    Painter.drawEllipse(QPointF(28, 28), 8, 18);
    Painter.drawLine(QPointF(10, 28), QPointF(46, 28));

    QPainterPath Arrow;
    Arrow.moveTo(43, 34);
    Arrow.lineTo(53, 34);
    Arrow.lineTo(53, 46);
    Arrow.lineTo(60, 46);
    Arrow.lineTo(48, 60);
    Arrow.lineTo(36, 46);
    Arrow.lineTo(43, 46);
    Arrow.closeSubpath();
    Painter.setPen(QPen(QColor(0x1b, 0x3f, 0x8a), 2));
    Painter.setBrush(QColor(0xff, 0xa5, 0x1f));
    Painter.drawPath(Arrow);
    return Pixmap;
}
} // namespace

QIcon HarvoAppIcon()
{
    QIcon Icon;
    for (int Size : { 16, 32, 48, 64, 128 })
        Icon.addPixmap(DrawIcon(Size));
    return Icon;
}
