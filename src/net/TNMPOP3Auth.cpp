// The login of TNMPOP3: USER and PASS as ever, and the SASL mechanisms and APOP.
#include "net/TNMPOP3.h"

#include "net/Pop3Replies.h"
#include "net/Sasl.h"
#include "platform/Log.h"

#include <QPointer>

#include <exception>

using Pop3Replies::accepted;
using Pop3Replies::unsafeForWire;
using Pop3Replies::withoutLineEnd;

namespace {

// "+ <base64>" or a bare "+": the server wants the next response.
bool isChallenge(const QByteArray &reply)
{
    return reply.startsWith("+ ") || withoutLineEnd(reply) == "+";
}

QByteArray challengeData(const QByteArray &reply)
{
    return QByteArray::fromBase64(withoutLineEnd(reply).mid(1).trimmed());
}

// What the server said when it refused, without the status word.
QString refusalText(const QByteArray &reply)
{
    if (reply.isEmpty())
        return QStringLiteral("the connection closed");
    QByteArray text = withoutLineEnd(reply);
    if (text.startsWith("-ERR"))
        text = text.mid(4).trimmed();
    return text.isEmpty() ? QStringLiteral("refused") : TPowersock::displayText(text.left(300));
}

// The SASL mechanisms the last CAPA listed, upper case.
QByteArrayList saslMechanisms(const QByteArrayList &capabilities)
{
    for (const QByteArray &line : capabilities) {
        QByteArrayList words = line.simplified().toUpper().split(' ');
        if (words.size() > 1 && words.first() == "SASL") {
            words.removeFirst();
            return words;
        }
    }
    return {};
}

} // namespace

TNMPOP3::AuthMode TNMPOP3::authMode() const
{
    const QByteArray mode = Auth.trimmed().toLower();
    if (mode.isEmpty() || mode == "password")
        return AuthMode::Password;
    if (mode == "plain")
        return AuthMode::Plain;
    if (mode == "apop")
        return AuthMode::Apop;
    if (mode == "scram-sha-256")
        return AuthMode::Scram;
    if (mode == "oauth2")
        return AuthMode::OAuth2;
    throw EGeneralError(QStringLiteral("Unknown authentication setting \"%1\"").arg(displayText(Auth)));
}

QCoro::Task<> TNMPOP3::authenticate(SecurityMode security, QByteArray greeting)
{
    const AuthMode mode = authMode();
    if (mode == AuthMode::OAuth2) {
        co_await loginOAuth2(security);
        co_return;
    }
    if (mode == AuthMode::Password && canPipeline()) {
        AuthMechanism = "USER";
        co_await pipelinedLogin();
        co_return;
    }
    for (qint32 attempt = 0;; ++attempt) {
        QByteArray refusal;
        if (co_await loginWithPassword(mode, security, greeting, refusal))
            co_return;
        auto failed = [&] {
            // The designed login never said more; the mechanisms name themselves and the reason.
            if (mode == AuthMode::Password)
                return EGeneralError(QStringLiteral("Authentication failed"));
            return EGeneralError(QStringLiteral("Authentication failed (%1: %2)")
                                     .arg(QString::fromLatin1(AuthMechanism), refusalText(refusal)));
        };
        if (attempt > 0 || !OnAuthenticationFailed)
            throw failed();
        QPointer<TNMPOP3> self(this);
        bool handled = false;
        OnAuthenticationFailed(handled);
        if (!self || !handled || unsafeForWire(UserID) || unsafeForWire(Password))
            throw failed();
    }
}

QCoro::Task<bool> TNMPOP3::loginWithPassword(AuthMode mode, SecurityMode security, QByteArray greeting,
                                             QByteArray &refusal)
{
    switch (mode) {
    case AuthMode::Password: {
        AuthMechanism = "USER";
        const QByteArray user = "USER " + UserID;
        refusal = co_await Transaction(user);
        if (!accepted(refusal))
            co_return false;
        const QByteArray pass = "PASS " + Password;
        refusal = co_await Transaction(pass);
        co_return accepted(refusal);
    }
    case AuthMode::Plain: {
        AuthMechanism = "PLAIN";
        // The password would travel readable; only an account set to "none" has agreed to that.
        if (NegotiatedSecurity == "none" && security != SecurityMode::None)
            throw ESockError("The connection is not encrypted, so PLAIN would show the password; it was not sent");
        const QByteArray response = Sasl::plainResponse(UserID, Password);
        refusal = co_await saslStart("PLAIN", response);
        co_return accepted(refusal);
    }
    case AuthMode::Apop: {
        AuthMechanism = "APOP";
        const QByteArray timestamp = Pop3Parse::greetingTimestamp(greeting);
        if (timestamp.isEmpty())
            throw EGeneralError(QStringLiteral("The server does not offer APOP (its greeting has no timestamp)"));
        const QByteArray command = "APOP " + UserID + ' ' + Sasl::apopDigest(timestamp, Password);
        const QByteArray shown = "APOP " + UserID + " ****";
        refusal = co_await secretTransaction(command, shown);
        co_return accepted(refusal);
    }
    case AuthMode::Scram:
        AuthMechanism = "SCRAM-SHA-256";
        co_return co_await loginScram(refusal);
    case AuthMode::OAuth2:
        break;
    }
    throw EGeneralError(QStringLiteral("Authentication failed"));
}

