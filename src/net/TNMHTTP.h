#pragma once

#include "net/TExStringList.h"
#include "net/THeaderInfo.h"
#include "net/TPowersock.h"

#include <functional>

// The request kinds of TNMHTTP, in the order of their verbs.
enum class CmdType : quint8 {
    CmdGET, CmdOPTIONS, CmdHEAD, CmdPOST, CmdPUT, CmdPATCH, CmdCOPY, CmdMOVE, CmdDELETE,
    CmdLINK, CmdUNLINK, CmdTRACE
};
using TResultEvent = std::function<void(CmdType cmd)>;

// An HTTP/1.0 client: one request per connection; the response head is read line by line,
// the body until the server closes. A request returns normally whenever a whole response
// was read, whatever its status (OnSuccess up to 298, OnFailure from 400); it raises on
// transport failures (ESockError, EAbortError) and EGeneralError for a bad URL ("Empty URL",
// "HTTP Secure Socket is not supported", a bad port or character), a response that is cut
// short or too large, a request already running on this component, or too many repeats.
//
// Replies 299 to 399 repeat the request (300 to 302 at the location the server names) at
// most MaxRepeats times; OnRedirect may stop that. Like every TPowersock operation, a
// request is a coroutine that suspends while it waits: destroy the component with
// deleteLater.
class TNMHTTP : public TPowersock
{
    Q_OBJECT
public:
    // Repeats of one request for replies 299 to 399; one more such reply raises
    // "Too many redirects".
    static constexpr qint32 MaxRepeats = 5;
    // Bytes of one response head, status line included.
    static constexpr qint32 MaxHeadBytes = 256 * 1024;
    // Bytes of a body read into Body; -1 in BodyLimit removes the bound.
    static constexpr qint32 DefaultBodyLimit = 16 * 1024 * 1024;

    explicit TNMHTTP(QObject *parent = nullptr);
    ~TNMHTTP() override;

    // After a request the response body; with InputFileMode the name of the file that
    // receives it (UTF-8).
    QByteArray Body = "Default.htm";
    // After a request the response head, every line as received, the closing empty line
    // included; with OutputFileMode the name of the file that receives it.
    QByteArray Header = "Head.txt";
    THeaderInfo HeaderInfo;
    bool InputFileMode = false;
    bool OutputFileMode = false;
    // POST data is form-encoded (each name and value of "name=value&...") while set.
    bool EncodeData = true;
    qint32 BodyLimit = DefaultBodyLimit;

    TResultEvent OnSuccess;
    TResultEvent OnFailure;
    TNotifyEvent OnAboutToSend;      // the head is built, the connection not yet made
    THandlerEvent OnRedirect;        // a 3xx reply; setting handled ends the request
    TNotifyEvent OnAuthenticationNeeded;

    [[nodiscard]] QCoro::Task<> Get(QString url);
    [[nodiscard]] QCoro::Task<> Options(QString url);
    [[nodiscard]] QCoro::Task<> Head(QString url);
    [[nodiscard]] QCoro::Task<> Post(QString url, QByteArray data);
    [[nodiscard]] QCoro::Task<> Put(QString url, QByteArray data);
    [[nodiscard]] QCoro::Task<> Patch(QString url, QByteArray data);
    [[nodiscard]] QCoro::Task<> Copy(QString url, QByteArray destination);
    [[nodiscard]] QCoro::Task<> Move(QString url, QByteArray destination);
    [[nodiscard]] QCoro::Task<> Delete(QString url);
    [[nodiscard]] QCoro::Task<> Link(QString url, QByteArray link);
    [[nodiscard]] QCoro::Task<> Unlink(QString url, QByteArray link);
    [[nodiscard]] QCoro::Task<> Trace(QString url);

    // Stops a waiting request (it raises EAbortError); the socket closes as it unwinds.
    void Abort() override;

    // The first step of every request, public so a URL can be checked alone: sets URL(),
    // Host, Port and RequestPath(), or raises for a bad URL.
    void ParseURL(const QString &url);

    QString URL() const { return m_url; }
    QByteArray RequestPath() const { return m_path; }
    CmdType Kind() const { return m_kind; }
    // The request head as sent last, one line per entry without line ends.
    const TExStringList &RequestHeader() const { return m_requestHeader; }
    // Values of the last response's "Location:" and "Set-Cookie:" headers.
    QByteArray Location() const { return m_location; }
    QByteArray Cookie() const { return m_cookie; }
    bool Busy() const { return m_busy; }

private:
    [[nodiscard]] QCoro::Task<> runRequest(CmdType kind, QString url, QByteArray data, QByteArray argument);
    // One pass; returns false when the request is complete.
    [[nodiscard]] QCoro::Task<bool> runPass(qint32 pass);
    void buildHead();
    [[nodiscard]] QCoro::Task<> sendHead();
    [[nodiscard]] QCoro::Task<> readResponseHead();
    [[nodiscard]] QCoro::Task<> readBody();
    bool carriesData() const;

    QString m_url;
    QByteArray m_path;
    TExStringList m_requestHeader;
    QByteArray m_location;
    QByteArray m_cookie;
    QByteArray m_data;               // sent after the head by POST, PUT and PATCH
    QByteArray m_argument;           // "URI-header:" or "Link:" value
    CmdType m_kind = CmdType::CmdGET;
    bool m_busy = false;
    bool m_aborted = false;
};
