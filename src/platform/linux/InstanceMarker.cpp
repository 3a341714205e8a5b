#include "platform/InstanceMarker.h"

#include <QByteArray>

#include <fcntl.h>
#include <semaphore.h>
#include <unistd.h>

// The marker is a POSIX named semaphore whose value counts the markers held. Nobody ever
// waits on it, so it cannot block another copy. The name carries the user id, like a
// Windows mutex lives in the user's session, so users do not see each other's markers.

namespace {

QByteArray semaphoreName(const QString &name)
{
    QByteArray tail = name.toUtf8();
    tail.replace('/', '_');
    tail.truncate(200); // the system limit is NAME_MAX less the "sem." prefix
    return '/' + tail + '.' + QByteArray::number(static_cast<qulonglong>(getuid()));
}

} // namespace

InstanceMarker::InstanceMarker(const QString &name)
    : m_name(name)
{
    sem_t *semaphore = sem_open(semaphoreName(name).constData(), O_CREAT, 0600, 0);
    if (semaphore == SEM_FAILED)
        return;
    sem_post(semaphore);
    m_handle = semaphore;
    m_held = true;
}

InstanceMarker::~InstanceMarker()
{
    if (!m_handle)
        return;
    auto *semaphore = static_cast<sem_t *>(m_handle);
    // Drop our count without blocking; the last holder removes the name.
    int value = 0;
    if (sem_trywait(semaphore) == 0 && sem_getvalue(semaphore, &value) == 0 && value == 0)
        sem_unlink(semaphoreName(m_name).constData());
    sem_close(semaphore);
}

bool InstanceMarker::exists(const QString &name)
{
    sem_t *semaphore = sem_open(semaphoreName(name).constData(), 0);
    if (semaphore == SEM_FAILED)
        return false;
    // A count of 0 is a name the last holder is just removing.
    int value = 0;
    const bool held = sem_getvalue(semaphore, &value) == 0 && value > 0;
    sem_close(semaphore);
    return held;
}
