#pragma once

#include <QByteArray>
#include <QString>

// The client side of the login mechanisms beyond USER/PASS, as pure message builders: the
// POP3 client sends what these return and hands them what the server answered. Every
// message is raw bytes; the wire carries them in base64.
namespace Sasl {

// PLAIN's single message (RFC 4616): no authorization identity.
QByteArray plainResponse(const QByteArray &user, const QByteArray &password);

// The APOP digest (RFC 1939): hex MD5 of the greeting's timestamp and the password.
QByteArray apopDigest(const QByteArray &timestamp, const QByteArray &password);

// OAUTHBEARER's first message (RFC 7628) and XOAUTH2's.
QByteArray oauthBearerResponse(const QByteArray &user, const QByteArray &accessToken);
QByteArray xoauth2Response(const QByteArray &user, const QByteArray &accessToken);
// What a client answers to the error challenge of a refused token: OAUTHBEARER wants a
// single ^A, XOAUTH2 an empty response.
QByteArray oauthErrorAcknowledgement(const QByteArray &mechanism);
// The reason inside an OAuth error challenge ({"status":"invalid_token",...}), readable;
// empty when the challenge is no such document.
QString oauthErrorReason(const QByteArray &challenge);

// SCRAM-SHA-256 (RFC 5802, RFC 7677) for one login. Raises EGeneralError when the server's
// messages are malformed, change the nonce, ask for too little or too much work, or when
// its signature does not prove it knows the password.
class ScramSha256
{
public:
    // `nonce` empty: a fresh random one (tests pass their own).
    ScramSha256(QByteArray user, QByteArray password, QByteArray nonce = {});

    QByteArray clientFirst() const;
    QByteArray clientFinal(const QByteArray &serverFirst);
    void verifyServerFinal(const QByteArray &serverFinal) const;

    // The bounds on the server's iteration count: fewer is no protection, many more a way
    // to keep the client busy.
    static constexpr int MinIterations = 4096;
    static constexpr int MaxIterations = 1000000;

private:
    QByteArray m_user;
    QByteArray m_password;
    QByteArray m_nonce;
    QByteArray m_clientFirstBare;
    QByteArray m_serverSignature;
};

} // namespace Sasl
