#include "SecretMoves.h"

#include "SecretStore.h"

// Everything is taken by value: what a reference parameter names may be gone by the time the
// coroutine resumes.
QCoro::Task<> moveToKeyring(QString key, QByteArray secret, std::function<void()> forgetOld)
{
    co_await SecretStore::keyring().write(key, secret);
    if (forgetOld)
        forgetOld();
}

QCoro::Task<QByteArray> takeFromKeyring(QString key, std::function<void(const QByteArray &)> keep)
{
    SecretStore &keyring = SecretStore::keyring();
    const QByteArray secret = (co_await keyring.read(key)).value_or(QByteArray());
    if (keep)
        keep(secret);
    co_await keyring.remove(key);
    co_return secret;
}
