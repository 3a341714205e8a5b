#pragma once

#include "platform/SecretStoreError.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

// Secrets kept by the system's keyring (the Secret Service on Linux, the credential store on
// Windows) under this program's name, one per key. Every operation waits for the keyring
// without blocking and raises ESecretStoreError when it fails.
class SecretStore
{
public:
    virtual ~SecretStore() = default;

    // The stored secret, nullopt when nothing is stored under the key.
    [[nodiscard]] virtual QCoro::Task<std::optional<QByteArray>> read(const QString &key) = 0;
    // Stores the secret, replacing what was stored under the key.
    [[nodiscard]] virtual QCoro::Task<> write(const QString &key, const QByteArray &secret) = 0;
    // Removes what is stored under the key; nothing stored is no failure.
    [[nodiscard]] virtual QCoro::Task<> remove(const QString &key) = 0;

    static SecretStore &keyring();
    static void setKeyring(SecretStore *store); // nullptr restores the real one
};
