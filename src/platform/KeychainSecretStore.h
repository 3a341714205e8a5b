#pragma once

#include "platform/SecretStore.h"

// The system's keyring through QtKeychain: the Secret Service on Linux, the credential store on
// Windows. Secrets are stored as bytes under the service "Vorlo"; nothing ever falls back to a
// plain-text file.
class KeychainSecretStore : public SecretStore
{
public:
    QCoro::Task<std::optional<QByteArray>> read(const QString &key) override;
    QCoro::Task<> write(const QString &key, const QByteArray &secret) override;
    QCoro::Task<> remove(const QString &key) override;
};
