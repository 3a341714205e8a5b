#include "net/TNMPOP3.h"

#include "net/BusyScope.h"
#include "net/Pop3Replies.h"
#include "platform/Log.h"

#include <QDir>
#include <QPointer>

#include <algorithm>
#include <cstring>
#include <exception>

using Pop3Replies::accepted;
using Pop3Replies::loggable;
using Pop3Replies::rejected;
using Pop3Replies::unsafeForWire;
using Pop3Replies::withoutLineEnd;

TNMPOP3::TNMPOP3(QObject *parent) : TPowersock(parent)
{
    Port = 110;
}

TNMPOP3::~TNMPOP3()
{
    m_destroying = true;
    try {
        TNMPOP3::Abort();
    } catch (...) {
        qCDebug(lcPop3) << "abort on destruction failed:" << Log::currentError();
    }
}

void TNMPOP3::setAttachFilePath(const QString &path)
{
    m_attachFilePath = path;
    if (!path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        m_attachFilePath += QDir::separator();
}

TNMPOP3::SecurityMode TNMPOP3::securityMode() const
{
    const QByteArray mode = Security.trimmed().toLower();
    if (mode == "auto" || mode.isEmpty())
        return SecurityMode::Auto;
    if (mode == "none")
        return SecurityMode::None;
    if (mode == "tls")
        return SecurityMode::Tls;
    if (mode == "starttls")
        return SecurityMode::StartTls;
    throw EGeneralError(QStringLiteral("Unknown security setting \"%1\"").arg(displayText(Security)));
}

QCoro::Task<QByteArray> TNMPOP3::readReplyLine(qint64 &budget, const char *what)
{
    QByteArray line;
    if (takeReplyLine(line, budget, what))
        co_return line;
    line = co_await ReadLn();
    chargeLine(line, budget, what);
    co_return line;
}

bool TNMPOP3::takeReplyLine(QByteArray &line, qint64 &budget, const char *what)
{
    QByteArrayView view;
    if (!takeReplyLine(view, budget, what))
        return false;
    line = view.toByteArray();
    return true;
}

bool TNMPOP3::takeReplyLine(QByteArrayView &line, qint64 &budget, const char *what)
{
    if (!takeBufferedLine(line))
        return false;
    chargeLine(line, budget, what);
    return true;
}

void TNMPOP3::refuseLine(QByteArrayView line, const char *what)
{
    if (line.isEmpty())
        throw ESockError(QStringLiteral("Connection closed before the end of the %1").arg(QLatin1String(what)));
    RequestCloseSocket();
    throw EGeneralError(QStringLiteral("The %1 exceeds its limit").arg(QLatin1String(what)));
}

QCoro::Task<> TNMPOP3::Connect()
{
    QPointer<TNMPOP3> self(this);
    const bool byToken = authMode() == AuthMode::OAuth2;
    bool asked = false;
    while (UserID.isEmpty() || (!byToken && Password.isEmpty())) {
        if (!OnAuthenticationNeeded)
            throw EGeneralError(QStringLiteral("Authentication failed"));
        if (asked)
            break;
        bool handled = false;
        OnAuthenticationNeeded(handled);
        asked = true;
        if (!self || !handled)
            throw EGeneralError(QStringLiteral("Authentication failed"));
    }
    if (unsafeForWire(UserID) || unsafeForWire(Password))
        throw EGeneralError(QStringLiteral("Authentication failed"));
    if (byToken && AccessToken.isEmpty())
        throw EGeneralError(QStringLiteral("Authentication failed (no access token)"));

    const bool wasBusy = m_busy;
    m_busy = true;
    bool loggedIn = false;
    auto finish = [&] {
        if (!wasBusy)
            m_busy = false;
        if (loggedIn && OnConnect)
            OnConnect(this);
    };
    try {
        const SecurityMode mode = securityMode();
        const bool implicitTls = mode == SecurityMode::Tls
            || (mode == SecurityMode::Auto && quint16(Port) == 995);
        Capabilities.clear();
        NegotiatedSecurity.clear();
        AuthMechanism.clear();
        m_commandCounts.clear();
        m_listedSizes.clear();
        dropLoginListings();
        co_await TPowersock::Connect();
        std::exception_ptr failure;
        try {
            if (implicitTls)
                co_await StartTLS(CertFingerprint);
            const QByteArray greeting = co_await ReadLn();
            qCDebug(lcPop3) << "greeting:" << withoutLineEnd(greeting);
            if (!accepted(greeting))
                rejected(greeting);
            const bool upgraded = co_await negotiateTls(mode, implicitTls);
            NegotiatedSecurity = implicitTls ? "tls" : upgraded ? "starttls" : "none";
            co_await authenticate(mode, greeting);
            loggedIn = true;
            const QByteArray stat = co_await statAfterLogin();
            if (!accepted(stat))
                rejected(stat);
            MailCount = Pop3Parse::statCount(stat);
            if (MailCount > MaxMailCount || MailCount < 0) {
                const qint32 claimed = MailCount;
                MailCount = 0;
                throw EGeneralError(QStringLiteral("The server reports %1 messages; Vorlo lists at most %2")
                                        .arg(claimed)
                                        .arg(MaxMailCount));
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (failure) {
            if (!self)
                std::rethrow_exception(failure);
            // The cause is what the caller needs; a failing QUIT on a broken session
            // would only hide it.
            try {
                co_await Disconnect();
            } catch (...) {
                qCDebug(lcPop3) << "quit after a failed connect failed:" << Log::currentError();
            }
            std::rethrow_exception(failure);
        }
    } catch (...) {
        if (self)
            finish();
        throw;
    }
    finish();
}

QCoro::Task<bool> TNMPOP3::negotiateTls(SecurityMode mode, bool implicitTls)
{
    if (mode == SecurityMode::None)
        co_return false;
    co_await readCapabilities();
    if (implicitTls)
        co_return false;
    const bool offered = std::any_of(Capabilities.cbegin(), Capabilities.cend(), [](const QByteArray &c) {
        return Pop3Parse::capabilityName(c).toUpper() == "STLS";
    });
    if (!offered) {
        // "starttls" is also what "auto" stores once it has seen the upgrade: the offer
        // going missing later is exactly what a man in the middle does.
        if (mode == SecurityMode::StartTls)
            throw ESockError("The server no longer offers encryption (no STLS); the password was not sent");
        co_return false;
    }
    const QByteArray reply = co_await Transaction("STLS");
    if (!accepted(reply))
        rejected(reply);
    co_await StartTLS(CertFingerprint);
    // What the server offers may change once the connection is private.
    co_await readCapabilities();
    co_return true;
}

QCoro::Task<> TNMPOP3::readCapabilities()
{
    Capabilities.clear();
    if (!accepted(co_await Transaction("CAPA")))
        co_return;
    qint64 budget = CapaLimit;
    for (;;) {
        const QByteArray line = withoutLineEnd(co_await readReplyLine(budget, "capability list"));
        if (line == ".")
            co_return;
        Capabilities << line;
    }
}

QCoro::Task<> TNMPOP3::List()
{
    if (m_busy)
        co_return;
    BusyScope busy(this);
    QPointer<TNMPOP3> self(this);
    m_listedSizes.clear();
    LoginListing given;
    const QByteArray status = co_await listingStatus(m_loginList, given, "LIST ");
    // A refusal has no listing behind it: waiting for one would only end in a time-out.
    if (!accepted(status))
        rejected(status);
    qint64 budget = ListLimit;
    qint32 received = 0;
    std::exception_ptr failure;
    for (;;) {
        QByteArray held;
        QByteArrayView line;
        if (!takeListingLine(given.present ? &given : nullptr, held, line, budget, "listing")) {
            held = co_await readReplyLine(budget, "listing");
            line = held;
        }
        line = Pop3Parse::withoutLineEnd(line);
        if (line == ".")
            break;
        ++received;
        if (failure)
            continue;
        if (!OnList) {
            const Pop3Parse::Listed listed = Pop3Parse::sizeLineOrZero(line);
            keepListedSize(listed.number, listed.size, received);
            continue;
        }
        // A bad line fails the listing, but only after its end has been read, so the next
        // command does not take the rest of the listing for its reply.
        try {
            const auto [msg, size] = Pop3Parse::sizeLine(line);
            // Only numbers of this box, each once, and none ahead of the lines received:
            // handed on, a number a server made up would make a handler that files sizes
            // by number grow its lists far beyond what was sent, or shift them.
            if (!keepListedSize(msg, size, received))
                continue;
            OnList(msg, size);
        } catch (...) {
            if (!self)
                throw;
            failure = std::current_exception();
        }
        if (!self)
            throw EAbortError("Socket readln aborted");
    }
    if (failure)
        std::rethrow_exception(failure);
}

QCoro::Task<> TNMPOP3::GetSummary(qint32 n)
{
    if (m_busy)
        co_return;
    BusyScope busy(this);
    QPointer<TNMPOP3> self(this);
    CheckConnection();
    if (OnRetrieveStart) {
        OnRetrieveStart(this);
        if (!self)
            throw EAbortError("Socket readln aborted");
    }
    const QByteArray top = co_await Transaction("TOP " + QByteArray::number(n) + " 0");
    if (!accepted(top))
        rejected(top);
    co_await readHeader();
    takeSize(co_await Transaction("LIST " + QByteArray::number(n)));
    StatusMessage(1, "Summary Retrieved");
    if (OnRetrieveEnd)
        OnRetrieveEnd(this);
}

QCoro::Task<> TNMPOP3::readHeader()
{
    qint64 budget = startHeader();
    if (!takeHeaderLines(budget))
        co_await readHeaderRest(budget);
}

qint64 TNMPOP3::startHeader()
{
    // Emptied with their storage kept: the next header mostly fits it.
    Summary.Header.clear();
    Pop3Parse::keep(Summary.Subject, {});
    Pop3Parse::keep(Summary.From, {});
    Pop3Parse::keep(Summary.MessageId, {});
    return HeaderLimit;
}

bool TNMPOP3::headerLine(QByteArrayView raw, qsizetype before)
{
    Pop3Parse::takeHeaderField(Summary, raw);
    if (before >= HeaderLineLimit)
        refuseLine(raw, "header");
    return Pop3Parse::isEndLine(raw);
}

bool TNMPOP3::takeHeaderLines(qint64 &budget)
{
    for (bool mayRead = false;; mayRead = true) {
        if (mayRead && !pullInput())
            return false;
        if (cutLines(
                budget, "header", HeaderLineLimit - Summary.Header.size(),
                [this](QByteArrayView line) { Pop3Parse::takeHeaderField(Summary, line); },
                [this](QByteArrayView run, qsizetype lines) { Summary.Header.append(run, lines); }))
            return true;
    }
}

QCoro::Task<> TNMPOP3::readHeaderRest(qint64 &budget)
{
    for (;;) {
        const QByteArray line = co_await readReplyLine(budget, "header");
        const bool last = headerLine(line, Summary.Header.size());
        Summary.Header.append(line, 1);
        if (last || takeHeaderLines(budget))
            co_return;
    }
}

void TNMPOP3::takeSize(const QByteArray &reply)
{
    Summary.Bytes = Pop3Parse::sizeReply(reply);
}

QCoro::Task<QByteArray> TNMPOP3::UniqueID(qint32 n)
{
    if (m_busy)
        co_return QByteArray();
    BusyScope busy(this);
    CheckConnection();
    const QByteArray reply = co_await Transaction("UIDL " + QByteArray::number(n));
    const std::optional<QByteArray> id = Pop3Parse::uniqueIdReply(reply);
    if (!id) {
        if (OnFailure)
            OnFailure(this);
        rejected(reply);
    }
    co_return *id;
}

QCoro::Task<> TNMPOP3::DeleteMailMessage(qint32 n)
{
    if (m_busy)
        co_return;
    BusyScope busy(this);
    CheckConnection();
    const QByteArray reply = co_await Transaction("DELE " + QByteArray::number(n));
    // No reply at all is no confirmation: the message was not marked.
    const bool failed = reply.isEmpty() || Pop3Parse::negative(reply);
    if (failed) {
        if (OnFailure)
            OnFailure(this);
        rejected(reply);
    }
    busy.release();
    if (OnSuccess)
        OnSuccess(this);
}

QCoro::Task<> TNMPOP3::Disconnect()
{
    co_await endSession(true);
}

QCoro::Task<> TNMPOP3::Leave()
{
    const bool deleted = commandCount("DELE") > 0;
    co_await endSession(deleted);
}

QCoro::Task<> TNMPOP3::endSession(bool awaitReply)
{
    // Nothing of this session's listings is read after it: the sizes would only hold
    // memory per message until the next check.
    dropLoginListings();
    m_listedSizes = {};
    if (!Connected())
        co_return;
    QPointer<TNMPOP3> self(this);
    const QByteArray quit("QUIT");
    QByteArray reply;
    std::exception_ptr failure;
    try {
        if (awaitReply) {
            reply = co_await Transaction(quit);
        } else {
            countVerb(quit);
            qCDebug(lcPop3) << "sent:" << loggable(quit) << "(its reply not awaited)";
            // Returns once the socket took the line: closing then sends it before the end.
            co_await Writeln(quit);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        std::rethrow_exception(failure ? failure
                                       : std::make_exception_ptr(EAbortError(awaitReply ? "Socket readln aborted"
                                                                                        : "Socket send aborted")));
    closeConnection();
    if (failure)
        std::rethrow_exception(failure);
    if (awaitReply && !accepted(reply))
        rejected(reply);
}

QCoro::Task<QByteArray> TNMPOP3::Transaction(QByteArray command)
{
    countCommand(command);
    qCDebug(lcPop3) << "sent:" << loggable(command);
    QByteArray reply = co_await TPowersock::Transaction(std::move(command));
    qCDebug(lcPop3) << "reply:" << withoutLineEnd(reply);
    co_return reply;
}

bool TNMPOP3::keepListedSize(qint32 msg, qint32 size, qint32 received)
{
    // Also for summaries read without "LIST n".
    if (msg < 1 || msg > MailCount || msg > received)
        return false;
    // Never longer than the lines received: a number the server made up claims no memory.
    // Mostly the next number in order: appended without the general resize.
    if (msg == m_listedSizes.size()) {
        m_listedSizes.append(size);
        return true;
    }
    if (msg >= m_listedSizes.size())
        m_listedSizes.resize(qsizetype(msg) + 1, NotListed);
    if (m_listedSizes.at(msg) != NotListed)
        return false;
    m_listedSizes[msg] = size;
    return true;
}

void TNMPOP3::countCommand(const QByteArray &command)
{
    // The verb only: the rest of a line may be a password.
    const qsizetype space = command.indexOf(' ');
    ++m_commandCounts[(space < 0 ? command : command.left(space)).toUpper()];
}

bool TNMPOP3::hasCapability(const QByteArray &name) const
{
    return std::any_of(Capabilities.cbegin(), Capabilities.cend(), [&](const QByteArray &c) {
        return Pop3Parse::capabilityName(c).compare(name, Qt::CaseInsensitive) == 0;
    });
}

void TNMPOP3::Abort()
{
    TPowersock::Abort();
    if (Connected()) {
        closeConnection();
        ClearInput();
    }
}