QCoro::Task<bool> TNMPOP3::loginScram(QByteArray &refusal)
{
    Sasl::ScramSha256 scram(UserID, Password);
    const QByteArray clientFirst = scram.clientFirst();
    refusal = co_await saslStart("SCRAM-SHA-256", clientFirst);
    if (!isChallenge(refusal))
        co_return false;
    QByteArray clientFinal;
    std::exception_ptr bad;
    try {
        clientFinal = scram.clientFinal(challengeData(refusal));
    } catch (...) {
        bad = std::current_exception();
    }
    if (bad) {
        // "*" ends the exchange, so the session is left in a state QUIT can end.
        co_await saslStep("*");
        std::rethrow_exception(bad);
    }
    refusal = co_await saslStep(clientFinal);
    if (!isChallenge(refusal)) {
        // Success without the server's signature would let an impostor in unproven.
        if (accepted(refusal))
            scram.verifyServerFinal({});
        co_return false;
    }
    try {
        scram.verifyServerFinal(challengeData(refusal));
    } catch (...) {
        bad = std::current_exception();
    }
    if (bad) {
        co_await saslStep("*");
        std::rethrow_exception(bad);
    }
    refusal = co_await saslStep({});
    co_return accepted(refusal);
}

QCoro::Task<> TNMPOP3::loginOAuth2(SecurityMode security)
{
    // Only CAPA tells which of the two mechanisms the server takes.
    if (security == SecurityMode::None && Capabilities.isEmpty())
        co_await readCapabilities();
    const bool bearer = saslMechanisms(Capabilities).contains("OAUTHBEARER");
    AuthMechanism = bearer ? "OAUTHBEARER" : "XOAUTH2";
    if (AccessToken.contains('\x01') || unsafeForWire(AccessToken))
        throw EGeneralError(QStringLiteral("Authentication failed (the access token holds control characters)"));
    const QByteArray response = bearer ? Sasl::oauthBearerResponse(UserID, AccessToken)
                                       : Sasl::xoauth2Response(UserID, AccessToken);
    const QByteArray mechanism = AuthMechanism;
    QByteArray reply = co_await saslStart(mechanism, response);
    QString reason;
    if (isChallenge(reply)) {
        // A refused token comes as an error document the client must acknowledge before the
        // server ends the exchange with its refusal.
        reason = Sasl::oauthErrorReason(challengeData(reply));
        const QByteArray acknowledgement = Sasl::oauthErrorAcknowledgement(mechanism);
        reply = co_await saslStep(acknowledgement);
    }
    if (accepted(reply))
        co_return;
    const QString said = refusalText(reply);
    throw EGeneralError(QStringLiteral("Authentication failed (%1: %2)")
                            .arg(QString::fromLatin1(AuthMechanism), reason.isEmpty() ? said : reason + "; " + said));
}

QCoro::Task<QByteArray> TNMPOP3::saslStart(QByteArray mechanism, QByteArray initial)
{
    // RFC 5034 keeps a command with its initial response within 255 octets; a longer one
    // (a large access token) waits for the server's empty challenge instead.
    // Arguments of a co_await are named values here: GCC 12 may destroy a temporary made
    // inside the awaited expression twice.
    const QByteArray encoded = initial.isEmpty() ? QByteArray("=") : initial.toBase64();
    const QByteArray command = "AUTH " + mechanism + ' ' + encoded;
    if (command.size() + 2 <= 255) {
        const QByteArray shown = "AUTH " + mechanism + " ****";
        co_return co_await secretTransaction(command, shown);
    }
    const QByteArray bare = "AUTH " + mechanism;
    const QByteArray challenge = co_await Transaction(bare);
    if (!isChallenge(challenge))
        co_return challenge;
    co_return co_await saslStep(initial);
}

QCoro::Task<QByteArray> TNMPOP3::saslStep(QByteArray response)
{
    const QByteArray line = response == "*" ? response : response.toBase64();
    const QByteArray shown = line.isEmpty() || line == "*" ? line : QByteArray("****");
    co_return co_await secretTransaction(line, shown);
}

QCoro::Task<QByteArray> TNMPOP3::secretTransaction(QByteArray line, QByteArray shown)
{
    countCommand(shown);
    qCDebug(lcPop3) << "sent:" << shown;
    QByteArray reply = co_await TPowersock::Transaction(std::move(line));
    qCDebug(lcPop3) << "reply:" << withoutLineEnd(reply);
    co_return reply;
}
