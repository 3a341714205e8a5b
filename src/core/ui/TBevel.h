#pragma once

#include <QRect>

class QPainter;

// Draws raised or lowered frames, lit from the top left.
namespace TBevel {
enum Kind { Raised, Lowered };
// A frame of `width` pixels along the inside of `rect`.
void draw(QPainter &p, const QRect &rect, int width, Kind kind);
// A panel's frame: a raised outer bevel, `borderWidth` pixels of the panel's own colour (left as
// painted), then a lowered inner bevel, both bevels `bevelWidth` wide. Nothing when the width is 0.
void drawPanel(QPainter &p, const QRect &rect, int bevelWidth, int borderWidth);
} // namespace TBevel
