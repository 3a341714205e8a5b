// TLS on top of TPowersock's connection.
#include "net/TPowersock.h"

#include <QCryptographicHash>
#include <QPointer>
#include <QSslCertificate>
#include <QSslSocket>

namespace {

QByteArray normalisedFingerprint(const QByteArray &text)
{
    QByteArray hex;
    for (char c : text)
        if (c != ':' && c != ' ' && c != '\t')
            hex += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return hex;
}

QByteArray fingerprintOf(const QSslCertificate &cert)
{
    return cert.isNull() ? QByteArray() : cert.digest(QCryptographicHash::Sha256).toHex();
}

} // namespace

bool TPowersock::Encrypted() const
{
    return m_socket && m_socket->isEncrypted();
}

QByteArray TPowersock::PeerFingerprint() const
{
    return m_socket ? fingerprintOf(m_socket->peerCertificate()) : QByteArray();
}

void TPowersock::onSslErrors(const QList<QSslError> &errors)
{
    wake();
    m_tlsErrors = errors;
    if (m_socket)
        m_tlsPeer = fingerprintOf(m_socket->peerCertificate());
    // A pinned certificate replaces the trust store: it is the server's identity.
    if (!m_pin.isEmpty() && m_socket && fingerprintOf(m_socket->peerCertificate()) == m_pin)
        m_socket->ignoreSslErrors();
}

void TPowersock::onEncrypted()
{
    wake();
    if (m_socket)
        m_tlsPeer = fingerprintOf(m_socket->peerCertificate());
    if (!m_pin.isEmpty() && m_tlsPeer != m_pin) {
        m_tlsFailed = true;
        m_tlsFailure = QStringLiteral("the certificate does not match the pinned fingerprint");
        return;
    }
    m_tlsDone = true;
}

QCoro::Task<> TPowersock::StartTLS(QByteArray certFingerprint)
{
    StatusMessage(8, "Start TLS");
    if (!m_connected)
        throw EGeneralError(QStringLiteral("Not Connected"));
    if (!QSslSocket::supportsSsl())
        throw ESockError("TLS is not available");
    // Bytes that came in the clear before the handshake would later read as if they
    // were protected (an injection by whoever sits in the path): refuse them.
    if (pendingInput() > 0 || m_socket->bytesAvailable() > 0) {
        RequestCloseSocket();
        throw ESockError("Unexpected data before the TLS handshake");
    }
    // Guarded: a socket replaced during the wait may be freed by the event loop.
    QPointer<QSslSocket> sock = m_socket;
    m_pin = normalisedFingerprint(certFingerprint);
    m_tlsErrors.clear();
    m_tlsFailure.clear();
    m_tlsPeer.clear();
    m_tlsDone = m_tlsFailed = false;
    sock->setPeerVerifyMode(QSslSocket::VerifyPeer);
    sock->setPeerVerifyName(Host);
    sock->startClientEncryption();
    TimerOn();
    while (!m_tlsDone && !m_tlsFailed && !m_timedOut && !m_canceled && sock == m_socket
           && sock->state() == QAbstractSocket::ConnectedState)
        if (!co_await nextEvent())
            throw ESockError("TLS Handshake Canceled");
    TimerOff();
    if (m_tlsDone && !m_tlsFailed && sock == m_socket && sock->state() == QAbstractSocket::ConnectedState)
        co_return;

    QString reason;
    if (m_timedOut) {
        reason = QStringLiteral("TLS Handshake Timed out");
    } else if (m_canceled) {
        reason = QStringLiteral("TLS Handshake Canceled");
    } else {
        QStringList problems;
        // With a pin the store's verdict is beside the point: the pin is the identity.
        if (!m_pin.isEmpty() && !m_tlsPeer.isEmpty() && m_tlsPeer != m_pin)
            problems << QStringLiteral("the certificate does not match the pinned fingerprint");
        else
            for (const QSslError &e : std::as_const(m_tlsErrors))
                problems << e.errorString();
        if (problems.isEmpty())
            problems << (m_tlsFailure.isEmpty() ? QStringLiteral("connection closed") : m_tlsFailure);
        reason = QStringLiteral("TLS handshake failed: ") + problems.join(QLatin1String("; "));
        // The fingerprint lets the user pin a self-signed home server's certificate.
        if (!m_tlsPeer.isEmpty())
            reason += QStringLiteral(" (certificate SHA-256 %1)").arg(QString::fromLatin1(m_tlsPeer));
    }
    m_canceled = false;
    if (sock == m_socket)
        RequestCloseSocket();
    throw ESockError(reason);
}
