#include "net/Sasl.h"

#include "platform/GeneralError.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace Sasl {

namespace {

[[noreturn]] void malformed(const char *what)
{
    throw EGeneralError(QStringLiteral("The server's SCRAM-SHA-256 %1").arg(QLatin1String(what)));
}

QByteArray hmac(const QByteArray &key, const QByteArray &message)
{
    return QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Sha256);
}

QByteArray sha256(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}

QByteArray exclusiveOr(QByteArray a, const QByteArray &b)
{
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i)
        a[i] = char(a.at(i) ^ b.at(i));
    return a;
}

// A name inside a SCRAM message: "," and "=" would end or confuse its attribute.
QByteArray scramName(QByteArray name)
{
    return name.replace('=', "=3D").replace(',', "=2C");
}

// The value of attribute `key` ("r", "s", ...) of a SCRAM message; empty when missing.
QByteArray attribute(const QByteArray &message, char key)
{
    for (const QByteArray &part : message.split(',')) {
        if (part.size() >= 2 && part.at(0) == key && part.at(1) == '=')
            return part.mid(2);
    }
    return {};
}

} // namespace

QByteArray plainResponse(const QByteArray &user, const QByteArray &password)
{
    return QByteArray(1, '\0') + user + QByteArray(1, '\0') + password;
}

QByteArray apopDigest(const QByteArray &timestamp, const QByteArray &password)
{
    return QCryptographicHash::hash(timestamp + password, QCryptographicHash::Md5).toHex();
}

QByteArray oauthBearerResponse(const QByteArray &user, const QByteArray &accessToken)
{
    return "n,a=" + scramName(user) + ",\x01" "auth=Bearer " + accessToken + "\x01\x01";
}

QByteArray xoauth2Response(const QByteArray &user, const QByteArray &accessToken)
{
    return "user=" + user + "\x01" "auth=Bearer " + accessToken + "\x01\x01";
}

QByteArray oauthErrorAcknowledgement(const QByteArray &mechanism)
{
    return mechanism == "OAUTHBEARER" ? QByteArray("\x01") : QByteArray();
}

QString oauthErrorReason(const QByteArray &challenge)
{
    const QJsonDocument doc = QJsonDocument::fromJson(challenge);
    if (!doc.isObject())
        return {};
    const QString status = doc.object().value(QLatin1String("status")).toString();
    if (status.isEmpty())
        return {};
    return QStringLiteral("the server refused the access token (%1)").arg(status.left(100));
}

ScramSha256::ScramSha256(QByteArray user, QByteArray password, QByteArray nonce)
    : m_user(std::move(user)), m_password(std::move(password)), m_nonce(std::move(nonce))
{
    if (m_nonce.isEmpty()) {
        QByteArray random(24, Qt::Uninitialized);
        QRandomGenerator::system()->generate(random.begin(), random.end());
        m_nonce = random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    }
    m_clientFirstBare = "n=" + scramName(m_user) + ",r=" + m_nonce;
}

QByteArray ScramSha256::clientFirst() const
{
    return "n,," + m_clientFirstBare;
}

QByteArray ScramSha256::clientFinal(const QByteArray &serverFirst)
{
    if (serverFirst.startsWith("e="))
        throw EGeneralError(QStringLiteral("The server ended the SCRAM-SHA-256 login: %1")
                                .arg(QString::fromUtf8(serverFirst.mid(2).left(200))));
    const QByteArray nonce = attribute(serverFirst, 'r');
    const QByteArray salt = QByteArray::fromBase64(attribute(serverFirst, 's'));
    bool numeric = false;
    const int iterations = attribute(serverFirst, 'i').toInt(&numeric);
    if (!nonce.startsWith(m_nonce) || nonce.size() == m_nonce.size())
        malformed("nonce does not continue ours");
    if (salt.isEmpty())
        malformed("message has no salt");
    if (!numeric || iterations < MinIterations || iterations > MaxIterations)
        malformed("iteration count is out of bounds");

    const QByteArray salted = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, m_password, salt,
                                                                 iterations, 32);
    const QByteArray clientKey = hmac(salted, "Client Key");
    const QByteArray withoutProof = "c=biws,r=" + nonce;
    const QByteArray authMessage = m_clientFirstBare + ',' + serverFirst + ',' + withoutProof;
    const QByteArray signature = hmac(sha256(clientKey), authMessage);
    m_serverSignature = hmac(hmac(salted, "Server Key"), authMessage);
    return withoutProof + ",p=" + exclusiveOr(clientKey, signature).toBase64();
}

void ScramSha256::verifyServerFinal(const QByteArray &serverFinal) const
{
    if (serverFinal.startsWith("e="))
        throw EGeneralError(QStringLiteral("The server refused the SCRAM-SHA-256 login: %1")
                                .arg(QString::fromUtf8(serverFinal.mid(2).left(200))));
    const QByteArray verifier = QByteArray::fromBase64(attribute(serverFinal, 'v'));
    if (m_serverSignature.isEmpty() || verifier != m_serverSignature)
        throw EGeneralError(QStringLiteral("The server could not prove it knows the password (SCRAM-SHA-256 "
                                           "signature wrong); the login was abandoned"));
}

} // namespace Sasl
