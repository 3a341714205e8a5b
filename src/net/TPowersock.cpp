#include "net/TPowersock.h"
#include "platform/Log.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QPointer>
#include <QSslSocket>

namespace {

int g_liveComponents = 0;
THostResolver g_defaultResolver;

void systemResolve(const QString &name, QObject *context,
                   std::function<void(const QList<QHostAddress> &)> done)
{
    QHostInfo::lookupHost(name, context, [done = std::move(done)](const QHostInfo &info) {
        done(info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>());
    });
}

// The first IPv4 address (the protocol clients speak IPv4 like their servers' usual
// listeners), else the first of any family.
QHostAddress pickAddress(const QList<QHostAddress> &addresses)
{
    for (const QHostAddress &a : addresses)
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    return addresses.isEmpty() ? QHostAddress() : addresses.first();
}

} // namespace

void TPowersock::wake()
{
    if (m_waiters.isEmpty())
        return;
    // Resumed from the event loop, not from inside the handler that woke them: the handler
    // (a socket's signal, a destructor) finishes first, and each operation then runs on its
    // own, never nested in another.
    const QList<std::coroutine_handle<>> waiters = std::exchange(m_waiters, {});
    for (const std::coroutine_handle<> waiter : waiters)
        QMetaObject::invokeMethod(QCoreApplication::instance(), [waiter] { waiter.resume(); }, Qt::QueuedConnection);
}

TPowersock::TPowersock(QObject *parent) : QObject(parent)
{
    StatusMessage(8, "Create");
    m_timer = new TThreadTimer(this);
    m_timer->setEnabled(false);
    m_timer->setOnTimer([this](QObject *) { TimerFired(); });
    initSocketLayer();
}

TPowersock::~TPowersock()
{
    // No callbacks into owners that are going away themselves.
    m_destroying = true;
    StatusMessage(8, "Destroy");
    try {
        TPowersock::Abort();
    } catch (...) {
        qCDebug(lcNet) << "abort on destruction failed:" << Log::currentError();
    }
    Cancel();
    ++m_lookupGeneration;
    dropSocket(false);
    --g_liveComponents;
    // Suspended operations resume, find the component gone and unwind.
    wake();
}

void TPowersock::initSocketLayer()
{
    StatusMessage(8, "Initializing Winsock");
    if (g_liveComponents++ == 0) {
        WSAInfo << QStringLiteral("Version= %1.%2").arg(QT_VERSION_MAJOR).arg(QT_VERSION_MINOR)
                << QStringLiteral("High Version= %1").arg(QString::fromLatin1(qVersion()))
                << QStringLiteral("Description= Qt Network sockets")
                << QStringLiteral("System= %1").arg(QSslSocket::supportsSsl()
                                                        ? QSslSocket::sslLibraryVersionString()
                                                        : QStringLiteral("TLS unavailable"))
                << QStringLiteral("Max Sockets= 0")
                << QStringLiteral("Max Udp pack size= 65507");
    }
    m_socket = makeSocket();
}

QSslSocket *TPowersock::makeSocket()
{
    auto *s = new QSslSocket(this);
    // Our Proxy is a plain relay host, not an application-wide proxy.
    s->setProxy(QNetworkProxy::NoProxy);
    // The 64 KiB buffer of the design: a flooding server fills it and then waits for us.
    s->setReadBufferSize(BufferSize);
    connect(s, &QSslSocket::connected, this, [this, s] {
        // Commands are written whole: a short one (QUIT, a top-up of the pipeline) waiting
        // for the acknowledgement of the last costs a round trip.
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_succeeded = true;
        m_connected = true;
        wake();
        try {
            if (OnConnect)
                OnConnect(this);
        } catch (...) {
            qCDebug(lcNet) << "connect handler failed:" << Log::currentError();
        }
    });
    connect(s, &QSslSocket::readyRead, this, [this] {
        m_succeeded = true;
        wake();
        try {
            if (OnDataAvailable)
                OnDataAvailable(this);
        } catch (...) {
            qCDebug(lcNet) << "data handler failed:" << Log::currentError();
        }
    });
    // A send that waits for the socket to take everything is woken by its progress.
    connect(s, &QSslSocket::bytesWritten, this, &TPowersock::wake);
    connect(s, &QSslSocket::encryptedBytesWritten, this, &TPowersock::wake);
    connect(s, &QSslSocket::disconnected, this, &TPowersock::onSocketClosed);
    connect(s, &QSslSocket::errorOccurred, this, &TPowersock::onSocketError);
    connect(s, &QSslSocket::sslErrors, this, &TPowersock::onSslErrors);
    connect(s, &QSslSocket::encrypted, this, &TPowersock::onEncrypted);
    return s;
}

