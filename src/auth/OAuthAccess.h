#pragma once

#include "auth/OAuthCommand.h"
#include "auth/OAuthConfig.h"
#include "auth/OAuthTokens.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <chrono>
#include <memory>

class TokenOutcome;

// What a check asks for a usable access token. Access tokens live in memory only, one per
// account key; the refresh token belongs to the caller, who stores it with the account. Calls
// for one account that overlap share one refresh: with a provider that replaces the refresh
// token at every use, a second refresh with the old one would be refused. The object must
// outlive the calls it runs.
class OAuthAccess
{
public:
    // A kept token is handed out only while it stays valid this much longer: a check that
    // starts with it must still be able to log in.
    static constexpr std::chrono::seconds MinimumValidity{60};

    struct Token
    {
        QByteArray accessToken;
        // The server replaced the refresh token: the caller stores this one instead. Empty
        // when the caller's refresh token stays.
        QByteArray newRefreshToken;
    };

    // Keeps the access token of a sign-in, so the first check needs no refresh.
    void remember(const QString &accountKey, const OAuthTokens &tokens);
    // Drops the account's access token (signed out, account changed or deleted).
    void forget(const QString &accountKey);
    void setCommandTimeout(std::chrono::milliseconds timeout) { m_commandTimeout = timeout; }

    // The account's access token: the kept one while it is fresh enough, else one refreshed
    // with `refreshToken`; for the "command" provider what the command prints, every time.
    // Raises EGeneralError with the reason (for a refused refresh: sign in again).
    QCoro::Task<Token> accessToken(QString accountKey, OAuthConfig config, QByteArray refreshToken);

private:
    struct Kept
    {
        QByteArray accessToken;
        QByteArray refreshToken; // the one it was obtained with, or that came with it
        QDateTime expiresAt;
    };

    struct Refreshing
    {
        QByteArray refreshToken; // the one being used
        std::shared_ptr<TokenOutcome> outcome;
    };

    QCoro::Task<OAuthTokens> refreshShared(const QString &accountKey, const OAuthConfig &config,
                                           const QByteArray &refreshToken);

    QHash<QString, Kept> m_kept;
    QHash<QString, Refreshing> m_refreshing;
    std::chrono::milliseconds m_commandTimeout = OAuthCommand::DefaultTimeout;
};
