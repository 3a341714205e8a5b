#pragma once

#include "auth/OAuthConfig.h"
#include "auth/OAuthTokens.h"

#include <QCoro/QCoroTask>
#include <QUrl>

#include <chrono>
#include <functional>

// The OAuth2 authorization-code sign-in of an installed program (RFC 8252): the user's browser
// shows the provider's page, the provider sends the browser back to a listener of ours on
// http://127.0.0.1:<free port>/, and the code it brings is exchanged for tokens, proven ours
// by PKCE (RFC 7636, S256). Every failure raises EGeneralError with a reason for the user.
class OAuthSignIn
{
public:
    // Shows the authorization page; false when no browser could be started.
    using OpenUrl = std::function<bool(const QUrl &)>;

    static constexpr std::chrono::minutes DefaultTimeout{5};
    static constexpr std::chrono::seconds RefreshTimeout{30};

    // Opens the page in the user's own browser (BrowserLauncher).
    static OpenUrl defaultOpenUrl();

    // Runs one sign-in until the tokens are there, the user declined, the server refused, or
    // `timeout` passed without an answer.
    static QCoro::Task<OAuthTokens> signIn(OAuthConfig config, OpenUrl open = defaultOpenUrl(),
                                           std::chrono::milliseconds timeout = DefaultTimeout);
    // A new access token for `refreshToken`. The result keeps `refreshToken` when the server
    // sends no new one. A refusal says to sign in again.
    static QCoro::Task<OAuthTokens> refresh(OAuthConfig config, QByteArray refreshToken);
};