// Closes the current socket for good. Signals of the old socket no longer reach us, and
// it is freed later because this may run inside one of its own signals.
void TPowersock::dropSocket(bool notify)
{
    QSslSocket *old = m_socket;
    m_socket = nullptr;
    if (old) {
        old->disconnect(this);
        old->abort();
        if (m_destroying)
            delete old;
        else
            old->deleteLater();
    }
    // Between checks an idle component holds no input buffer; what it held came over the
    // connection now closed.
    m_input = {};
    m_inputAt = 0;
    m_pendingError = 0;
    // The reasons of a failed handshake stay for StartTLS to report.
    m_tlsDone = m_tlsFailed = false;
    if (!m_destroying) {
        m_socket = makeSocket();
        if (notify && OnDisconnect)
            OnDisconnect(this);
    }
}

void TPowersock::onSocketClosed()
{
    wake();
    try {
        // Data still buffered is left for the reader, which closes when it runs dry.
        if (!DataAvailable())
            RequestCloseSocket();
    } catch (...) {
        qCDebug(lcNet) << "close after the peer closed failed:" << Log::currentError();
    }
}

void TPowersock::onSocketError(QAbstractSocket::SocketError error)
{
    wake();
    // A peer closing is the close notification, not a failure.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    m_succeeded = false;
    if (error >= QAbstractSocket::SslHandshakeFailedError && error <= QAbstractSocket::SslInvalidUserDataError) {
        m_tlsFailed = true;
        if (m_tlsFailure.isEmpty() && m_socket)
            m_tlsFailure = m_socket->errorString();
        return;
    }
    m_pendingError = socketErrorNumber(error, m_socket ? m_socket->errorString() : QString());
}

void TPowersock::StatusMessage(qint32 level, const QString &text)
{
    if (level > ReportLevel || m_destroying)
        return;
    Status = text;
    try {
        if (OnStatus)
            OnStatus(this, Status);
    } catch (...) {
        qCDebug(lcNet) << "status handler failed:" << Log::currentError();
    }
}

void TPowersock::TimerOn()
{
    StatusMessage(8, "Timer On");
    m_timedOut = false;
    m_timer->setInterval(TimeOut > 0 ? quint32(TimeOut) : 0);
    m_timer->setEnabled(true);
}

void TPowersock::TimerOff()
{
    StatusMessage(8, "Timer Off");
    m_timer->setEnabled(false);
}

void TPowersock::TimerFired()
{
    StatusMessage(8, "Timer Triggered");
    TimerOff();
    m_timedOut = true;
    m_eventSeen = true;
    wake();
    // Nothing may escape into the event dispatcher; the waiting operation reports.
    try {
        Abort();
    } catch (...) {
        qCDebug(lcNet) << "abort after the time-out failed:" << Log::currentError();
    }
}

void TPowersock::Cancel()
{
    StatusMessage(8, "Canceling");
    m_canceled = true;
    wake();
}

void TPowersock::Abort()
{
    StatusMessage(8, "Abort");
    Cancel();
}

void TPowersock::setDefaultResolver(THostResolver resolver)
{
    g_defaultResolver = std::move(resolver);
}

