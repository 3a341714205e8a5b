// Sleep and notifications on Windows: the tray icon's balloon shows the notifications, and the
// sleep announcements are not followed yet (checks after waking run at their timers' ticks).
#include "platform/DesktopNotifier.h"
#include "platform/SleepWatch.h"

namespace {

class BalloonNotifier : public DesktopNotifier
{
public:
    BalloonNotifier(QObject *parent, Fallback fallback) : DesktopNotifier(parent), m_fallback(std::move(fallback)) {}

    void show(quint64, const QString &title, const QString &body) override
    {
        if (m_fallback)
            m_fallback(title, body);
    }

private:
    Fallback m_fallback;
};

class SilentSleepWatch : public SleepWatch
{
public:
    using SleepWatch::SleepWatch;
};

} // namespace

DesktopNotifier *DesktopNotifier::create(QObject *parent, Fallback fallback)
{
    return new BalloonNotifier(parent, std::move(fallback));
}

SleepWatch *SleepWatch::create(QObject *parent)
{
    return new SilentSleepWatch(parent);
}
