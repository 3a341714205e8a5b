#pragma once

#include "net/ESockError.h"
#include "net/NetEvents.h"
#include "net/TThreadTimer.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslError>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <coroutine>
#include <limits>

class QSslSocket;

// The TCP client component under the protocol clients. Every operation that waits for the
// network is a coroutine: it suspends until one of the component's events (connected,
// data, lookup done, closed, error, time-out, Cancel, RequestCloseSocket) wakes it, and is
// resumed from the event loop itself, never from inside a handler or a nested loop. So
// any number of components wait at once and each finishes as soon as its own server lets
// it. Failures are exceptions raised where the caller co_awaits: ESockError, EAbortError,
// or EGeneralError ("Not Connected", range errors).
//
// Destroy a component with deleteLater(), never with delete from inside one of its own
// callbacks. A suspended operation whose component is destroyed resumes, throws the wait's
// abort text and touches nothing; callers that keep a pointer check it with a QPointer.
class TPowersock : public QObject
{
    Q_OBJECT
public:
    // The I/O buffer: the longest line ReadLn accepts and the largest single send.
    static constexpr qint32 BufferSize = 65536;

    explicit TPowersock(QObject *parent = nullptr);
    ~TPowersock() override;

    // Events.
    TNotifyEvent OnDataAvailable;   // every readable notification; its exceptions are swallowed
    TNotifyEvent OnAccept;          // incoming connection (no client here listens)
    TNotifyEvent OnConnect;
    TNotifyEvent OnDisconnect;
    TOnErrorEvent OnError;          // just before a socket error is raised
    THandlerEvent OnInvalidHost;    // may change Host and set handled to retry once
    TOnHostResolved OnHostResolved;
    THandlerEvent OnConnectionRequired;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;
    TNotifyEvent OnPacketRecvd;
    TNotifyEvent OnPacketSent;

    // Properties and results.
    QStringList WSAInfo;            // facts about the socket layer, filled by the first component
    qint32 BytesSent = 0;
    qint32 LastErrorNo = 0;
    qint32 TimeOut = 0;             // ms, bound of every wait; 0 = no bound
    qint32 ReportLevel = 0;         // status texts of this level or lower are reported
    QString Status;                 // last status text reported
    QString Proxy;                  // connect here instead of Host when set
    qint32 ProxyPort = 0;
    qint32 Port = 0;
    qint32 BytesTotal = 0;
    qint32 BytesRecvd = 0;
    QString Host;                   // host name or literal address
    QByteArray LastReply;           // last line read by Transaction, line end included
    qint16 ReplyNumber = 0;         // leading number of LastReply, 0 if none
    THostResolver Resolver;         // empty: the process default (see setDefaultResolver)

    bool Canceled() const { return m_canceled; }
    bool Destroying() const { return m_destroying; }
    bool Succeeded() const { return m_succeeded; }
    bool TimedOut() const { return m_timedOut; }
    bool EventSeen() const { return m_eventSeen; }
    bool Connected() const { return m_connected; }
    // True once StartTLS has secured the current connection.
    bool Encrypted() const;
    // The address the last Connect used.
    QHostAddress RemoteAddress() const { return m_remote; }

    [[nodiscard]] virtual QCoro::Task<> Connect();
    [[nodiscard]] virtual QCoro::Task<> Disconnect();
    [[nodiscard]] virtual QCoro::Task<QByteArray> Transaction(QByteArray command);
    virtual void Abort();
    void CheckConnection();
    void Cancel();
    [[nodiscard]] QCoro::Task<> SendBuffer(QByteArray data);
    // Hands bytes to the connection without waiting for them to go out, for commands whose
    // replies are read meanwhile: a send that waited could stall against a peer that is
    // itself waiting for us to read. Raises like SendBuffer when the connection is gone.
    void queueSend(const QByteArray &data);
    [[nodiscard]] QCoro::Task<> Write(QByteArray text);
    [[nodiscard]] QCoro::Task<> Writeln(QByteArray text);
    [[nodiscard]] QCoro::Task<QByteArray> ReadLn();
    [[nodiscard]] QCoro::Task<QByteArray> CaptureString(qint32 limit);
    [[nodiscard]] QCoro::Task<> CaptureFile(QString path);
    [[nodiscard]] QCoro::Task<> SendFile(QString path);
    bool DataAvailable();
    void ClearInput();
    void RequestCloseSocket();

