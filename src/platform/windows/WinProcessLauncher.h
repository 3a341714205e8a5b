#pragma once

#include "platform/ProcessLauncher.h"

// CreateProcessW with the command line as given: a new console, normal priority, the
// window shown normally, no inherited handles.
class WinProcessLauncher : public ProcessLauncher
{
public:
    bool start(const QString &commandLine, const QString &workingDir) override;
};
