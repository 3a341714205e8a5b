#include "platform/SleepWatch.h"

#include "platform/Log.h"

#include <QDBusConnection>

namespace {

// The login manager says "PrepareForSleep(true)" before a suspend and "(false)" after waking.
class Login1SleepWatch : public SleepWatch
{
    Q_OBJECT
public:
    explicit Login1SleepWatch(QObject *parent) : SleepWatch(parent)
    {
        const bool ok = QDBusConnection::systemBus().connect(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
            SLOT(prepareForSleep(bool)));
        qCDebug(lcNet) << "sleep announcements" << (ok ? "followed" : "unavailable");
    }

private slots:
    void prepareForSleep(bool sleeping)
    {
        qCDebug(lcNet) << (sleeping ? "going to sleep" : "woken up");
        if (sleeping)
            emit aboutToSleep();
        else
            emit resumed();
    }
};

} // namespace

SleepWatch *SleepWatch::create(QObject *parent)
{
    return new Login1SleepWatch(parent);
}

#include "Login1SleepWatch.moc"
