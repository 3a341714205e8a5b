#include "desktop/TTrayPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

enum Kind { NoMail = 0, Mail = 1, Offline = 2, Frame0 = 3, ProgramIcon = 7 };

constexpr int Sizes[] = {16, 22, 24, 32, 48, 64};

// Draws on a 16-unit grid; lines on half units stay sharp at 16 x 16.
void drawEnvelope(QPainter &p, const QColor &body, const QColor &line)
{
    p.setPen(QPen(line, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(body);
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    QPainterPath flap;
    flap.moveTo(1.5, 3.5);
    flap.lineTo(8, 8.5);
    flap.lineTo(14.5, 3.5);
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

void drawDot(QPainter &p, QPointF centre, double radius, const QColor &fill, const QColor &line)
{
    p.setPen(QPen(line, 1.0));
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
}

void paint(QPainter &p, int kind)
{
    const QColor outline(0x30, 0x30, 0x40);
    switch (kind) {
    case NoMail:
        drawEnvelope(p, Qt::white, QColor(0x60, 0x60, 0x60));
        break;
    case Mail:
        drawEnvelope(p, QColor(0xFF, 0xE0, 0x70), outline);
        drawDot(p, QPointF(12.5, 4), 3, QColor(0xE0, 0x10, 0x10), Qt::white);
        break;
    case Offline:
        drawEnvelope(p, QColor(0xB8, 0xB8, 0xB8), QColor(0x70, 0x70, 0x70));
        p.setPen(QPen(QColor(0xD0, 0x00, 0x00), 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(2.5, 14), QPointF(13.5, 2));
        break;
    case ProgramIcon: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 102));
        p.drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);
        drawEnvelope(p, Qt::white, QColor(0x80, 0x80, 0xB0));
        break;
    }
    default: {
        // A green dot runs clockwise round the envelope's corners, one corner per frame.
        const QPointF corners[] = {{3, 3.5}, {13, 3.5}, {13, 12.5}, {3, 12.5}};
        drawEnvelope(p, Qt::white, QColor(0x20, 0x40, 0xA0));
        drawDot(p, corners[(kind - Frame0) & 3], 2.5, QColor(0x00, 0xB0, 0x00), QColor(0x00, 0x50, 0x00));
        break;
    }
    }
}

QIcon iconOf(int kind)
{
    QIcon icon;
    for (int size : Sizes)
        icon.addPixmap(TTrayPictures::render(kind, size));
    return icon;
}

} // namespace

QPixmap TTrayPictures::render(int kind, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paint(p, kind);
    return pixmap;
}

QIcon TTrayPictures::programIcon()
{
    return iconOf(ProgramIcon);
}

QList<QIcon> TTrayPictures::ImageList1()
{
    return {iconOf(NoMail), iconOf(Mail), iconOf(Offline)};
}

QList<QIcon> TTrayPictures::ImageList2()
{
    QList<QIcon> frames;
    for (int k = 0; k < 4; ++k)
        frames << iconOf(Frame0 + k);
    return frames;
}
