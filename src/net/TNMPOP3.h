#pragma once

#include "net/Pop3Parse.h"
#include "net/TMessageBatch.h"
#include "net/TPowersock.h"
#include "net/TSummary.h"

#include <QByteArrayList>
#include <QHash>

#include <cstring>
#include <exception>
#include <limits>

// The POP3 client of one account: login, mailbox count, size listing, header summaries,
// unique ids and deletion; it never downloads a message body. Operations are coroutines
// that suspend like every TPowersock operation and raise on failure (EGeneralError with the server's reply line
// or "Authentication failed", ESockError, EAbortError). While one operation of the
// component runs, a re-entrant call of List, GetSummary, UniqueID or DeleteMailMessage on
// the same component does nothing.
//
// Security: "auto" (implicit TLS on port 995, else STLS when the server lists it),
// "tls" (implicit TLS on any port), "starttls" (STLS required), "none" (plain, no CAPA).
// CertFingerprint (hex SHA-256) trusts exactly that certificate instead of the store.
//
// Where the session asked "CAPA" and the server listed "PIPELINING", the USER/PASS login goes
// out in one write with "STAT" and (LoginListings) the "LIST " and "UIDL" listings, whose
// replies the next List() and uniqueIdList() take instead of asking again; readBatch sends the
// commands of many messages ahead of their replies (a window bounded in bytes) and reads the
// replies in order; elsewhere it sends one command at a time.
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
    // The most messages a box may report: every list of a check grows with the count, so a
    // larger STAT count fails the login instead of taking the machine's memory.
    static constexpr qint32 MaxMailCount = 1000000;
    // Bytes of commands sent ahead of their replies at most: a box of many thousand messages
    // goes out in one write and the socket buffers stay full on a slow link, while what waits
    // to be written stays bounded. Replies are read while commands wait, so neither side can
    // block the other however full the buffers are.
    static constexpr qint64 DefaultPipelineBytes = 256 * 1024;

    explicit TNMPOP3(QObject *parent = nullptr);
    ~TNMPOP3() override;

    TSummary Summary;
    QByteArray UserID;
    QByteArray Password;
    // How the login proves who we are: "password" (USER and PASS), "plain" (SASL PLAIN),
    // "apop", "scram-sha-256" or "oauth2" (OAUTHBEARER where CAPA lists it, else XOAUTH2,
    // with AccessToken).
    QByteArray Auth = "password";
    QByteArray AccessToken;
    // The mechanism the last login used: "USER", "PLAIN", "APOP", "SCRAM-SHA-256",
    // "OAUTHBEARER" or "XOAUTH2".
    QByteArray AuthMechanism;
    qint32 MailCount = 0;
    QByteArray Security = "auto";
    QByteArray CertFingerprint;
    QByteArrayList Capabilities;      // the last CAPA reply's lines, without line ends
    // How the last login was protected: "tls" (implicit), "starttls" or "none".
    QByteArray NegotiatedSecurity;
    qint64 HeaderLimit = DefaultHeaderLimit;
    qint32 HeaderLineLimit = DefaultHeaderLineLimit;
    qint64 ListLimit = DefaultListLimit;      // also bounds the "UIDL" listing
    qint64 PipelineBytes = DefaultPipelineBytes;
    // A pipelined login also asks for the size listing and (where CAPA lists "UIDL") the id
    // listing; off for a session that will not list.
    bool LoginListings = true;

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

    // Whether the last CAPA reply listed `name` (the first word of a line, any case).
    bool hasCapability(const QByteArray &name) const;
    // Commands may go ahead of their replies: CAPA was asked and listed "PIPELINING".
    bool canPipeline() const { return hasCapability("PIPELINING"); }
    // How many commands starting with `verb` ("TOP", "UIDL", ...) this connection sent.
    qint32 commandCount(const QByteArray &verb) const { return m_commandCounts.value(verb.toUpper()); }

    [[nodiscard]] QCoro::Task<> Connect() override;
    [[nodiscard]] QCoro::Task<> List();
    [[nodiscard]] QCoro::Task<> GetSummary(qint32 n);
    [[nodiscard]] QCoro::Task<QByteArray> UniqueID(qint32 n);
    [[nodiscard]] QCoro::Task<> DeleteMailMessage(qint32 n);
    [[nodiscard]] QCoro::Task<> Disconnect() override;
    // Ends the session as Disconnect does where this connection sent a "DELE"; otherwise QUIT
    // is written and the connection closed without waiting for its reply, which could change
    // nothing: a check that deletes nothing ends a round trip sooner.
    [[nodiscard]] QCoro::Task<> Leave();
    void Abort() override;
    [[nodiscard]] QCoro::Task<QByteArray> Transaction(QByteArray command) override;

    // Reads the items in order, pipelined where canPipeline allows, calling `onStart` and
    // `onDone` per item (either may be empty). OnRetrieveStart, OnRetrieveEnd and OnFailure
    // fire per message as in GetSummary and UniqueID. Without "LIST n" a summary takes
    // Bytes from the last size listing. A failure of one message is reported in its result;
    // a failed connection raises, after the items already read were reported.
    [[nodiscard]] QCoro::Task<> readBatch(QList<TBatchItem> items, TBatchStart onStart, TBatchDone onDone);
    // Every unique id with one "UIDL" listing: element k is message k's id as UniqueID
    // returns it (line end kept), element 0 empty. Empty when the server refuses the
    // listing or when its lines are not exactly messages 1 to MailCount in order. Raises
    // when the connection fails or the listing passes ListLimit.
    [[nodiscard]] QCoro::Task<QByteArrayList> uniqueIdList();

