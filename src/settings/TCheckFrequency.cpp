#include "settings/TCheckFrequency.h"

#include <QtGlobal>

#include <limits>

TCheckFrequency::Shown TCheckFrequency::fromTimer(qint32 timerMs)
{
    if (timerMs > 59999)
        return {timerMs / 60000, Minutes};
    return {timerMs / 1000, Seconds};
}

qint32 TCheckFrequency::unitMs(Unit unit)
{
    return unit == Minutes ? 60000 : 1000;
}

std::optional<qint32> TCheckFrequency::parseNumber(const QString &text)
{
    bool ok = false;
    const qint32 value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

qint32 TCheckFrequency::clampNumber(qint32 number, Unit unit)
{
    const qint32 step = unitMs(unit);
    const qint32 lowest = (MinimumMs + step - 1) / step;
    const qint32 highest = MaximumMs / step;
    return qBound(lowest, number, highest);
}

qint32 TCheckFrequency::toTimer(qint32 number, Unit unit)
{
    // Clamped first, so the product always fits.
    return clampNumber(number, unit) * unitMs(unit);
}

qint32 TCheckFrequency::timerInterval(qint32 timerMs, qint32 account)
{
    const qint64 interval = qint64(timerMs) + 10 * qint64(account);
    return qint32(qBound(qint64(0), interval, qint64(std::numeric_limits<qint32>::max())));
}
