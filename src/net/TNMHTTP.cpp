#include "net/TNMHTTP.h"

#include "net/TNMURL.h"

#include <QFile>
#include <QPointer>

#include <limits>

namespace {

const char *const Verbs[] = {"GET ", "OPTIONS ", "HEAD ", "POST ", "PUT ", "PATCH ", "COPY ",
                             "MOVE ", "DELETE ", "LINK ", "UNLINK ", "TRACE "};

const char *const CutShort = "Connection closed before the response was complete";

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

QByteArray withoutLineEnd(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// Form data "name=value&..." with every name and value encoded and the separators kept,
// so the server can still split the fields.
QByteArray encodeForm(const QByteArray &data)
{
    QByteArrayList fields = data.split('&');
    for (QByteArray &field : fields) {
        QByteArrayList parts = field.split('=');
        for (QByteArray &part : parts)
            part = TNMURL::encode(part);
        field = parts.join('=');
    }
    return fields.join('&');
}

} // namespace

TNMHTTP::TNMHTTP(QObject *parent) : TPowersock(parent)
{
}

TNMHTTP::~TNMHTTP() = default;

QCoro::Task<> TNMHTTP::Get(QString url) { return runRequest(CmdType::CmdGET, url, {}, {}); }
QCoro::Task<> TNMHTTP::Options(QString url) { return runRequest(CmdType::CmdOPTIONS, url, {}, {}); }
QCoro::Task<> TNMHTTP::Head(QString url) { return runRequest(CmdType::CmdHEAD, url, {}, {}); }
QCoro::Task<> TNMHTTP::Post(QString url, QByteArray data)
{
    return runRequest(CmdType::CmdPOST, url, EncodeData ? encodeForm(data) : data, {});
}
QCoro::Task<> TNMHTTP::Put(QString url, QByteArray data) { return runRequest(CmdType::CmdPUT, url, data, {}); }
QCoro::Task<> TNMHTTP::Patch(QString url, QByteArray data) { return runRequest(CmdType::CmdPATCH, url, data, {}); }
QCoro::Task<> TNMHTTP::Copy(QString url, QByteArray destination)
{
    return runRequest(CmdType::CmdCOPY, url, {}, destination);
}
QCoro::Task<> TNMHTTP::Move(QString url, QByteArray destination)
{
    return runRequest(CmdType::CmdMOVE, url, {}, destination);
}
QCoro::Task<> TNMHTTP::Delete(QString url) { return runRequest(CmdType::CmdDELETE, url, {}, {}); }
QCoro::Task<> TNMHTTP::Link(QString url, QByteArray link) { return runRequest(CmdType::CmdLINK, url, {}, link); }
QCoro::Task<> TNMHTTP::Unlink(QString url, QByteArray link) { return runRequest(CmdType::CmdUNLINK, url, {}, link); }
QCoro::Task<> TNMHTTP::Trace(QString url) { return runRequest(CmdType::CmdTRACE, url, {}, {}); }

void TNMHTTP::Abort()
{
    StatusMessage(8, "Abort");
    m_eventSeen = true;
    // Remembered past the transport's own flag, which the next Connect clears.
    m_aborted = true;
    Cancel();
}

bool TNMHTTP::carriesData() const
{
    return m_kind == CmdType::CmdPOST || m_kind == CmdType::CmdPUT || m_kind == CmdType::CmdPATCH;
}

QCoro::Task<> TNMHTTP::runRequest(CmdType kind, QString url, QByteArray data, QByteArray argument)
{
    // A request started from a handler inside a waiting one would tear down its connection.
    if (m_busy)
        throw EGeneralError(QStringLiteral("HTTP request already in progress"));
    QPointer<TNMHTTP> guard(this);
    struct RequestBusy {
        QPointer<TNMHTTP> &owner;
        ~RequestBusy()
        {
            if (owner)
                owner->m_busy = false;
        }
    } busy{guard};
    m_busy = true;
    m_aborted = false;
    m_kind = kind;
    m_url = url;
    m_data = data;
    m_argument = argument;
    qint32 pass = 0;
    while (co_await runPass(pass))
        ++pass;
}

QCoro::Task<bool> TNMHTTP::runPass(qint32 pass)
{
    QPointer<TNMHTTP> guard(this);
    auto stopIfGone = [&] {
        if (!guard || m_aborted)
            throw EAbortError(guard ? "Connection Canceled" : "Socket readln aborted");
    };
    stopIfGone();
    ParseURL(m_url);
    buildHead();
    if (OnAboutToSend)
        OnAboutToSend(this);
    stopIfGone();
    try {
        co_await Connect();
        co_await sendHead();
        ReplyNumber = 0;
        co_await readResponseHead();
        co_await readBody();
    } catch (...) {
        if (guard)
            closeConnection();
        throw;
    }

    const qint16 reply = ReplyNumber;
    if (reply <= 298) {
        if (OnSuccess)
            OnSuccess(m_kind);
        stopIfGone();
        StatusMessage(2, "Transaction Completed");
    } else if (reply >= 300 && reply <= 302) {
        // Without a location the same URL is asked again, within the bound.
        if (!m_location.isEmpty())
            m_url = QString::fromUtf8(m_location);
    } else if (reply >= 400) {
        if (OnFailure)
            OnFailure(m_kind);
        stopIfGone();
    }
    closeConnection();

    if (reply >= 300 && reply <= 398) {
        if (!m_cookie.isEmpty())
            HeaderInfo.Cookie = m_cookie;
        bool handled = false;
        if (OnRedirect) {
            OnRedirect(handled);
            if (!guard)
                throw EAbortError("Connection Canceled");
        }
        if (handled)
            co_return false;
        // A bare relative name stays on this server.
        if (!m_url.contains(QLatin1Char('/')))
            m_url = QLatin1String("http://") + Host + QLatin1Char('/') + m_url;
    }
    if (reply == 401 && OnAuthenticationNeeded) {
        OnAuthenticationNeeded(this);
        if (!guard)
            throw EAbortError("Connection Canceled");
    }
    if (reply < 299 || reply > 399)
        co_return false;
    if (pass >= MaxRepeats)
        throw EGeneralError(QStringLiteral("Too many redirects"));
    co_return true;
}

void TNMHTTP::ParseURL(const QString &url)
{
    if (url.isEmpty())
        throw EGeneralError(QStringLiteral("Empty URL"));
    // Control characters and blanks would break the request line or add header lines.
    for (const QChar c : url)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F)
            throw EGeneralError(QStringLiteral("Invalid character in URL"));
    if (Port == 0)
        Port = 80;

