#include "platform/InstanceMarker.h"

#include <windows.h>

// A named mutex in the user's session, never owned and never waited on; the system removes
// it when the last handle closes.

InstanceMarker::InstanceMarker(const QString &name)
    : m_name(name)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<LPCWSTR>(name.utf16()));
    if (!mutex)
        return;
    m_handle = mutex;
    m_held = true;
}

InstanceMarker::~InstanceMarker()
{
    if (m_handle)
        CloseHandle(static_cast<HANDLE>(m_handle));
}

bool InstanceMarker::exists(const QString &name)
{
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, reinterpret_cast<LPCWSTR>(name.utf16()));
    if (!mutex)
        return false;
    CloseHandle(mutex);
    return true;
}
