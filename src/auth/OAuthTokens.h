#pragma once

#include <QByteArray>
#include <QDateTime>

// What a sign-in or a refresh yields.
struct OAuthTokens
{
    QByteArray accessToken;
    QByteArray refreshToken; // empty when the server gave none
    QDateTime expiresAt;     // UTC
};
