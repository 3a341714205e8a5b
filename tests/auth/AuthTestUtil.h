#pragma once

#include "auth/OAuthConfig.h"
#include "auth/OAuthSignIn.h"
#include "fixtures/AuthServer.h"
#include "fixtures/ScriptedBrowser.h"
#include "fixtures/SyncWait.h"
#include "platform/GeneralError.h"

#include <chrono>

// A "custom" provider at the test's AuthServer.
inline OAuthConfig configFor(const AuthServer &server)
{
    OAuthConfig fields;
    fields.authUrl = server.url(QStringLiteral("/authorize"));
    fields.tokenUrl = server.url(QStringLiteral("/token"));
    fields.scope = QStringLiteral("pop3 offline");
    fields.clientId = server.clientId();
    return OAuthConfig::forProvider(QStringLiteral("custom"), fields);
}

// A whole sign-in through the scripted browser.
inline OAuthTokens signInThrough(AuthServer &server, ScriptedBrowser &browser)
{
    using namespace std::chrono_literals;
    return syncWait(OAuthSignIn::signIn(configFor(server), browser.opener(), 20s));
}

// The message a coroutine fails with; empty when it succeeds.
template<typename T>
QString failureOf(QCoro::Task<T> &&task)
{
    try {
        syncWait(std::move(task));
    } catch (const EGeneralError &e) {
        return e.message();
    }
    return {};
}
