#include "auth/OAuthConfig.h"

#include "platform/GeneralError.h"

namespace {

bool isWebUrl(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty()
           && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

} // namespace

OAuthConfig OAuthConfig::forProvider(const QString &provider, OAuthConfig fields)
{
    fields.provider = provider;
    if (provider == QLatin1String("google")) {
        fields.authUrl = QUrl(QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth"));
        fields.tokenUrl = QUrl(QStringLiteral("https://oauth2.googleapis.com/token"));
        fields.scope = QStringLiteral("https://mail.google.com/");
        // Without them the provider hands out no refresh token, and every check would need a
        // new sign-in after an hour.
        fields.authorizationExtras = {{QStringLiteral("access_type"), QStringLiteral("offline")},
                                      {QStringLiteral("prompt"), QStringLiteral("consent")}};
    } else if (provider == QLatin1String("microsoft")) {
        fields.authUrl = QUrl(QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/authorize"));
        fields.tokenUrl = QUrl(QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/token"));
        fields.scope = QStringLiteral("https://outlook.office.com/POP.AccessAsUser.All offline_access");
        fields.authorizationExtras.clear();
    } else if (provider != QLatin1String("custom") && provider != QLatin1String("command")) {
        throw EGeneralError(QStringLiteral("Unknown sign-in provider \"%1\"").arg(provider));
    }
    return fields;
}

void OAuthConfig::check() const
{
    if (isCommand()) {
        if (command.trimmed().isEmpty())
            throw EGeneralError(QStringLiteral("No OAuth command is set for this account"));
        return;
    }
    if (clientId.trimmed().isEmpty())
        throw EGeneralError(QStringLiteral("No OAuth client id is set for this account: register Vorlo "
                                           "with the mail provider and enter the client id it gives"));
    if (!isWebUrl(authUrl) || !isWebUrl(tokenUrl))
        throw EGeneralError(QStringLiteral("The sign-in needs an authorization and a token address "
                                           "(http or https)"));
}
