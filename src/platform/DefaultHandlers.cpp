#include "DefaultHandlers.h"

#include "Registry.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "windows/WinDefaultHandlers.h"
using RealDefaultHandlers = WinDefaultHandlers;
#else
#include "linux/XdgDefaultHandlers.h"
using RealDefaultHandlers = XdgDefaultHandlers;
#endif

DefaultHandlers &DefaultHandlers::instance()
{
    static RealDefaultHandlers real;
    return Registry<DefaultHandlers>::get(real);
}

void DefaultHandlers::setInstance(DefaultHandlers *handlers)
{
    Registry<DefaultHandlers>::set(handlers);
}
