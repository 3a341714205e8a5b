// Sending and receiving of TPowersock.
#include "net/TPowersock.h"

#include <QFile>
#include <QPointer>
#include <QSslSocket>

#include <cstring>

namespace {

qint64 pendingOutput(const QSslSocket *s)
{
    return s->bytesToWrite() + s->encryptedBytesToWrite();
}

[[noreturn]] void rangeError()
{
    throw EGeneralError(QStringLiteral("Range check error"));
}

} // namespace

QCoro::Task<> TPowersock::SendBuffer(QByteArray data)
{
    StatusMessage(4, "Sending Buffer");
    TimerOn();
    qint32 failure = 0;
    if (!m_canceled) {
        const qint64 size = data.size();
        if (size > 65535) {
            TimerOff();
            rangeError();
        }
        // Guarded: a socket replaced during the wait may be freed by the event loop.
        QPointer<QSslSocket> sock = m_socket;
        if (size > 0) {
            if (sock->state() != QAbstractSocket::ConnectedState || sock->write(data) != size) {
                failure = m_pendingError ? m_pendingError : 10057;
            } else {
                sock->flush();
                // A send that would block waits until the socket took everything.
                while (sock == m_socket && !m_canceled && pendingOutput(sock) > 0
                       && sock->state() == QAbstractSocket::ConnectedState) {
                    if (!co_await nextEvent())
                        throw EAbortError("Socket send aborted");
                }
                if (!m_canceled && (sock != m_socket || pendingOutput(sock) > 0))
                    failure = m_pendingError ? m_pendingError : 10054;
            }
        }
    }
    TimerOff();
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError("Socket send aborted");
    }
    if (failure)
        raiseSocketError(failure);
}

void TPowersock::queueSend(const QByteArray &data)
{
    StatusMessage(4, "Sending Buffer");
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError("Socket send aborted");
    }
    QSslSocket *sock = m_socket;
    if (sock->state() != QAbstractSocket::ConnectedState || sock->write(data) != data.size())
        raiseSocketError(m_pendingError ? m_pendingError : 10057);
}

QCoro::Task<> TPowersock::Write(QByteArray text)
{
    StatusMessage(8, "Write");
    if (text.size() >= BufferSize)
        rangeError();
    // The text goes out as a NUL-terminated string, as it sits in the I/O buffer.
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    co_await SendBuffer(std::move(text));
}

QCoro::Task<> TPowersock::Writeln(QByteArray text)
{
    StatusMessage(8, "Writeln");
    co_await Write(text + "\r\n");
}

bool TPowersock::pullInput()
{
    QSslSocket *sock = m_socket;
    const qint64 available = sock->bytesAvailable();
    if (available <= 0)
        return false;
    // What is left is at most a part of a line: moved to the front, it is never copied twice.
    const qsizetype pending = pendingInput();
    if (m_inputAt > 0) {
        if (pending > 0)
            std::memmove(m_input.data(), m_input.constData() + m_inputAt, size_t(pending));
        m_input.resize(pending);
        m_inputAt = 0;
    }
    m_input.resize(pending + available);
    const qint64 got = sock->read(m_input.data() + pending, available);
    m_input.resize(pending + qMax<qint64>(got, 0));
    return got > 0;
}

void TPowersock::lineTooLong()
{
    // The rest of the line is still in the stream; nothing after it can be trusted, so the
    // connection goes.
    RequestCloseSocket();
    throw ESockError(QStringLiteral("Line longer than %1 bytes").arg(BufferSize));
}

bool TPowersock::takeBufferedLine(QByteArray &line)
{
    QByteArrayView view;
    if (!takeBufferedLine(view))
        return false;
    line = view.toByteArray();
    return true;
}

bool TPowersock::takeBufferedLine(QByteArrayView &line)
{
    // Bytes before `scanned` (counted from the first pending byte) hold no line end.
    qsizetype scanned = 0;
    for (;;) {
        const char *from = m_input.constData() + m_inputAt;
        const qsizetype pending = pendingInput();
        const void *end = pending > scanned ? std::memchr(from + scanned, '\n', size_t(pending - scanned)) : nullptr;
        if (end) {
            const qsizetype length = static_cast<const char *>(end) - from + 1;
            if (length > BufferSize)
                lineTooLong();
            line = QByteArrayView(from, length);
            m_inputAt += length;
            return true;
        }
        if (pending >= BufferSize)
            lineTooLong();
        scanned = pending;
        if (!pullInput())
            return false;
    }
}

QCoro::Task<QByteArray> TPowersock::ReadLn()
{
    StatusMessage(8, "ReadLn");
    // The time-out bounds the waiting only: a line already buffered (most lines of a listing)
    // is taken without arming and stopping the timer for it.
    bool waiting = false;
    auto stopWaiting = [&] {
        if (waiting)
            TimerOff();
    };
    QByteArray line;
    for (;;) {
        QSslSocket *sock = m_socket;
        bool whole = false;
        try {
            whole = takeBufferedLine(line);
        } catch (...) {
            stopWaiting();
            throw;
        }
        if (whole) {
            stopWaiting();
            co_return line;
        }
        if (sock->state() != QAbstractSocket::ConnectedState) {
            // Closed by the peer or replaced by RequestCloseSocket: an empty line.
            stopWaiting();
            if (m_canceled) {
                m_canceled = false;
                throw EAbortError("Socket readln aborted");
            }
            // A real socket error (not the peer's close) is raised with its number.
            const qint32 error = sock == m_socket ? m_pendingError : 0;
            if (m_connected && sock == m_socket)
                RequestCloseSocket();
            if (error != 0 && error != 10057)
                raiseSocketError(error);
            co_return QByteArray();
        }
        // Everything buffered is taken: the rest of the line comes with a later event.
        if (!waiting) {
            waiting = true;
            TimerOn();
        }
        if (!co_await nextEvent())
            throw EAbortError("Socket readln aborted");
        if (m_canceled) {
            stopWaiting();
            m_canceled = false;
            throw EAbortError("Socket readln aborted");
        }
    }
}

