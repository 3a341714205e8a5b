#include "NetworkStatus.h"

#include "Log.h"

#include <QNetworkInformation>

namespace {

// Linux: NetworkManager's own view only. The other backend there judges by a default route,
// which a machine checking a mail server on its local network or on loopback may well lack.
QString defaultBackend()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("networklistmanager");
#else
    return QStringLiteral("networkmanager");
#endif
}

// Only a lost connection counts: a link to the local network alone may still reach a mail
// server on it, and an unknown state must never keep checks from running.
bool reachableIn(QNetworkInformation::Reachability r)
{
    return r != QNetworkInformation::Reachability::Disconnected;
}

class QtNetworkStatus : public NetworkStatus
{
public:
    QtNetworkStatus(QObject *parent, const QString &backend) : NetworkStatus(parent)
    {
        const bool loaded = QNetworkInformation::loadBackendByName(backend.isEmpty() ? defaultBackend() : backend);
        m_info = loaded ? QNetworkInformation::instance() : nullptr;
        if (!m_info || !m_info->supports(QNetworkInformation::Feature::Reachability)) {
            qCDebug(lcNet) << "no reachability backend" << backend;
            m_info = nullptr;
            return;
        }
        qCDebug(lcNet) << "reachability from" << m_info->backendName() << int(m_info->reachability());
        m_reachable = reachableIn(m_info->reachability());
        connect(m_info, &QNetworkInformation::reachabilityChanged, this, [this](auto r) {
            const bool reachable = reachableIn(r);
            qCDebug(lcNet) << "reachability now" << int(r);
            if (reachable == m_reachable)
                return;
            m_reachable = reachable;
            emit reachableChanged(reachable);
        });
    }

    bool isKnown() const override { return m_info != nullptr; }
    bool isReachable() const override { return m_reachable; }

private:
    QNetworkInformation *m_info = nullptr;
    bool m_reachable = true;
};

} // namespace

NetworkStatus *NetworkStatus::create(QObject *parent, const QString &backend)
{
    return new QtNetworkStatus(parent, backend);
}
