#include "auth/OAuthAccess.h"

#include "auth/OAuthSignIn.h"
#include "auth/TokenOutcome.h"
#include "platform/GeneralError.h"
#include "platform/Log.h"

#include <QCoro/QCoroSignal>

void OAuthAccess::remember(const QString &accountKey, const OAuthTokens &tokens)
{
    m_kept.insert(accountKey, {tokens.accessToken, tokens.refreshToken, tokens.expiresAt});
}

void OAuthAccess::forget(const QString &accountKey)
{
    m_kept.remove(accountKey);
}

QCoro::Task<OAuthAccess::Token> OAuthAccess::accessToken(QString accountKey, OAuthConfig config,
                                                         QByteArray refreshToken)
{
    config.check();
    if (config.isCommand()) {
        // Awaited on a statement of its own: GCC 12 mishandles a co_await inside a braced
        // initialiser.
        QByteArray printed = co_await OAuthCommand::accessToken(config.command, m_commandTimeout);
        co_return Token{printed, {}};
    }

    const auto kept = m_kept.constFind(accountKey);
    // A kept token obtained with another refresh token belongs to an earlier sign-in.
    if (kept != m_kept.constEnd() && kept->refreshToken == refreshToken
        && QDateTime::currentDateTimeUtc().secsTo(kept->expiresAt) >= MinimumValidity.count()) {
        co_return Token{kept->accessToken, {}};
    }
    const OAuthTokens fresh = co_await refreshShared(accountKey, config, refreshToken);
    co_return Token{fresh.accessToken, fresh.refreshToken != refreshToken ? fresh.refreshToken : QByteArray()};
}

QCoro::Task<OAuthTokens> OAuthAccess::refreshShared(const QString &accountKey, const OAuthConfig &config,
                                                    const QByteArray &refreshToken)
{
    const auto running = m_refreshing.constFind(accountKey);
    if (running != m_refreshing.constEnd() && running->refreshToken == refreshToken) {
        const std::shared_ptr<TokenOutcome> outcome = running->outcome;
        if (!outcome->isSettled())
            co_await qCoro(outcome.get(), &TokenOutcome::settled);
        if (!outcome->tokens())
            throw EGeneralError(outcome->error());
        co_return *outcome->tokens();
    }

    qCDebug(lcAuth) << "refreshing the access token of" << accountKey;
    const auto outcome = std::make_shared<TokenOutcome>();
    m_refreshing.insert(accountKey, {refreshToken, outcome});
    std::optional<OAuthTokens> fresh;
    try {
        fresh = co_await OAuthSignIn::refresh(config, refreshToken);
    } catch (const EGeneralError &e) {
        outcome->fail(e.message());
    }
    // Only its own entry goes: a caller with a newer refresh token may have started another.
    if (m_refreshing.value(accountKey).outcome == outcome)
        m_refreshing.remove(accountKey);
    if (!fresh)
        throw EGeneralError(outcome->error());
    remember(accountKey, *fresh);
    outcome->succeed(*fresh);
    co_return *fresh;
}