QCoro::Task<QByteArray> TPowersock::Transaction(QByteArray command)
{
    StatusMessage(8, "Transaction");
    ReplyNumber = 0;
    co_await Writeln(std::move(command));
    co_return co_await readReply();
}

QCoro::Task<QByteArray> TPowersock::readReply()
{
    ReplyNumber = 0;
    QPointer<TPowersock> guard(this);
    QByteArray reply = co_await ReadLn();
    if (!guard)
        throw EAbortError("Socket readln aborted");
    LastReply = std::move(reply);
    if (!LastReply.isEmpty()) {
        if (reports(1))
            StatusMessage(1, displayText(LastReply));
        qsizetype digits = 0;
        while (digits < LastReply.size() && digits < 10 && LastReply.at(digits) >= '0'
               && LastReply.at(digits) <= '9')
            ++digits;
        if (digits > 0) {
            const qint64 value = LastReply.left(digits).toLongLong();
            if (value > 32767)
                rangeError();
            ReplyNumber = qint16(value);
        }
    }
    // A copy: the promise moves from what it is given.
    co_return QByteArray(LastReply);
}

// Reads until the peer closes (or `have` reaches `limit`), handing each chunk to `sink`;
// the time-out is an idle bound, re-armed by every chunk.
QCoro::Task<> TPowersock::captureLoop(std::function<void(const QByteArray &)> sink, qint64 limit, const qint64 *have,
                                      const char *abortText)
{
    QPointer<TPowersock> guard(this);
    try {
        co_await captureChunks(std::move(sink), limit, have, abortText);
    } catch (...) {
        if (guard)
            TimerOff();
        throw;
    }
    TimerOff();
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError(abortText);
    }
}

QCoro::Task<> TPowersock::captureChunks(std::function<void(const QByteArray &)> sink, qint64 limit,
                                        const qint64 *have, const char *abortText)
{
    QPointer<TPowersock> guard(this);
    while (!m_canceled && (limit < 0 || *have < limit)) {
        QSslSocket *sock = m_socket;
        QByteArray chunk;
        if (pendingInput() > 0) {
            // What came with the last line read goes first.
            const qsizetype n = qMin<qsizetype>(pendingInput(), BufferSize);
            chunk = m_input.mid(m_inputAt, n);
            m_inputAt += n;
        } else if (sock->bytesAvailable() > 0) {
            chunk = sock->read(BufferSize);
        }
        if (!chunk.isEmpty()) {
            sink(chunk);
            BytesRecvd += qint32(chunk.size());
            if (OnPacketRecvd) {
                OnPacketRecvd(this);
                if (!guard)
                    throw EAbortError(abortText);
            }
            TimerOn();
            continue;
        }
        if (sock->state() != QAbstractSocket::ConnectedState) {
            const qint32 error = sock == m_socket ? m_pendingError : 0;
            if (m_connected && sock == m_socket)
                RequestCloseSocket();
            if (error != 0 && error != 10057)
                raiseSocketError(error);
            break;
        }
        if (!co_await nextEvent())
            throw EAbortError(abortText);
    }
}

QCoro::Task<QByteArray> TPowersock::CaptureString(qint32 limit)
{
    StatusMessage(8, "Capture String");
    BytesRecvd = 0;
    TimerOn();
    // Held by the frame: the sink writes into it across every suspension.
    QByteArray text;
    qint64 have = 0;
    co_await captureLoop([&](const QByteArray &chunk) { text += chunk; have = text.size(); }, limit, &have,
                         "Socket capture aborted");
    co_return text;
}

QCoro::Task<> TPowersock::CaptureFile(QString path)
{
    StatusMessage(8, "CaptureFile");
    BytesRecvd = 0;
    TimerOn();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        TimerOff();
        throw EGeneralError(QStringLiteral("Cannot create file %1").arg(path));
    }
    qint64 none = 0;
    co_await captureLoop(
        [&](const QByteArray &chunk) {
            if (file.write(chunk) != chunk.size())
                throw EGeneralError(QStringLiteral("Cannot write file %1").arg(path));
        },
        -1, &none, "Socket send aborted");
}

QCoro::Task<> TPowersock::SendFile(QString path)
{
    StatusMessage(8, "SendFile");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EGeneralError(QStringLiteral("Cannot open file %1").arg(path));
    QPointer<TPowersock> guard(this);
    while (!file.atEnd() && !m_canceled) {
        const QByteArray chunk = file.read(BufferSize - 1);
        if (chunk.isEmpty())
            break;
        co_await SendBuffer(chunk);
        if (!guard)
            throw EAbortError("Socket send aborted");
        BytesSent += qint32(chunk.size());
        if (OnPacketSent)
            OnPacketSent(this);
        if (!guard)
            throw EAbortError("Socket send aborted");
    }
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError("Socket send aborted");
    }
}

bool TPowersock::DataAvailable()
{
    StatusMessage(8, "Data Available");
    return pendingInput() > 0 || (m_socket && m_socket->bytesAvailable() > 0);
}

void TPowersock::ClearInput()
{
    StatusMessage(8, "Clearing Input");
    m_input.resize(0);
    m_inputAt = 0;
    if (m_socket && m_socket->bytesAvailable() > 0)
        m_socket->read(BufferSize);
}
