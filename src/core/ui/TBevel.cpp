#include "core/ui/TBevel.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

void TBevel::draw(QPainter &p, const QRect &rect, int width, Kind kind)
{
    if (width <= 0)
        return;
    const QPalette palette = QGuiApplication::palette();
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor topLeft = kind == Raised ? light : dark;
    const QColor bottomRight = kind == Raised ? dark : light;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < width; ++i) {
        const QRect r = rect.adjusted(i, i, -i, -i);
        if (r.width() <= 0 || r.height() <= 0)
            break;
        // One-pixel lines as rectangles, so the result does not depend on the pen's geometry.
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 1), bottomRight);
    }
    p.restore();
}

void TBevel::drawPanel(QPainter &p, const QRect &rect, int bevelWidth, int borderWidth)
{
    if (bevelWidth <= 0)
        return;
    draw(p, rect, bevelWidth, Raised);
    const int inset = bevelWidth + qMax(0, borderWidth);
    draw(p, rect.adjusted(inset, inset, -inset, -inset), bevelWidth, Lowered);
}
