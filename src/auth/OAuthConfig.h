#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <utility>

// Where and as whom an account signs in. Vorlo ships no registered client: every provider but
// "command" needs the client id the user registered with the provider.
struct OAuthConfig
{
    // "google", "microsoft", "custom" (endpoints from the fields) or "command" (an access
    // token printed by `command`).
    QString provider;
    QUrl authUrl;
    QUrl tokenUrl;
    QString scope;
    QString clientId;
    QString clientSecret; // optional: installed programs are public clients
    QString command;
    // Further query items of the authorization request (a provider's way to ask for a
    // refresh token).
    QList<std::pair<QString, QString>> authorizationExtras;

    // `fields` with the provider set and, for "google" and "microsoft", the endpoints and
    // scope of their mail access filled in. Raises EGeneralError for an unknown provider.
    static OAuthConfig forProvider(const QString &provider, OAuthConfig fields = {});

    bool isCommand() const { return provider == QLatin1String("command"); }
    // Raises EGeneralError saying what is missing: a client id, usable endpoints, a command.
    void check() const;
};
