#pragma once

#include <QString>
#include <optional>

// An account's check frequency as the accounts page shows it: a whole number of seconds or
// minutes for the "Timer" value in milliseconds. Frequencies are bounded: a check more often
// than every 10 seconds would hammer the server, and beyond a week the number would no longer
// be a sensible schedule (and the milliseconds would soon leave 32 bits).
class TCheckFrequency
{
public:
    // The item indexes of the unit box.
    enum Unit { Seconds = 0, Minutes = 1 };

    static constexpr qint32 MinimumMs = 10 * 1000;
    static constexpr qint32 MaximumMs = 7 * 24 * 60 * 60 * 1000;

    struct Shown {
        qint32 number = 0;
        Unit unit = Seconds;
    };

    // Above 59999 ms the page shows whole minutes, otherwise whole seconds (remainders dropped).
    static Shown fromTimer(qint32 timerMs);
    static qint32 unitMs(Unit unit);
    // The edit's text as a decimal integer (blanks around it allowed); nothing when it is none.
    static std::optional<qint32> parseNumber(const QString &text);
    // `number` moved into the bounds that hold for its unit (10 sec to 604800 sec, 1 to 10080 min).
    static qint32 clampNumber(qint32 number, Unit unit);
    // The bounded "Timer" value for a number in its unit.
    static qint32 toTimer(qint32 number, Unit unit);
    // The interval of the check timer of account `account`: the frequency plus 10 ms per
    // position, so that accounts with the same frequency do not all connect at once.
    static qint32 timerInterval(qint32 timerMs, qint32 account);
};
