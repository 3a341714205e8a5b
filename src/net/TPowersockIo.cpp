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

void TPowersock::SendBuffer(const char *data, qint32 length)
{
    StatusMessage(4, "Sending Buffer");
    TimerOn();
    qint32 failure = 0;
    if (!m_canceled) {
        const qint64 size = length == 0 ? qint64(std::strlen(data)) : qint64(length);
        if (size > 65535 || size < 0) {
            TimerOff();
            rangeError();
        }
        // Guarded: a socket replaced during the wait may be freed by the event loop.
        QPointer<QSslSocket> sock = m_socket;
        if (size > 0) {
            if (sock->state() != QAbstractSocket::ConnectedState || sock->write(data, size) != size) {
                failure = m_pendingError ? m_pendingError : 10057;
            } else {
                sock->flush();
                // A send that would block waits until the socket took everything.
                while (sock == m_socket && !m_canceled && pendingOutput(sock) > 0
                       && sock->state() == QAbstractSocket::ConnectedState) {
                    if (!pumpEvents(true))
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

void TPowersock::Write(const QByteArray &text)
{
    StatusMessage(8, "Write");
    if (text.size() >= BufferSize)
        rangeError();
    // The text goes out as a NUL-terminated string, as it sits in the I/O buffer.
    SendBuffer(text.constData(), 0);
}

void TPowersock::Writeln(const QByteArray &text)
{
    StatusMessage(8, "Writeln");
    Write(text + "\r\n");
}

QByteArray TPowersock::ReadLn()
{
    StatusMessage(8, "ReadLn");
    TimerOn();
    QByteArray line;
    for (;;) {
        QSslSocket *sock = m_socket;
        bool gotData = false;
        while (sock->bytesAvailable() > 0) {
            const qint64 room = BufferSize - line.size();
            if (sock->canReadLine()) {
                // readLine's bound counts a terminating NUL: room + 1 reads up to room bytes.
                const QByteArray part = sock->readLine(room + 1);
                line += part;
                if (part.endsWith('\n')) {
                    TimerOff();
                    return line;
                }
            } else {
                line += sock->read(room);
            }
            gotData = true;
            if (line.size() >= BufferSize) {
                // The rest of the line is still in the stream; nothing after it can be
                // trusted, so the connection goes.
                TimerOff();
                RequestCloseSocket();
                throw ESockError(QStringLiteral("Line longer than %1 bytes").arg(BufferSize));
            }
        }
        if (sock->state() != QAbstractSocket::ConnectedState) {
            // Closed by the peer or replaced by RequestCloseSocket: an empty line.
            TimerOff();
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
            return {};
        }
        if (!pumpEvents(!gotData))
            throw EAbortError("Socket readln aborted");
        if (m_canceled) {
            TimerOff();
            m_canceled = false;
            throw EAbortError("Socket readln aborted");
        }
    }
}

QByteArray TPowersock::Transaction(const QByteArray &command)
{
    StatusMessage(8, "Transaction");
    ReplyNumber = 0;
    Writeln(command);
    LastReply = ReadLn();
    if (!LastReply.isEmpty()) {
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
    return LastReply;
}

// Reads until the peer closes (or `have` reaches `limit`), handing each chunk to `sink`;
// the time-out is an idle bound, re-armed by every chunk.
void TPowersock::captureLoop(const std::function<void(const QByteArray &)> &sink, qint64 limit,
                             const qint64 *have, const char *abortText)
{
    QPointer<TPowersock> guard(this);
    try {
        captureChunks(sink, limit, have, abortText);
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

void TPowersock::captureChunks(const std::function<void(const QByteArray &)> &sink, qint64 limit,
                               const qint64 *have, const char *abortText)
{
    QPointer<TPowersock> guard(this);
    while (!m_canceled && (limit < 0 || *have < limit)) {
        QSslSocket *sock = m_socket;
        const QByteArray chunk = sock->bytesAvailable() > 0 ? sock->read(BufferSize) : QByteArray();
        if (!chunk.isEmpty()) {
            sink(chunk);
            BytesRecvd += qint32(chunk.size());
            if (OnPacketRecvd) {
                OnPacketRecvd(this);
                if (!guard)
                    throw EAbortError(abortText);
            }
            TimerOn();
        } else if (sock->state() != QAbstractSocket::ConnectedState) {
            const qint32 error = sock == m_socket ? m_pendingError : 0;
            if (m_connected && sock == m_socket)
                RequestCloseSocket();
            if (error != 0 && error != 10057)
                raiseSocketError(error);
            break;
        }
        if (!pumpEvents(chunk.isEmpty()))
            throw EAbortError(abortText);
    }
}

void TPowersock::CaptureString(QByteArray &text, qint32 limit)
{
    StatusMessage(8, "Capture String");
    text.clear();
    BytesRecvd = 0;
    TimerOn();
    qint64 have = 0;
    captureLoop([&](const QByteArray &chunk) { text += chunk; have = text.size(); },
                limit, &have, "Socket capture aborted");
}

void TPowersock::CaptureFile(const QString &path)
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
    captureLoop([&](const QByteArray &chunk) {
        if (file.write(chunk) != chunk.size())
            throw EGeneralError(QStringLiteral("Cannot write file %1").arg(path));
    }, -1, &none, "Socket send aborted");
}

void TPowersock::SendFile(const QString &path)
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
        SendBuffer(chunk.constData(), qint32(chunk.size()));
        BytesSent += qint32(chunk.size());
        if (OnPacketSent)
            OnPacketSent(this);
        if (!pumpEvents(false) || !guard)
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
    return m_socket && m_socket->bytesAvailable() > 0;
}

void TPowersock::ClearInput()
{
    StatusMessage(8, "Clearing Input");
    if (m_socket && m_socket->bytesAvailable() > 0)
        m_socket->read(BufferSize);
}
