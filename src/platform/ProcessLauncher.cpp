#include "ProcessLauncher.h"

#include "Registry.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "windows/WinProcessLauncher.h"
using RealProcessLauncher = WinProcessLauncher;
#else
#include "linux/DetachedProcessLauncher.h"
using RealProcessLauncher = DetachedProcessLauncher;
#endif

ProcessLauncher &ProcessLauncher::instance()
{
    static RealProcessLauncher real;
    return Registry<ProcessLauncher>::get(real);
}

void ProcessLauncher::setInstance(ProcessLauncher *launcher)
{
    Registry<ProcessLauncher>::set(launcher);
}
