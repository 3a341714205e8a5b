// Error texts and the string helpers of TPowersock.
#include "net/TPowersock.h"

#include "platform/TextBytes.h"

#include <QHash>

#include <cstring>
#include <limits>
#include <utility>

namespace {

const QHash<qint32, const char *> &errorTable()
{
    static const QHash<qint32, const char *> table{
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Wrong protocol type for socket"},
        {10042, "Bad protocol option"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Can't assign requested address"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection or reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references, can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to Host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network subsystem is unavailable"},
        {10092, "Incompatible version of WINSOCK.DLL"},
        {10093, "Successful WSAStartup not yet performed"},
        {11001, "Host not found"},
        {11002, "Non-Authoritative Host not found"},
        {11003, "Non-Recoverable error: FORMERR, REFUSED, NOTIMP"},
        {11004, "Valid name, no data record of requested type"},
    };
    return table;
}

template <typename Text, typename Char>
qsizetype indexIn(const Text &text, Char c, qsizetype from)
{
    return text.indexOf(c, from);
}

// Reply fields are read by the thousand per check: straight to memchr.
qsizetype indexIn(QByteArrayView text, char c, qsizetype from)
{
    const void *at = std::memchr(text.data() + from, c, size_t(text.size() - from));
    return at ? static_cast<const char *>(at) - text.data() : -1;
}

// Where field n (from 1) of `text` starts and how long it is; a length of -1 when it is missing.
template <typename Text, typename Char>
std::pair<qsizetype, qsizetype> nthFieldSpan(const Text &text, Char separator, qint32 n)
{
    if (n < 1 || text.isEmpty())
        return {0, -1};
    qsizetype start = 0;
    for (qint32 field = 1; field < n; ++field) {
        const qsizetype next = indexIn(text, separator, start);
        if (next < 0)
            return {0, -1};
        start = next + 1;
    }
    const qsizetype end = indexIn(text, separator, start);
    return {start, (end < 0 ? text.size() : end) - start};
}

template <typename Text, typename Char>
Text nthField(const Text &text, Char separator, qint32 n)
{
    const auto [start, length] = nthFieldSpan(text, separator, n);
    return length < 0 ? Text() : text.mid(start, length);
}

template <typename Text, typename Char>
qint32 nthCharPos(const Text &text, Char c, qint32 n)
{
    const qint32 none = qint32(text.size()) + 1;
    qint32 seen = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == c && ++seen == n)
            return i == text.size() - 1 ? none : qint32(i) + 1;
    }
    return none;
}

} // namespace

QString TPowersock::ErrorText(qint32 errorNo)
{
    StatusMessage(8, "Looking Up Error Message");
    if (errorNo == 0)
        return {};
    const char *description = errorTable().value(errorNo, nullptr);
    const QString text = description
        ? QStringLiteral("%1:%2").arg(errorNo).arg(QLatin1String(description))
        : QStringLiteral("Unknown Error No. %1").arg(errorNo);
    StatusMessage(8, text);
    return text;
}

qint32 TPowersock::socketErrorNumber(QAbstractSocket::SocketError error, const QString &errorString)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10054;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::DatagramTooLargeError: return 10040;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    case QAbstractSocket::UnfinishedSocketOperationError: return 10036;
    case QAbstractSocket::OperationError: return 10057;
    case QAbstractSocket::TemporaryError: return 10035;
    case QAbstractSocket::NetworkError: {
        // One code for several causes; the cause is only in the text.
        const QString s = errorString.toLower();
        if (s.contains(QLatin1String("network unreachable")))
            return 10051;
        if (s.contains(QLatin1String("host unreachable")))
            return 10065;
        if (s.contains(QLatin1String("timed out")))
            return 10060;
        if (s.contains(QLatin1String("address already in use")))
            return 10048;
        return 10050;
    }
    default:
        // Outside the table: raised as "Unknown Error No. 10999".
        return 10999;
    }
}

QByteArray TPowersock::NthField(const QByteArray &text, char separator, qint32 n)
{
    return nthField(text, separator, n);
}

QByteArrayView TPowersock::NthFieldView(QByteArrayView text, char separator, qint32 n)
{
    const auto [start, length] = nthFieldSpan(text, separator, n);
    return length < 0 ? QByteArrayView() : text.sliced(start, length);
}

QString TPowersock::NthField(const QString &text, QChar separator, qint32 n)
{
    return nthField(text, separator, n);
}

qint32 TPowersock::NthCharPos(const QByteArray &text, char c, qint32 n)
{
    return nthCharPos(text, c, n);
}

qint32 TPowersock::NthCharPos(const QString &text, QChar c, qint32 n)
{
    return nthCharPos(text, c, n);
}

qint32 TPowersock::StrToInt(const QByteArray &text)
{
    qint32 value = 0;
    if (!readInt(text, &value))
        throw EGeneralError(QStringLiteral("Not a number: '%1'").arg(displayText(text)));
    return value;
}

qint32 TPowersock::StrToIntDef(const QByteArray &text, qint32 fallback)
{
    qint32 value = 0;
    return readInt(text, &value) ? value : fallback;
}

QString TPowersock::displayText(const QByteArray &bytes)
{
    return TextBytes::toText(bytes);
}
