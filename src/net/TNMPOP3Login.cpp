// The login of a server that takes pipelined commands: USER, PASS, STAT and the listings go
// out in one write, so a check costs a few round trips whatever the size of the box.
#include "net/TNMPOP3.h"

#include "net/Pop3Replies.h"
#include "platform/Log.h"

#include <QPointer>

#include <cstring>
#include <utility>

using Pop3Replies::accepted;
using Pop3Replies::loggable;
using Pop3Replies::unsafeForWire;
using Pop3Replies::withoutLineEnd;

QCoro::Task<> TNMPOP3::pipelinedLogin()
{
    QPointer<TNMPOP3> self(this);
    for (qint32 attempt = 0;; ++attempt) {
        m_loginQueue = {"STAT"};
        if (LoginListings) {
            m_loginQueue << "LIST ";
            if (hasCapability("UIDL"))
                m_loginQueue << "UIDL";
        }
        QByteArray text;
        for (const QByteArray &command : QByteArrayList{"USER " + UserID, "PASS " + Password} + m_loginQueue) {
            countCommand(command);
            qCDebug(lcPop3) << "sent:" << loggable(command);
            text += command + "\r\n";
        }
        queueSend(text);
        const bool userOk = accepted(co_await readReply());
        // Read in any case: PASS went out with USER.
        const bool passOk = accepted(co_await readReply());
        if (userOk && passOk)
            co_return;
        // What went out with a refused login is read and dropped, so the next command's
        // reply is its own.
        while (!m_loginQueue.isEmpty()) {
            const QByteArray command = m_loginQueue.takeFirst();
            if (!accepted(co_await readReply()) || command == "STAT")
                continue;
            qint64 budget = ListLimit;
            while (withoutLineEnd(co_await readReplyLine(budget, "listing")) != ".") {
            }
        }
        if (attempt > 0 || !OnAuthenticationFailed)
            throw EGeneralError(QStringLiteral("Authentication failed"));
        bool handled = false;
        OnAuthenticationFailed(handled);
        if (!self || !handled || unsafeForWire(UserID) || unsafeForWire(Password))
            throw EGeneralError(QStringLiteral("Authentication failed"));
    }
}

QCoro::Task<QByteArray> TNMPOP3::statAfterLogin()
{
    if (m_loginQueue.isEmpty())
        co_return co_await Transaction("STAT");
    m_loginQueue.removeFirst();
    QByteArray stat = co_await readReply();
    while (!m_loginQueue.isEmpty())
        co_await readLoginListing(m_loginQueue.first() == "UIDL" ? m_loginIds : m_loginList,
                                  m_loginQueue.first() == "UIDL" ? "id listing" : "listing");
    co_return stat;
}

QCoro::Task<> TNMPOP3::readLoginListing(LoginListing &listing, const char *what)
{
    QPointer<TNMPOP3> self(this);
    m_loginQueue.removeFirst();
    listing = {};
    listing.present = true;
    // A listing that fails fails the operation that takes it, as if it had asked itself;
    // the login stands.
    try {
        listing.status = co_await readReply();
        if (accepted(listing.status)) {
            qint64 budget = ListLimit;
            for (;;) {
                // The lines received so far are copied into the listing in one piece.
                if (cutLines(
                        budget, what, std::numeric_limits<qsizetype>::max(), [](QByteArrayView) {},
                        [&listing](QByteArrayView run, qsizetype) { listing.lines.append(run); }))
                    break;
                QByteArray held;
                QByteArrayView line;
                if (!takeReplyLine(line, budget, what)) {
                    held = co_await readReplyLine(budget, what);
                    line = held;
                }
                listing.lines += line;
                if (withoutLineEnd(line) == ".")
                    break;
            }
        }
    } catch (...) {
        if (!self)
            throw;
        listing.failure = std::current_exception();
    }
}

bool TNMPOP3::takeHeldLine(QByteArray &held, QByteArrayView &line, qint64 &budget, const char *what)
{
    if (!takeReplyLine(held, budget, what))
        return false;
    line = held;
    return true;
}

void TNMPOP3::listingCut(const char *what)
{
    throw ESockError(QStringLiteral("Connection closed before the end of the %1").arg(QLatin1String(what)));
}

QCoro::Task<QByteArray> TNMPOP3::listingStatus(LoginListing &from, LoginListing &given, QByteArray command)
{
    // What the login read stays good after the server has gone.
    given = std::exchange(from, {});
    if (!given.present)
        CheckConnection();
    if (given.failure)
        std::rethrow_exception(given.failure);
    if (given.present)
        co_return given.status;
    co_return co_await Transaction(std::move(command));
}

void TNMPOP3::dropLoginListings()
{
    m_loginQueue.clear();
    m_loginList = {};
    m_loginIds = {};
}
