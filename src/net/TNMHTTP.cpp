#include "net/TNMHTTP.h"

#include "net/HttpResponseHead.h"
#include "net/HttpUrl.h"
#include "net/TNMURL.h"

#include <QFile>
#include <QPointer>

#include <limits>

namespace {

const char *const Verbs[] = {"GET ", "OPTIONS ", "HEAD ", "POST ", "PUT ", "PATCH ", "COPY ",
                             "MOVE ", "DELETE ", "LINK ", "UNLINK ", "TRACE "};

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
    const HttpUrl parts = HttpUrl::parse(url);
    if (parts.port != 0)
        Port = parts.port;
    else if (Port == 0)
        Port = 80;
    if (!parts.host.isEmpty())
        Host = parts.host;
    m_url = parts.url;
    m_path = parts.path;
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
    auto keep = [&](const QByteArray &line) {
        if (OutputFileMode) {
            if (headFile.write(line) != line.size())
                throw EGeneralError(QStringLiteral("Cannot write file %1").arg(headFile.fileName()));
        } else {
            Header += line;
        }
    };

    HttpResponseHead head(MaxHeadBytes);
    for (bool more = true; more;) {
        const QByteArray line = co_await ReadLn();
        more = head.take(line);
        if (head.belongs())
            keep(line);
        ReplyNumber = head.status();
        m_cookie = head.cookie();
        m_location = head.location();
        BytesTotal = head.contentLength();
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
        throw EGeneralError(QString::fromLatin1(HttpResponseHead::CutShort));
}