    // "//" names a server only where it opens the URL's first slash ("http://host/...",
    // "//host/..."); a "//" inside a path does not.
    const qsizetype firstSlash = url.indexOf(QLatin1Char('/'));
    const bool hasServer = firstSlash >= 0 && url.mid(firstSlash, 2) == QLatin1String("//");
    QString path;
    QString hostPart;
    if (hasServer) {
        const qsizetype third = url.indexOf(QLatin1Char('/'), firstSlash + 2);
        path = third < 0 ? QString() : url.mid(third);
        hostPart = url.mid(firstSlash + 2, third < 0 ? -1 : third - firstSlash - 2);
    } else if (firstSlash >= 0) {
        path = url.mid(firstSlash);
        hostPart = url.left(firstSlash);
    } else {
        hostPart = url;
    }

    // A scheme comes before any slash; a colon in a path ("/a:b") is not one.
    const qsizetype colon = url.indexOf(QLatin1Char(':'));
    if (colon >= 0 && (firstSlash < 0 || colon < firstSlash)) {
        const QString scheme = url.left(colon).toLower();
        if (scheme == QLatin1String("gopher"))
            Port = 70;
        else if (scheme == QLatin1String("ftp"))
            Port = 21;
        else if (scheme == QLatin1String("https"))
            throw EGeneralError(QStringLiteral("HTTP Secure Socket is not supported"));
        else
            Port = 80;
    }

    const qsizetype portColon = hostPart.indexOf(QLatin1Char(':'));
    if (portColon >= 0) {
        const QByteArray digits = hostPart.mid(portColon + 1).toUtf8();
        const qint32 port = StrToInt(digits);
        // Only 16 bits reach the socket: a larger number would silently name another port.
        if (port < 1 || port > 65535)
            throw EGeneralError(QStringLiteral("Not a valid port: '%1'").arg(QString::fromUtf8(digits)));
        Port = port;
        hostPart.truncate(portColon);
    }
    if (!hostPart.isEmpty())
        Host = hostPart;

    m_url = url;
    if (path.isEmpty()) {
        path = QStringLiteral("/");
        m_url += QLatin1Char('/');
    }
    m_path = path.toUtf8();
}

