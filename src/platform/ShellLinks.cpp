#include "ShellLinks.h"

#include "Registry.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "windows/WinShellLinks.h"
using RealShellLinks = WinShellLinks;
#else
#include "linux/XdgShellLinks.h"
using RealShellLinks = XdgShellLinks;
#endif

ShellLinks &ShellLinks::instance()
{
    static RealShellLinks real;
    return Registry<ShellLinks>::get(real);
}

void ShellLinks::setInstance(ShellLinks *links)
{
    Registry<ShellLinks>::set(links);
}
