#include "platform/KeyringProbe.h"

#include <QCoro/QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {

const QString SecretService = QStringLiteral("org.freedesktop.secrets");
// A service that does not answer within this is as good as missing.
constexpr int CallTimeoutMs = 5000;

} // namespace

// Asks the Secret Service on the session bus, where the keyring library went too.
QCoro::Task<KeyringState> probeKeyring()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return KeyringState::Missing;

    QDBusMessage owned = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    owned << SecretService;
    const QDBusMessage hasOwner = co_await bus.asyncCall(owned, CallTimeoutMs);
    if (hasOwner.type() != QDBusMessage::ReplyMessage || hasOwner.arguments().isEmpty())
        co_return KeyringState::Unknown;
    if (!hasOwner.arguments().constFirst().toBool())
        co_return KeyringState::Missing;

    // New secrets go to the collection the "default" alias names.
    QDBusMessage get = QDBusMessage::createMethodCall(
        SecretService, QStringLiteral("/org/freedesktop/secrets/aliases/default"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked");
    const QDBusMessage locked = co_await bus.asyncCall(get, CallTimeoutMs);
    if (locked.type() != QDBusMessage::ReplyMessage || locked.arguments().isEmpty())
        co_return KeyringState::Unknown;
    co_return locked.arguments().constFirst().value<QDBusVariant>().variant().toBool() ? KeyringState::Locked
                                                                                       : KeyringState::Open;
}
