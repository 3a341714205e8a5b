#pragma once

#include "platform/ProcessLauncher.h"

// Splits the command line as a shell would (quotes group words) and starts the program
// detached, so it outlives this one.
class DetachedProcessLauncher : public ProcessLauncher
{
public:
    bool start(const QString &commandLine, const QString &workingDir) override;
};