    // Turns the open connection into a TLS client connection to Host and waits for the
    // handshake, bounded by TimeOut. The certificate is verified against the system store
    // and Host; with a fingerprint (hex SHA-256, any case, colons allowed) exactly that
    // certificate is trusted instead. Failure closes the connection and raises ESockError
    // naming the certificate problem.
    [[nodiscard]] QCoro::Task<> StartTLS(QByteArray certFingerprint = {});
    // Hex SHA-256 of the peer's certificate (lower case), empty before a handshake.
    QByteArray PeerFingerprint() const;

    QString ErrorText(qint32 errorNo);
    // Field n (from 1) between single separators, untrimmed; empty when missing.
    static QByteArray NthField(const QByteArray &text, char separator, qint32 n);
    static QString NthField(const QString &text, QChar separator, qint32 n);
    // The same field as a view into `text`, without a copy.
    static QByteArrayView NthFieldView(QByteArrayView text, char separator, qint32 n);
    // 1-based position of the n-th occurrence of c; length + 1 when there are fewer, or
    // when the n-th is the last character.
    static qint32 NthCharPos(const QByteArray &text, char c, qint32 n);
    static qint32 NthCharPos(const QString &text, QChar c, qint32 n);
    // Strict decimal conversion ([+-]digits, 32-bit): raises EGeneralError otherwise.
    static qint32 StrToInt(const QByteArray &text);
    // The same, with a fallback instead of an error.
    static qint32 StrToIntDef(const QByteArray &text, qint32 fallback);
    // StrToInt's reading without a copy or a throw: false where StrToInt raises. Inline, through
    // pointers and a digit tested with one comparison: every listing line has numbers.
    static bool readInt(QByteArrayView text, qint32 *value)
    {
        const char *at = text.data();
        const char *const end = at + text.size();
        bool negative = false;
        if (at != end && (*at == '+' || *at == '-'))
            negative = *at++ == '-';
        if (at == end)
            return false;
        qint64 v = 0;
        for (; at != end; ++at) {
            const unsigned digit = unsigned(static_cast<unsigned char>(*at)) - unsigned('0');
            if (digit > 9)
                return false;
            v = v * 10 + digit;
            if (v > qint64(1) << 31)
                return false;
        }
        v = negative ? -v : v;
        if (v > std::numeric_limits<qint32>::max() || v < std::numeric_limits<qint32>::min())
            return false;
        *value = qint32(v);
        return true;
    }
    // The table number of a socket error of this platform (refused 10061, ...).
    static qint32 socketErrorNumber(QAbstractSocket::SocketError error, const QString &errorString);
    // Server bytes as display text: UTF-8 when valid, else Latin-1.
    static QString displayText(const QByteArray &bytes);

