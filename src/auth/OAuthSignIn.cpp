#include "auth/OAuthSignIn.h"

#include "auth/Pkce.h"
#include "auth/TokenOutcome.h"
#include "auth/TokenReply.h"
#include "platform/BrowserLauncher.h"
#include "platform/GeneralError.h"
#include "platform/Log.h"

#include <QCoro/QCoroNetworkReply>
#include <QCoro/QCoroSignal>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QRandomGenerator>

#include <array>
#include <memory>

namespace {

constexpr qint64 MaxTokenReply = 64 * 1024;

QString randomState()
{
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(words.data()), sizeof words)
                                   .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// Checks the redirect that brings the user back. Qt's flow checks the state as well, but on a
// mismatch or an error it only logs and waits; here the sign-in ends at once with the reason.
void checkCallback(const QVariantMap &values, const QString &state, TokenOutcome &outcome)
{
    const QString error = values.value(QStringLiteral("error")).toString();
    if (!values.contains(QStringLiteral("state")) && !values.contains(QStringLiteral("code")) && error.isEmpty())
        return; // not the redirect: the browser asking for an icon, for example
    if (values.value(QStringLiteral("state")).toString() != state) {
        outcome.fail(QStringLiteral("The sign-in was answered for another request (the state does not match); "
                                    "try again"));
    } else if (error == QLatin1String("access_denied")) {
        outcome.fail(QStringLiteral("The sign-in was declined in the browser"));
    } else if (!error.isEmpty()) {
        const QString description = QUrl::fromPercentEncoding(
            values.value(QStringLiteral("error_description")).toByteArray().replace('+', ' '));
        outcome.fail(QStringLiteral("The sign-in server reported an error (%1)")
                         .arg(description.isEmpty() ? error : error + QStringLiteral(": ") + description));
    } else if (values.value(QStringLiteral("code")).toString().isEmpty()) {
        outcome.fail(QStringLiteral("The sign-in server sent no authorization code"));
    }
}

// Qt NetworkAuth 6.4 knows no PKCE: the challenge joins the authorization request and the
// verifier the token request here.
void addPkce(QOAuth2AuthorizationCodeFlow &flow, const OAuthConfig &config)
{
    const QByteArray verifier = Pkce::newVerifier();
    const QByteArray challenge = Pkce::challengeOf(verifier);
    const auto extras = config.authorizationExtras;
    flow.setModifyParametersFunction(
        [verifier, challenge, extras](QAbstractOAuth::Stage stage, QMultiMap<QString, QVariant> *parameters) {
            if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
                parameters->insert(QStringLiteral("code_challenge"), QString::fromLatin1(challenge));
                parameters->insert(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
                for (const auto &[key, value] : extras)
                    parameters->insert(key, value);
            } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
                parameters->insert(QStringLiteral("code_verifier"), QString::fromLatin1(verifier));
            }
        });
}

// Qt's flow reports neither a refused nor an unreadable token answer (6.4 only logs them), so
// the sign-in watches its own token request.
void watchTokenRequest(QNetworkAccessManager &network, TokenOutcome &outcome)
{
    QObject::connect(&network, &QNetworkAccessManager::finished, &outcome, [&outcome](QNetworkReply *reply) {
        if (reply->operation() != QNetworkAccessManager::PostOperation)
            return;
        if (reply->error() != QNetworkReply::NoError) {
            outcome.fail(TokenReply::failureOf(reply->read(MaxTokenReply), reply->errorString()));
            return;
        }
        // A good answer reaches the flow after this signal and settles the sign-in first.
        QMetaObject::invokeMethod(
            &outcome, [&outcome] { outcome.fail(QStringLiteral("The sign-in server's token answer could not be read")); },
            Qt::QueuedConnection);
    });
}

