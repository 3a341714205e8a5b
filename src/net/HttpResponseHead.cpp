#include "net/HttpResponseHead.h"

#include "net/TPowersock.h"

namespace {

QByteArray withoutLineEnd(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// The status of a reply line: its second blank-separated field, when that is a number that
// fits the reply number; 0 for anything else (a server that does not speak HTTP).
qint16 statusNumber(const QByteArray &line)
{
    const QByteArray field = TPowersock::NthField(line, ' ', 2).trimmed();
    if (field.isEmpty() || field.size() > 5)
        return 0;
    for (const char c : field)
        if (c < '0' || c > '9')
            return 0;
    const qint32 value = field.toInt();
    return value > 32767 ? 0 : qint16(value);
}

} // namespace

bool HttpResponseHead::take(const QByteArray &line)
{
    m_belongs = false;
    if (line.isEmpty()) {
        if (!m_started)
            throw EGeneralError(QStringLiteral("Connection closed without a response"));
        // An HTTP head always ends with an empty line; without it the reply was cut.
        if (m_http)
            throw EGeneralError(QString::fromLatin1(CutShort));
        return false;
    }
    m_bytes += line.size();
    if (m_bytes > m_limit)
        throw EGeneralError(QStringLiteral("Response header too long"));
    m_belongs = true;
    if (!m_started) {
        m_started = true;
        m_status = statusNumber(line);
        m_http = line.startsWith("HTTP/");
        return true;
    }
    if (line == "\n" || line == "\r\n")
        return false;
    takeField(line);
    return true;
}

void HttpResponseHead::takeField(const QByteArray &line)
{
    const QByteArray field = TPowersock::NthField(line, ' ', 1).toUpper();
    const QByteArray rest = withoutLineEnd(line.mid(field.size() + 1));
    if (field == "SET-COOKIE:")
        m_cookie = rest;
    else if (field == "LOCATION:")
        m_location = rest;
    else if (field == "CONTENT-LENGTH:")
        m_contentLength = qMax(0, TPowersock::StrToIntDef(rest.trimmed(), 0));
}
