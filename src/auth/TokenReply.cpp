#include "auth/TokenReply.h"

#include "platform/GeneralError.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr qint64 AssumedLifetimeSecs = 3600;

QString refused(const QString &refusal)
{
    return QStringLiteral("The sign-in server refused the token request (%1)").arg(refusal);
}

} // namespace

QVariantMap TokenReply::parse(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    return document.isObject() ? document.object().toVariantMap() : QVariantMap{};
}

QString TokenReply::refusalOf(const QVariantMap &values)
{
    const QString error = values.value(QStringLiteral("error")).toString();
    if (error.isEmpty())
        return {};
    const QString description = values.value(QStringLiteral("error_description")).toString();
    return description.isEmpty() ? error : error + QStringLiteral(": ") + description;
}

QString TokenReply::failureOf(const QByteArray &body, const QString &transportError)
{
    const QString refusal = refusalOf(parse(body));
    return refusal.isEmpty()
               ? QStringLiteral("The sign-in server could not be reached for a token (%1)").arg(transportError)
               : refused(refusal);
}

OAuthTokens TokenReply::tokensFrom(const QVariantMap &values)
{
    const QString refusal = refusalOf(values);
    if (!refusal.isEmpty())
        throw EGeneralError(refused(refusal));
    OAuthTokens tokens;
    tokens.accessToken = values.value(QStringLiteral("access_token")).toString().toUtf8();
    if (tokens.accessToken.isEmpty())
        throw EGeneralError(QStringLiteral("The sign-in server sent no access token"));
    tokens.refreshToken = values.value(QStringLiteral("refresh_token")).toString().toUtf8();
    bool ok = false;
    qint64 lifetime = values.value(QStringLiteral("expires_in")).toLongLong(&ok);
    if (!ok || lifetime <= 0)
        lifetime = AssumedLifetimeSecs;
    tokens.expiresAt = QDateTime::currentDateTimeUtc().addSecs(lifetime);
    return tokens;
}
