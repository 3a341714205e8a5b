#pragma once

#include <QString>

// Starts another program detached from this one (the mail program, a text viewer, a browser).
class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    // `commandLine` is a whole command line; `workingDir` may be empty. Returns false when
    // the program could not be started.
    virtual bool start(const QString &commandLine, const QString &workingDir) = 0;

    static ProcessLauncher &instance();
    static void setInstance(ProcessLauncher *launcher); // nullptr restores the real one
};