    // The resolver used by components whose Resolver is empty; empty restores the
    // system resolver.
    static void setDefaultResolver(THostResolver resolver);

protected:
    void StatusMessage(qint32 level, const QString &text);
    // The same for a fixed text, made into a string only when someone listens at that level.
    void StatusMessage(qint32 level, const char *text)
    {
        if (reports(level))
            StatusMessage(level, QString::fromUtf8(text));
    }
    // Whether a status text of this level is reported: a text that is not is better not made.
    bool reports(qint32 level) const { return level <= ReportLevel && !m_destroying; }
    // A whole line already received, taken as ReadLn would take it but without a wait (nor
    // the cost of one); false when no whole line is there. Raises as ReadLn does for a line
    // longer than BufferSize.
    bool takeBufferedLine(QByteArray &line);
    // The same as a view of the input, good until the next read of this component: for a
    // line that is looked at or copied on at once.
    bool takeBufferedLine(QByteArrayView &line);
    // What was received and not yet taken, for a reader that cuts many lines itself: good
    // until the next read of this component. takeInput takes its first `bytes`; pullInput
    // appends what the socket holds (false when it held nothing), and lineTooLong is what a
    // line longer than BufferSize gets.
    QByteArrayView bufferedInput() const { return QByteArrayView(m_input).sliced(m_inputAt); }
    void takeInput(qsizetype bytes) { m_inputAt += bytes; }
    bool pullInput();
    [[noreturn]] void lineTooLong();
    // Reads one reply line into LastReply and ReplyNumber, as Transaction does after sending.
    [[nodiscard]] QCoro::Task<QByteArray> readReply();
    // Raises the pending socket error unless it is `tolerated` (10035, would block).
    void ErrorCheck(qint32 tolerated);
    [[nodiscard]] QCoro::Task<> ResolveHost();
    // What Disconnect does here, without waiting: the socket closes at once.
    void closeConnection();
    void TimerOn();
    void TimerOff();
    void TimerFired();
    // Raises ESockError for a socket error number (after OnError), unless it is tolerated.
    void raiseSocketError(qint32 errorNo);

    bool m_eventSeen = false;
    bool m_destroying = false;

    // Suspends until the next event of this component; co_awaiting it gives false when the
    // component was destroyed meanwhile (then nothing of it may be touched).
    class NextEvent
    {
    public:
        explicit NextEvent(TPowersock *sock) : m_sock(sock) {}
        bool await_ready() const noexcept { return !m_sock || m_sock->m_destroying; }
        void await_suspend(std::coroutine_handle<> waiter) { m_sock->m_waiters.append(waiter); }
        bool await_resume() const noexcept { return m_sock && !m_sock->m_destroying; }

    private:
        QPointer<TPowersock> m_sock;
    };
    NextEvent nextEvent() { return NextEvent(this); }
    // Resumes every suspended operation of this component from the event loop.
    void wake();

private:
    QSslSocket *makeSocket();
    void dropSocket(bool notify);
    void onSocketError(QAbstractSocket::SocketError error);
    void onSslErrors(const QList<QSslError> &errors);
    void onEncrypted();
    void onSocketClosed();
    [[nodiscard]] QCoro::Task<> captureLoop(std::function<void(const QByteArray &)> sink, qint64 limit, const qint64 *have,
                              const char *abortText);
    [[nodiscard]] QCoro::Task<> captureChunks(std::function<void(const QByteArray &)> sink, qint64 limit, const qint64 *have,
                                const char *abortText);
    void initSocketLayer();
    qsizetype pendingInput() const { return m_input.size() - m_inputAt; }

    TThreadTimer *m_timer = nullptr;
    QSslSocket *m_socket = nullptr;
    QHostAddress m_remote;
    QList<QHostAddress> m_lookupResult;
    quint64 m_lookupGeneration = 0;
    bool m_lookupDone = false;
    qint32 m_pendingError = 0;      // table number of the socket's last error
    bool m_canceled = false;
    // What was read from the socket and not yet taken, from m_inputAt: the socket is read in
    // bulk and lines are cut from here, not asked of the socket one by one.
    QByteArray m_input;
    qsizetype m_inputAt = 0;
    bool m_succeeded = false;
    bool m_timedOut = false;
    bool m_connected = false;
    // TLS handshake state of the current socket.
    QByteArray m_pin;
    QList<QSslError> m_tlsErrors;
    QString m_tlsFailure;
    QByteArray m_tlsPeer;           // fingerprint of the certificate the server showed
    bool m_tlsDone = false;
    bool m_tlsFailed = false;
    QList<std::coroutine_handle<>> m_waiters;
};
