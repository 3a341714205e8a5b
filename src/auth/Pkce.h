#pragma once

#include <QByteArray>

// Proof Key for Code Exchange (RFC 7636, method S256): the sign-in proves to the token
// endpoint that it is the one that started the authorization.
namespace Pkce {

// A fresh random verifier: 43 characters of the unreserved set, 256 bits of randomness.
QByteArray newVerifier();
// BASE64URL(SHA256(verifier)) without padding.
QByteArray challengeOf(const QByteArray &verifier);

} // namespace Pkce
