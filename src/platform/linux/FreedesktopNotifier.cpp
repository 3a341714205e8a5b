#include "platform/DesktopNotifier.h"

#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHash>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// The freedesktop notification service on the session bus. Each key keeps the id of its last
// notification, which the next one replaces; a call that fails (no service) goes to the fallback.
class FreedesktopNotifier : public DesktopNotifier
{
    Q_OBJECT
public:
    FreedesktopNotifier(QObject *parent, Fallback fallback) : DesktopNotifier(parent), m_fallback(std::move(fallback))
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                    SLOT(notificationClosed(uint, uint)));
    }

    void show(quint64 key, const QString &title, const QString &body) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            fallBack(title, body);
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
        // Servers may read the body as markup: header text must show as written, never as tags.
        call << QStringLiteral("Vorlo") << m_ids.value(key, 0u) << QStringLiteral("mail-unread") << title
             << body.toHtmlEscaped() << QStringList{QStringLiteral("default"), QStringLiteral("Open")}
             << QVariantMap{{QStringLiteral("category"), QStringLiteral("email.arrived")}} << qint32(-1);
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key, title, body](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            const QDBusPendingReply<uint> reply = *w;
            if (reply.isError()) {
                qCDebug(lcUi) << "no notification service:" << reply.error().message();
                fallBack(title, body);
                return;
            }
            m_ids.insert(key, reply.value());
        });
    }

private slots:
    void actionInvoked(uint id, const QString &action)
    {
        const quint64 key = m_ids.key(id, 0);
        if (key != 0 && (action == QLatin1String("default") || action == QLatin1String("Open")))
            emit activated(key);
    }
    void notificationClosed(uint id, uint)
    {
        const quint64 key = m_ids.key(id, 0);
        if (key != 0)
            m_ids.remove(key);
    }

private:
    void fallBack(const QString &title, const QString &body)
    {
        if (m_fallback)
            m_fallback(title, body);
    }

    Fallback m_fallback;
    QHash<quint64, uint> m_ids;
};

} // namespace

DesktopNotifier *DesktopNotifier::create(QObject *parent, Fallback fallback)
{
    return new FreedesktopNotifier(parent, std::move(fallback));
}

#include "FreedesktopNotifier.moc"
