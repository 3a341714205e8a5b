#pragma once

#include "net/TPowersock.h"
#include "net/TSummary.h"

#include <QByteArrayList>

// The POP3 client of one account: login, mailbox count, size listing, header summaries,
// unique ids and deletion; it never downloads a message body. Operations wait like every
// TPowersock operation and raise on failure (EGeneralError with the server's reply line
// or "Authentication failed", ESockError, EAbortError). While one operation of the
// component runs, a re-entrant call of List, GetSummary, UniqueID or DeleteMailMessage on
// the same component does nothing.
//
// Security: "auto" (implicit TLS on port 995, else STLS when the server lists it),
// "tls" (implicit TLS on any port), "starttls" (STLS required), "none" (plain, no CAPA).
// CertFingerprint (hex SHA-256) trusts exactly that certificate instead of the store.
class TNMPOP3 : public TPowersock
{
    Q_OBJECT
public:
    // Bounds against a server that never ends a multi-line reply; passing one fails the
    // operation and drops the connection.
    static constexpr qint64 DefaultHeaderLimit = 4 * 1024 * 1024;   // bytes of one TOP reply
    static constexpr qint32 DefaultHeaderLineLimit = 100000;        // lines of one TOP reply
    static constexpr qint64 DefaultListLimit = 16 * 1024 * 1024;    // bytes of one LIST reply
    static constexpr qint64 CapaLimit = 64 * 1024;                  // bytes of one CAPA reply

    explicit TNMPOP3(QObject *parent = nullptr);
    ~TNMPOP3() override;

    TSummary Summary;
    QByteArray UserID;
    QByteArray Password;
    qint32 MailCount = 0;
    QByteArray Security = "auto";
    QByteArray CertFingerprint;
    QByteArrayList Capabilities;      // the last CAPA reply's lines, without line ends
    qint64 HeaderLimit = DefaultHeaderLimit;
    qint32 HeaderLineLimit = DefaultHeaderLineLimit;
    qint64 ListLimit = DefaultListLimit;

    THandlerEvent OnAuthenticationNeeded;
    THandlerEvent OnAuthenticationFailed;
    TListEvent OnList;
    TNotifyEvent OnRetrieveStart;
    TNotifyEvent OnRetrieveEnd;
    TNotifyEvent OnSuccess;
    TNotifyEvent OnFailure;
    TNotifyEvent OnConnect;           // after a login; replaces the transport's event

    // Message retrieval settings no operation uses; they are only stored.
    bool Parse = false;
    bool DeleteOnRead = false;
    TNotifyEvent OnReset;
    TVarFileNameEvent OnDecodeStart;
    TNotifyEvent OnDecodeEnd;
    QString AttachFilePath() const { return m_attachFilePath; }
    void setAttachFilePath(const QString &path);

    bool Busy() const { return m_busy; }

    void Connect() override;
    void List();
    void GetSummary(qint32 n);
    QByteArray UniqueID(qint32 n);
    void DeleteMailMessage(qint32 n);
    void Disconnect() override;
    void Abort() override;

private:
    friend class BusyScope;
    enum class SecurityMode { None, Auto, Tls, StartTls };

    SecurityMode securityMode() const;
    void login();
    void negotiateTls(SecurityMode mode, bool implicitTls);
    void readCapabilities();
    QByteArray readReplyLine(qint64 &budget, const char *what);

    bool m_busy = false;
    QString m_attachFilePath;
};
