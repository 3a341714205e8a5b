#include "KeychainSecretStore.h"

#include "platform/KeyringProbe.h"
#include "platform/Log.h"

#include <QCoro/QCoroSignal>
#include <qt6keychain/keychain.h>

#include <memory>

namespace {

const QString Service = QStringLiteral("Vorlo");

// The coroutine owning a job resumes inside the job's finished() signal and may end there; the
// job is deleted from the event loop, after its signal has returned.
struct DeleteLater
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

template <typename Job> std::unique_ptr<Job, DeleteLater> makeJob(const QString &key)
{
    std::unique_ptr<Job, DeleteLater> job(new Job(Service));
    // Owned here: its results are read after finished().
    job->setAutoDelete(false);
    // Where the keyring fails, the secret is not stored at all rather than stored readable.
    job->setInsecureFallback(false);
    job->setKey(key);
    return job;
}

// Starts the job and returns once it has finished. It starts from the event loop, once the wait
// for finished() is set up, so a job that fails at once cannot finish unseen.
QCoro::Task<> run(QKeychain::Job &job)
{
    QMetaObject::invokeMethod(&job, &QKeychain::Job::start, Qt::QueuedConnection);
    co_await qCoro(&job, &QKeychain::Job::finished);
}

// The error for a failed job: QtKeychain tells a locked keyring or a missing service apart only
// on some systems, so the keyring service is asked what state it is in.
QCoro::Task<ESecretStoreError> failure(const QKeychain::Job &job)
{
    using Reason = ESecretStoreError::Reason;
    const QKeychain::Error code = job.error();
    const QString detail = job.errorString();
    qCDebug(lcSettings) << "keyring failed:" << code << detail;
    const KeyringState state =
        code == QKeychain::NoBackendAvailable ? KeyringState::Missing : co_await probeKeyring();
    if (state == KeyringState::Missing)
        co_return ESecretStoreError(Reason::NoService, detail);
    if (state == KeyringState::Locked)
        co_return ESecretStoreError(Reason::Locked, detail);
    if (code == QKeychain::AccessDenied || code == QKeychain::AccessDeniedByUser)
        co_return ESecretStoreError(Reason::AccessDenied, detail);
    co_return ESecretStoreError(Reason::Other, detail);
}

// Where the keyring is locked, libsecret finds nothing and removes nothing yet reports "not
// found" or success: such an answer counts only where the keyring is not locked.
QCoro::Task<bool> notLocked()
{
    co_return co_await probeKeyring() != KeyringState::Locked;
}

} // namespace

QCoro::Task<std::optional<QByteArray>> KeychainSecretStore::read(const QString &key)
{
    const auto job = makeJob<QKeychain::ReadPasswordJob>(key);
    co_await run(*job);
    if (job->error() == QKeychain::NoError)
        co_return job->binaryData();
    if (job->error() == QKeychain::EntryNotFound && co_await notLocked())
        co_return std::nullopt;
    // Thrown from a variable: GCC 12 destroys the result of a co_await in a throw operand
    // before the throw has copied it.
    const ESecretStoreError error = co_await failure(*job);
    throw error;
}

QCoro::Task<> KeychainSecretStore::write(const QString &key, const QByteArray &secret)
{
    const auto job = makeJob<QKeychain::WritePasswordJob>(key);
    job->setBinaryData(secret);
    co_await run(*job);
    if (job->error() == QKeychain::NoError)
        co_return;
    const ESecretStoreError error = co_await failure(*job);
    throw error;
}

QCoro::Task<> KeychainSecretStore::remove(const QString &key)
{
    const auto job = makeJob<QKeychain::DeletePasswordJob>(key);
    co_await run(*job);
    if ((job->error() == QKeychain::NoError || job->error() == QKeychain::EntryNotFound) &&
        co_await notLocked())
        co_return;
    const ESecretStoreError error = co_await failure(*job);
    throw error;
}
