#pragma once

#include "core/ui/TCheckerMetrics.h"

#include <QList>
#include <QRect>
#include <QRegion>
#include <QSize>

// The checker window's geometry from its metrics and the screen's pixel density. Sums of metrics
// are formed before scaling, so positions carry no accumulated rounding.
class TCheckerLayout
{
public:
    static qint32 scale(qint32 ppi, qint32 value) { return ppi * value / 120; }

    struct Result {
        QList<QRect> fields; // one per visible account, in order
        QSize window;
        qint32 cornerWidth = 0; // width of the rounded ends' ellipse; 0 when not rounded
    };

    static Result compute(const TCheckerMetrics &m, qint32 ppi, qint32 visibleFields);

    // The window's outline: the rectangle (0, 0, size) whose corners are quarters of an ellipse
    // `ellipseWidth` wide and `ellipseHeight` high (each clamped to the rectangle). A pixel belongs
    // to the region when its centre lies inside the rounded rectangle. A zero ellipse gives the
    // plain rectangle.
    static QRegion roundRectRegion(QSize size, qint32 ellipseWidth, qint32 ellipseHeight);
    // The region the layout asks for: rounded ends as high as the window, or the plain rectangle.
    static QRegion windowRegion(const Result &layout);
};
