#include "core/ui/TCheckerLayout.h"

#include <cmath>

TCheckerLayout::Result TCheckerLayout::compute(const TCheckerMetrics &m, qint32 ppi, qint32 visibleFields)
{
    Result r;
    const qint32 w = m.CheckerWidth, ch = m.CheckerHeight, v = m.VSpace, h = m.HSpace;
    for (qint32 k = 1; k <= visibleFields; ++k)
        r.fields.append(QRect(scale(ppi, 2 * h + (k - 1) * (w + h)), scale(ppi, v), scale(ppi, w),
                              scale(ppi, ch)));
    r.window = QSize(scale(ppi, visibleFields * (w + h) + 3 * h), scale(ppi, 2 * v + ch));
    // The ellipse adds the unscaled space, as the window always has.
    r.cornerWidth = m.Round ? scale(ppi, w) + h : 0;
    return r;
}

QRegion TCheckerLayout::roundRectRegion(QSize size, qint32 ellipseWidth, qint32 ellipseHeight)
{
    const int w = size.width(), h = size.height();
    if (w <= 0 || h <= 0)
        return QRegion();
    if (ellipseWidth <= 0 || ellipseHeight <= 0)
        return QRegion(0, 0, w, h);
    // Semi-axes of the corner ellipse; an ellipse larger than the rectangle is cut down to it.
    const double a = qMin(ellipseWidth, w) / 2.0;
    const double b = qMin(ellipseHeight, h) / 2.0;
    QRegion region;
    for (int y = 0; y < h; ++y) {
        const double cy = y + 0.5;
        // Vertical distance of the pixel centre from the corner ellipses' centre line; rows
        // between the two corner bands are full width.
        double dy = 0;
        if (cy < b)
            dy = b - cy;
        else if (cy > h - b)
            dy = cy - (h - b);
        const double t = 1.0 - (dy * dy) / (b * b);
        if (t <= 0)
            continue;
        const double dx = a * std::sqrt(t);
        const double left = a - dx;      // leftmost x still inside
        const double right = w - a + dx; // rightmost x still inside
        const int first = int(std::ceil(left - 0.5));
        const int last = int(std::floor(right - 0.5));
        if (last >= first)
            region += QRect(first, y, last - first + 1, 1);
    }
    return region;
}

QRegion TCheckerLayout::windowRegion(const Result &layout)
{
    if (layout.cornerWidth <= 0)
        return QRegion(QRect(QPoint(0, 0), layout.window));
    return roundRectRegion(layout.window, layout.cornerWidth, layout.window.height());
}
