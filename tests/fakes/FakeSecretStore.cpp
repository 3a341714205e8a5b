#include "FakeSecretStore.h"

FakeSecretStore::FakeSecretStore()
{
    SecretStore::setKeyring(this);
}

FakeSecretStore::~FakeSecretStore()
{
    if (&SecretStore::keyring() == this)
        SecretStore::setKeyring(nullptr);
}

void FakeSecretStore::failIfLocked() const
{
    if (m_locked)
        throw ESecretStoreError(ESecretStoreError::Reason::Locked);
}

QCoro::Task<std::optional<QByteArray>> FakeSecretStore::read(const QString &key)
{
    failIfLocked();
    const auto found = m_secrets.constFind(key);
    co_return found == m_secrets.cend() ? std::nullopt : std::optional<QByteArray>(*found);
}

QCoro::Task<> FakeSecretStore::write(const QString &key, const QByteArray &secret)
{
    failIfLocked();
    m_secrets.insert(key, secret);
    co_return;
}

QCoro::Task<> FakeSecretStore::remove(const QString &key)
{
    failIfLocked();
    m_secrets.remove(key);
    co_return;
}
