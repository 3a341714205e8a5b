#pragma once

#include "platform/DefaultHandlers.h"

// The shell's open command of a URL scheme, read from HKEY_CLASSES_ROOT\<scheme>\shell\open\command.
class WinDefaultHandlers : public DefaultHandlers
{
public:
    QString openCommand(const QString &scheme) override;
};
