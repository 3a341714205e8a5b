#include "FixedDefaultHandlers.h"

FixedDefaultHandlers::FixedDefaultHandlers()
{
    DefaultHandlers::setInstance(this);
}

FixedDefaultHandlers::~FixedDefaultHandlers()
{
    if (&DefaultHandlers::instance() == this)
        DefaultHandlers::setInstance(nullptr);
}

void FixedDefaultHandlers::setCommand(const QString &scheme, const QString &command)
{
    m_commands.insert(scheme.toLower(), command);
}

QString FixedDefaultHandlers::openCommand(const QString &scheme)
{
    return m_commands.value(scheme.toLower());
}