QByteArray formBody(const QList<std::pair<QString, QString>> &fields)
{
    QByteArray body;
    for (const auto &[key, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        // Fully percent-encoded: a "+" in a token must not reach the server as a blank.
        body += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

} // namespace

OAuthSignIn::OpenUrl OAuthSignIn::defaultOpenUrl()
{
    return &BrowserLauncher::open;
}

QCoro::Task<OAuthTokens> OAuthSignIn::signIn(OAuthConfig config, OpenUrl open, std::chrono::milliseconds timeout)
{
    config.check();
    if (config.isCommand())
        throw EGeneralError(QStringLiteral("An account whose token comes from a command does not sign in"));

    QOAuthHttpServerReplyHandler listener(QHostAddress::LocalHost, 0);
    // The system picks the port; a busy moment can refuse one pick, so ask again.
    for (int attempt = 0; attempt < 3 && !listener.isListening(); ++attempt)
        listener.listen(QHostAddress::LocalHost, 0);
    if (!listener.isListening())
        throw EGeneralError(QStringLiteral("No free port on 127.0.0.1 to receive the sign-in"));
    listener.setCallbackText(QStringLiteral("Vorlo has the answer of the sign-in. You can close this page."));
    QNetworkAccessManager network;
    QOAuth2AuthorizationCodeFlow flow(&network);
    flow.setReplyHandler(&listener);
    flow.setAuthorizationUrl(config.authUrl);
    flow.setAccessTokenUrl(config.tokenUrl);
    flow.setClientIdentifier(config.clientId);
    flow.setClientIdentifierSharedKey(config.clientSecret);
    flow.setScope(config.scope);
    const QString state = randomState();
    flow.setState(state);
    addPkce(flow, config);

    TokenOutcome outcome;
    QObject::connect(&listener, &QAbstractOAuthReplyHandler::callbackReceived, &outcome,
                     [&outcome, state](const QVariantMap &values) { checkCallback(values, state, outcome); });
    QObject::connect(&listener, &QAbstractOAuthReplyHandler::tokensReceived, &outcome,
                     [&outcome](const QVariantMap &values) {
                         try {
                             outcome.succeed(TokenReply::tokensFrom(values));
                         } catch (const EGeneralError &e) {
                             outcome.fail(e.message());
                         }
                     });
    watchTokenRequest(network, outcome);
    QObject::connect(&flow, &QAbstractOAuth::authorizeWithBrowser, &outcome, [&outcome, &open](const QUrl &url) {
        qCDebug(lcAuth) << "sign-in: opening the authorization page of" << url.host();
        if (!open || !open(url))
            outcome.fail(QStringLiteral("No web browser could be started for the sign-in"));
    });

    qCDebug(lcAuth) << "sign-in: waiting at" << listener.callback();
    flow.grant();
    if (!outcome.isSettled()) {
        const auto woken = co_await qCoro(&outcome, &TokenOutcome::settled, timeout);
        if (!woken)
            throw EGeneralError(QStringLiteral("The sign-in was not completed within %1 s; try again")
                                    .arg((timeout.count() + 999) / 1000));
    }
    if (!outcome.tokens()) {
        qCDebug(lcAuth) << "sign-in failed:" << outcome.error();
        throw EGeneralError(outcome.error());
    }
    qCDebug(lcAuth) << "sign-in: tokens received";
    co_return *outcome.tokens();
}

// Not Qt's refreshAccessToken: in 6.4 it would only log the refusal that must tell the user to
// sign in again, and it needs a reply handler. A refresh is one form POST.
QCoro::Task<OAuthTokens> OAuthSignIn::refresh(OAuthConfig config, QByteArray refreshToken)
{
    config.check();
    if (config.isCommand() || refreshToken.isEmpty())
        throw EGeneralError(QStringLiteral("This account is not signed in; sign in first"));

    QList<std::pair<QString, QString>> fields = {{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                                                 {QStringLiteral("refresh_token"), QString::fromUtf8(refreshToken)},
                                                 {QStringLiteral("client_id"), config.clientId}};
    if (!config.clientSecret.isEmpty())
        fields.append({QStringLiteral("client_secret"), config.clientSecret});
    // The grant's own scope; some providers want it named again.
    if (!config.scope.isEmpty())
        fields.append({QStringLiteral("scope"), config.scope});
    QNetworkRequest request(config.tokenUrl);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(int(std::chrono::milliseconds(RefreshTimeout).count()));

    QNetworkAccessManager network;
    const std::unique_ptr<QNetworkReply> reply(network.post(request, formBody(fields)));
    co_await reply.get();
    const QByteArray body = reply->read(MaxTokenReply);
    const QVariantMap values = TokenReply::parse(body);
    const QString refusal = TokenReply::refusalOf(values);
    if (!refusal.isEmpty()) {
        qCDebug(lcAuth) << "refresh refused:" << refusal;
        throw EGeneralError(QStringLiteral("The sign-in has expired or was revoked; sign in again (%1)").arg(refusal));
    }
    if (reply->error() != QNetworkReply::NoError)
        throw EGeneralError(TokenReply::failureOf(body, reply->errorString()));
    OAuthTokens tokens = TokenReply::tokensFrom(values);
    if (tokens.refreshToken.isEmpty())
        tokens.refreshToken = refreshToken;
    qCDebug(lcAuth) << "access token refreshed";
    co_return tokens;
}
