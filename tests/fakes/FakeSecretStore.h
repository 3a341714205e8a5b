#pragma once

#include "platform/SecretStore.h"

#include <QMap>

// A keyring in a map. Set locked, every operation raises the locked error and changes nothing.
// Installs itself as SecretStore::keyring() for its lifetime.
class FakeSecretStore : public SecretStore
{
public:
    FakeSecretStore();
    ~FakeSecretStore() override;

    QCoro::Task<std::optional<QByteArray>> read(const QString &key) override;
    QCoro::Task<> write(const QString &key, const QByteArray &secret) override;
    QCoro::Task<> remove(const QString &key) override;

    void setLocked(bool locked) { m_locked = locked; }
    QMap<QString, QByteArray> &secrets() { return m_secrets; }

private:
    void failIfLocked() const;

    QMap<QString, QByteArray> m_secrets;
    bool m_locked = false;
};
