#include "auth/Pkce.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <array>

namespace {

constexpr auto Base64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

} // namespace

QByteArray Pkce::newVerifier()
{
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.data()), sizeof words).toBase64(Base64Url);
}

QByteArray Pkce::challengeOf(const QByteArray &verifier)
{
    return QCryptographicHash::hash(verifier, QCryptographicHash::Sha256).toBase64(Base64Url);
}
