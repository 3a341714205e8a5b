#pragma once

#include "auth/OAuthTokens.h"

#include <QString>
#include <QVariantMap>

// The token endpoint's answers (RFC 6749 section 5), for the sign-in and the refresh alike.
namespace TokenReply {

// The tokens of a successful answer. A missing "expires_in" counts as one hour, the common
// lifetime. Raises EGeneralError when the answer carries an "error" or no access token.
OAuthTokens tokensFrom(const QVariantMap &values);
// The body's JSON object; empty when it is none.
QVariantMap parse(const QByteArray &body);
// Why a token request failed: the server's refusal when the body holds one, else the
// transport's error text.
QString failureOf(const QByteArray &body, const QString &transportError);
// The server's own words of a refusal, "error: error_description"; empty when `values` holds
// no "error".
QString refusalOf(const QVariantMap &values);

} // namespace TokenReply