QCoro::Task<> TPowersock::ResolveHost()
{
    StatusMessage(8, "Resolve Host");
    const QString name = Proxy.isEmpty() ? Host : Proxy;
    QHostAddress literal;
    if (literal.setAddress(name.trimmed())) {
        m_remote = literal;
        co_return;
    }
    m_remote = QHostAddress();
    TimerOn();
    m_eventSeen = false;
    m_lookupDone = false;
    const quint64 generation = ++m_lookupGeneration;
    auto done = [this, generation](const QList<QHostAddress> &addresses) {
        if (generation != m_lookupGeneration)
            return; // an abandoned lookup
        m_lookupResult = addresses;
        m_succeeded = !addresses.isEmpty();
        m_lookupDone = true;
        m_eventSeen = true;
        wake();
    };
    const THostResolver &resolver = Resolver ? Resolver : g_defaultResolver;
    if (resolver)
        resolver(name, this, done);
    else
        systemResolve(name, this, done);
    while (!m_lookupDone && !m_timedOut && !m_canceled)
        if (!co_await nextEvent())
            throw ESockError("Host Lookup Canceled");
    TimerOff();
    ++m_lookupGeneration;
    if (m_timedOut)
        throw ESockError("Host Lookup Timed Out");
    if (m_canceled)
        throw ESockError("Host Lookup Canceled");
    if (m_succeeded && !m_lookupResult.isEmpty()) {
        m_remote = pickAddress(m_lookupResult);
        if (OnHostResolved)
            OnHostResolved(this);
        co_return;
    }
    throw ESockError("Host Lookup Failed");
}

QCoro::Task<> TPowersock::Connect()
{
    StatusMessage(8, "Connecting");
    m_canceled = false;
    if (m_connected)
        throw ESockError("Already connected");
    QPointer<TPowersock> guard(this);
    for (int retries = 0;; ++retries) {
        try {
            co_await ResolveHost();
        } catch (const ESockError &e) {
            if (!guard || e.message() == QLatin1String("Host Lookup Timed Out")
                || e.message() == QLatin1String("Host Lookup Canceled"))
                throw;
            qCDebug(lcNet) << "lookup of" << Host << "failed:" << e.message();
            m_remote = QHostAddress();
        }
        if (!m_remote.isNull())
            break;
        if (retries > 0 || !OnInvalidHost)
            throw ESockError("Null Remote Address");
        bool handled = false;
        OnInvalidHost(handled);
        if (!guard)
            throw ESockError("Connection Canceled");
        if (!handled)
            throw ESockError("Null Remote Address");
    }

    const quint16 port = quint16(Proxy.isEmpty() ? Port : ProxyPort);
    m_eventSeen = false;
    m_succeeded = true;
    m_pendingError = 0;
    QSslSocket *sock = m_socket;
    sock->connectToHost(m_remote, port);
    TimerOn();
    // A socket replaced under us (RequestCloseSocket from a handler) ends the wait too.
    while (!m_connected && !m_timedOut && !m_canceled && m_succeeded && sock == m_socket)
        if (!co_await nextEvent())
            throw ESockError("Connection Canceled");
    TimerOff();
    if (!m_timedOut && !m_canceled && m_succeeded && sock == m_socket)
        co_return;
    const bool timedOut = m_timedOut;
    const bool canceled = m_canceled;
    LastErrorNo = m_pendingError;
    // Stop a connect still in progress, so it cannot complete later on its own.
    dropSocket(false);
    if (OnConnectionFailed) {
        OnConnectionFailed(this);
        if (!guard)
            throw ESockError("Connection Canceled");
    }
    throw ESockError(timedOut ? "Connection Timed out" : canceled ? "Connection Canceled" : "Connection Failed");
}

QCoro::Task<> TPowersock::Disconnect()
{
    closeConnection();
    co_return;
}

void TPowersock::closeConnection()
{
    StatusMessage(8, "Disconnecting");
    RequestCloseSocket();
}

void TPowersock::RequestCloseSocket()
{
    StatusMessage(4, "Request Close Socket");
    m_connected = false;
    dropSocket(true);
    wake();
}

void TPowersock::CheckConnection()
{
    StatusMessage(8, "Checking Connection");
    bool asked = false;
    QPointer<TPowersock> guard(this);
    while (!m_connected) {
        if (asked || !OnConnectionRequired)
            throw EGeneralError(QStringLiteral("Not Connected"));
        bool handled = false;
        OnConnectionRequired(handled);
        asked = true;
        if (!guard || !handled)
            throw EGeneralError(QStringLiteral("Not Connected"));
    }
}

void TPowersock::ErrorCheck(qint32 tolerated)
{
    LastErrorNo = m_pendingError;
    if (LastErrorNo != tolerated && LastErrorNo > 10000)
        raiseSocketError(LastErrorNo);
}

void TPowersock::raiseSocketError(qint32 errorNo)
{
    LastErrorNo = errorNo;
    if (errorNo == 10035)
        return;
    const QString text = ErrorText(errorNo);
    if (OnError)
        OnError(this, errorNo, text);
    throw ESockError(text);
}
