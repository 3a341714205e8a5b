#include "platform/DesktopNotifier.h"

#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHash>
#include <QSet>

#include <utility>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// The freedesktop notification service on the session bus. Each key keeps the id of its last
// notification, which the next one replaces; a call that fails (no service) goes to the fallback.
// The id comes with the service's answer, so a key's next notification waits for it: sent
// earlier it would stand beside the last instead of replacing it. Only the newest waits.
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
        if (m_asking.contains(key)) {
            m_waiting.insert(key, {title, body});
            return;
        }
        send(bus, key, title, body);
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
    void send(QDBusConnection &bus, quint64 key, const QString &title, const QString &body)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
        // Servers may read the body as markup: header text must show as written, never as tags.
        call << QStringLiteral("Vorlo") << m_ids.value(key, 0u) << QStringLiteral("mail-unread") << title
             << body.toHtmlEscaped() << QStringList{QStringLiteral("default"), QStringLiteral("Open")}
             << QVariantMap{{QStringLiteral("category"), QStringLiteral("email.arrived")}} << qint32(-1);
        m_asking.insert(key);
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key, title, body](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            m_asking.remove(key);
            const QDBusPendingReply<uint> reply = *w;
            if (reply.isError()) {
                qCDebug(lcUi) << "no notification service:" << reply.error().message();
                fallBack(title, body);
            } else {
                m_ids.insert(key, reply.value());
            }
            if (m_waiting.contains(key)) {
                const auto [nextTitle, nextBody] = m_waiting.take(key);
                show(key, nextTitle, nextBody);
            }
        });
    }

    void fallBack(const QString &title, const QString &body)
    {
        if (m_fallback)
            m_fallback(title, body);
    }

    Fallback m_fallback;
    QHash<quint64, uint> m_ids;
    // Keys whose call is unanswered, and the newest title and body each of them waits with.
    QSet<quint64> m_asking;
    QHash<quint64, std::pair<QString, QString>> m_waiting;
};

} // namespace

DesktopNotifier *DesktopNotifier::create(QObject *parent, Fallback fallback)
{
    return new FreedesktopNotifier(parent, std::move(fallback));
}

#include "FreedesktopNotifier.moc"