void TNMHTTP::buildHead()
{
    TExStringList &head = m_requestHeader;
    head.clear();
    const QByteArray host = Host.toUtf8();
    head << Verbs[int(m_kind)] + (Proxy.isEmpty() ? m_path : m_url.toUtf8()) + " HTTP/1.0";
    if (!Proxy.isEmpty())
        head << "Proxy-Connection: Keep-Alive" << "Host: " + host;
    head.SetValue("Host", host);
    head << "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff"
         << "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript";
    head.SetValue("User-Agent", HeaderInfo.LocalProgram);
    head.SetValue("From", HeaderInfo.LocalMailAddress);
    head.SetValue("Cookie", HeaderInfo.Cookie);
    head.SetValue("Referer", HeaderInfo.Referer);
    if (!HeaderInfo.UserId.isEmpty() && !HeaderInfo.Password.isEmpty())
        head.SetValue("Authorization", "Basic " + (HeaderInfo.UserId + ':' + HeaderInfo.Password).toBase64());
    head << "Content-type: application/x-www-form-urlencoded";
    if (m_kind == CmdType::CmdCOPY || m_kind == CmdType::CmdMOVE)
        head << "URI-header: " + m_argument;
    else if (m_kind == CmdType::CmdLINK || m_kind == CmdType::CmdUNLINK)
        head << "Link: " + m_argument;
    if (carriesData())
        head << "Content-Length: " + QByteArray::number(m_data.size());

    // A value with a line end would add header lines of its own; a NUL would cut the line.
    for (const QByteArray &line : std::as_const(head))
        if (line.contains('\r') || line.contains('\n') || line.contains('\0'))
            throw EGeneralError(QStringLiteral("Invalid character in request header"));
}

QCoro::Task<> TNMHTTP::sendHead()
{
    const TExStringList head = m_requestHeader;
    for (const QByteArray &line : head)
        co_await Writeln(line);
    co_await Writeln(QByteArray());
    if (!carriesData())
        co_return;
    // In pieces the transport takes in one send.
    constexpr qint32 piece = 65535;
    const QByteArray data = m_data;
    for (qsizetype at = 0; at < data.size(); at += piece)
        co_await SendBuffer(data.mid(at, piece));
}

QCoro::Task<> TNMHTTP::readResponseHead()
{
    BytesTotal = 0;
    m_cookie.clear();
    // A location from an earlier response must not steer this one.
    m_location.clear();
    QFile headFile;
    if (OutputFileMode) {
        headFile.setFileName(QString::fromUtf8(Header));
        if (!headFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw EGeneralError(QStringLiteral("Cannot create file %1").arg(headFile.fileName()));
    } else {
        Header.clear();
    }
    qint64 headBytes = 0;
    auto keep = [&](const QByteArray &line) {
        headBytes += line.size();
        if (headBytes > MaxHeadBytes)
            throw EGeneralError(QStringLiteral("Response header too long"));
        if (OutputFileMode) {
            if (headFile.write(line) != line.size())
                throw EGeneralError(QStringLiteral("Cannot write file %1").arg(headFile.fileName()));
        } else {
            Header += line;
        }
    };

    const QByteArray status = co_await ReadLn();
    // A server that closes without a word has sent no response, not a good one.
    if (status.isEmpty())
        throw EGeneralError(QStringLiteral("Connection closed without a response"));
    ReplyNumber = statusNumber(status);
    keep(status);
    const bool http = status.startsWith("HTTP/");
    for (;;) {
        const QByteArray line = co_await ReadLn();
        if (line.isEmpty()) {
            // An HTTP head always ends with an empty line; without it the reply was cut.
            if (http)
                throw EGeneralError(QString::fromLatin1(CutShort));
            break;
        }
        keep(line);
        if (line == "\n" || line == "\r\n")
            break;
        const QByteArray field = NthField(line, ' ', 1).toUpper();
        const QByteArray rest = withoutLineEnd(line.mid(field.size() + 1));
        if (field == "SET-COOKIE:")
            m_cookie = rest;
        else if (field == "LOCATION:")
            m_location = rest;
        else if (field == "CONTENT-LENGTH:")
            BytesTotal = qMax(0, StrToIntDef(rest.trimmed(), 0));
    }
}

QCoro::Task<> TNMHTTP::readBody()
{
    if (InputFileMode) {
        co_await CaptureFile(QString::fromUtf8(Body));
    } else {
        // One byte past the bound tells a body of exactly BodyLimit bytes from a longer one.
        const bool bounded = BodyLimit >= 0 && BodyLimit < std::numeric_limits<qint32>::max();
        Body.clear();
        Body = co_await CaptureString(bounded ? BodyLimit + 1 : -1);
        if (bounded && Body.size() > BodyLimit)
            throw EGeneralError(QStringLiteral("Response body too large"));
    }
    // The length does not end the read (the server's close does), but a body shorter than
    // announced was cut. HEAD, 204 and 304 replies announce a length without sending it.
    const bool bodyExpected = m_kind != CmdType::CmdHEAD && ReplyNumber != 204 && ReplyNumber != 304;
    if (bodyExpected && BytesRecvd < BytesTotal)
        throw EGeneralError(QString::fromLatin1(CutShort));
}
