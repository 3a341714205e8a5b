#include "auth/OAuthAccess.h"

#include "auth/OAuthSignIn.h"
#include "platform/Log.h"

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
    qCDebug(lcAuth) << "refreshing the access token of" << accountKey;
    const OAuthTokens fresh = co_await OAuthSignIn::refresh(config, refreshToken);
    remember(accountKey, fresh);
    co_return Token{fresh.accessToken, fresh.refreshToken != refreshToken ? fresh.refreshToken : QByteArray()};
}
