#pragma once

#include <QtGlobal>

// Sizes of the checker window in 1/120 inch (FontSize in points) and the outline style.
struct TCheckerMetrics
{
    qint32 CheckerWidth = 20;
    qint32 CheckerHeight = 18;
    qint32 VSpace = 8;
    qint32 HSpace = 6;
    qint32 FontSize = 9;
    bool Round = true;
};
