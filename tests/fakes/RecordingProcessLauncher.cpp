#include "RecordingProcessLauncher.h"

RecordingProcessLauncher::RecordingProcessLauncher()
{
    ProcessLauncher::setInstance(this);
}

RecordingProcessLauncher::~RecordingProcessLauncher()
{
    if (&ProcessLauncher::instance() == this)
        ProcessLauncher::setInstance(nullptr);
}

bool RecordingProcessLauncher::start(const QString &commandLine, const QString &workingDir)
{
    m_starts << Start{commandLine, workingDir};
    return m_result;
}