private:
    friend class BusyScope;
    class Pipeline;
    enum class SecurityMode { None, Auto, Tls, StartTls };
    enum class AuthMode { Password, Plain, Apop, Scram, OAuth2 };

    SecurityMode securityMode() const;
    AuthMode authMode() const;
    // Logs in as Auth says; asks OnAuthenticationFailed once where a password was refused.
    [[nodiscard]] QCoro::Task<> authenticate(SecurityMode security, QByteArray greeting);
    // One attempt with the password; false with the server's refusal in `refusal`.
    [[nodiscard]] QCoro::Task<bool> loginWithPassword(AuthMode mode, SecurityMode security, QByteArray greeting,
                                                      QByteArray &refusal);
    [[nodiscard]] QCoro::Task<bool> loginScram(QByteArray &refusal);
    [[nodiscard]] QCoro::Task<> loginOAuth2(SecurityMode security);
    // The SASL exchange on the wire (RFC 5034): AUTH with an initial response, and the
    // client's further responses; both log nothing of what they carry.
    [[nodiscard]] QCoro::Task<QByteArray> saslStart(QByteArray mechanism, QByteArray initial);
    [[nodiscard]] QCoro::Task<QByteArray> saslStep(QByteArray response);
    [[nodiscard]] QCoro::Task<QByteArray> secretTransaction(QByteArray line, QByteArray shown);
    // USER, PASS, STAT and the login listings in one write; returns once USER and PASS were
    // accepted, fails or asks as the one-at-a-time login does otherwise (the rest of the replies read and
    // dropped).
    [[nodiscard]] QCoro::Task<> pipelinedLogin();
    // The STAT reply after a login: read from the pipelined login's replies, together with
    // its listings, or asked for now.
    [[nodiscard]] QCoro::Task<QByteArray> statAfterLogin();
    // Returns whether the connection was upgraded with STLS.
    [[nodiscard]] QCoro::Task<bool> negotiateTls(SecurityMode mode, bool implicitTls);
    [[nodiscard]] QCoro::Task<> readCapabilities();
    // `budget` belongs to the caller, which awaits the read at once.
    [[nodiscard]] QCoro::Task<QByteArray> readReplyLine(qint64 &budget, const char *what);
    // The same for a line already received, without a wait; false when there is none, so
    // the loops over many lines pay for a suspension only where they wait.
    bool takeReplyLine(QByteArray &line, qint64 &budget, const char *what);
    // The same as a view, good until the next read (TPowersock::takeBufferedLine).
    bool takeReplyLine(QByteArrayView &line, qint64 &budget, const char *what);
    // Counts a line against the budget; raises for no line (the server went) or too many bytes.
    // Inline: every line of a check passes here.
    void chargeLine(QByteArrayView line, qint64 &budget, const char *what)
    {
        budget -= line.size();
        if (line.isEmpty() || budget < 0)
            refuseLine(line, what);
    }
    [[noreturn]] void refuseLine(QByteArrayView line, const char *what);
    // Cuts the whole lines lying in the input, up to the "." line that ends a reply, each
    // charged against `budget` and at most `room` of them: `look(line)` sees each line (its end
    // included) where it lies, and `keep(run, lines)` gets the lines taken in one piece before
    // they leave the input, also before a refused line drops the connection. A call per line
    // would cost more than the line. True once the "." line was taken.
    template <typename Look, typename Keep>
    bool cutLines(qint64 &budget, const char *what, qsizetype room, Look look, Keep keep);
    // The header lines of an accepted "TOP" reply into Summary.
    [[nodiscard]] QCoro::Task<> readHeader();
    // The parts of readHeader, so that a header already received is read without suspending:
    // startHeader empties the summary and gives the budget; takeHeaderLines takes the lines
    // buffered and says whether the "." line was among them; readHeaderRest waits for the rest.
    // Summary.Header holds exactly the lines read, also when a read fails.
    qint64 startHeader();
    bool takeHeaderLines(qint64 &budget);
    [[nodiscard]] QCoro::Task<> readHeaderRest(qint64 &budget);
    // Looks at one line of a header (line end included) before it is kept, the header holding
    // `before` lines: its field, and the bound on the lines. True for the "." line.
    bool headerLine(QByteArrayView raw, qsizetype before);
    // Summary.Bytes from a "LIST n" reply; raises when it holds no number.
    void takeSize(const QByteArray &reply);
    void countCommand(const QByteArray &command);
    // A verb already in capitals.
    void countVerb(const QByteArray &verb, qint32 times = 1) { m_commandCounts[verb] += times; }
    // Files a listed size by message; false for a number the box cannot hold, one not yet
    // reached by the lines received (`received`), or one listed before (the first wins).
    bool keepListedSize(qint32 msg, qint32 size, qint32 received);
    qint32 listedSize(qint32 msg) const
    {
        return msg > 0 && msg < m_listedSizes.size() && m_listedSizes.at(msg) != NotListed ? m_listedSizes.at(msg) : 0;
    }

    // A listing the pipelined login read, for the next List() or uniqueIdList().
    struct LoginListing
    {
        bool present = false;
        QByteArray status;
        QByteArray lines;             // as received, up to and including the "." line
        qsizetype next = 0;           // read position in `lines`
        std::exception_ptr failure;   // raised by the operation that takes the listing
        // A view into `lines`, line end included; empty at the end of `lines`. Inline: it runs
        // for every line of a listing.
        QByteArrayView takeLine()
        {
            const char *from = lines.constData() + next;
            const void *end = std::memchr(from, '\n', size_t(lines.size() - next));
            const qsizetype stop = end ? static_cast<const char *>(end) - lines.constData() + 1 : lines.size();
            const QByteArrayView line = QByteArrayView(lines).sliced(next, stop - next);
            next = stop;
            return line;
        }
    };
    // One listing of the pipelined login: its status line and, when accepted, its lines.
    [[nodiscard]] QCoro::Task<> readLoginListing(LoginListing &listing, const char *what);
    // Moves what the pipelined login read for a listing from `from` into `given` and returns its
    // status line; without it asks the connection with `command`. Raises the login's failure.
    [[nodiscard]] QCoro::Task<QByteArray> listingStatus(LoginListing &from, LoginListing &given, QByteArray command);
    // The next line of a listing that needs no wait: from what the login read (`given`), else
    // from what the connection holds. False when the caller must wait with readReplyLine.
    // `line` views `given` or `held`, which keeps a line taken from the connection.
    bool takeListingLine(LoginListing *given, QByteArray &held, QByteArrayView &line, qint64 &budget,
                         const char *what)
    {
        if (!given)
            return takeHeldLine(held, line, budget, what);
        line = given->takeLine();
        if (line.isEmpty())
            listingCut(what);
        return true;
    }
    bool takeHeldLine(QByteArray &held, QByteArrayView &line, qint64 &budget, const char *what);
    [[noreturn]] static void listingCut(const char *what);
    void dropLoginListings();
    // QUIT and the close, for Disconnect and Leave; without `awaitReply` the reply is not read.
    [[nodiscard]] QCoro::Task<> endSession(bool awaitReply);

    bool m_busy = false;
    QByteArrayList m_loginQueue;              // commands of the pipelined login whose replies wait
    LoginListing m_loginList;
    LoginListing m_loginIds;
    QHash<QByteArray, qint32> m_commandCounts;
    static constexpr qint32 NotListed = std::numeric_limits<qint32>::min();
    QList<qint32> m_listedSizes;              // line k: message k's bytes from the last listing, or NotListed
    QString m_attachFilePath;
};

template <typename Look, typename Keep>
bool TNMPOP3::cutLines(qint64 &budget, const char *what, qsizetype room, Look look, Keep keep)
{
    const QByteArrayView input = bufferedInput();
    const char *const begin = input.data();
    const char *const end = begin + input.size();
    const char *at = begin;
    qsizetype lines = 0;
    bool last = false;
    const auto taken = [&] {
        keep(QByteArrayView(begin, at), lines);
        takeInput(at - begin);
    };
    while (!last && at != end) {
        const char *const stop = static_cast<const char *>(std::memchr(at, '\n', size_t(end - at)));
        if (!stop)
            break;
        const QByteArrayView line(at, stop + 1);
        if (line.size() > BufferSize || line.size() > budget || lines >= room) {
            taken();
            if (line.size() > BufferSize)
                lineTooLong();
            refuseLine(line, what);
        }
        budget -= line.size();
        look(line);
        last = Pop3Parse::isEndLine(line);
        ++lines;
        at = stop + 1;
    }
    taken();
    if (!last && end - at >= BufferSize)
        lineTooLong();
    return last;
}
