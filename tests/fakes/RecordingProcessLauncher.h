#pragma once

#include "platform/ProcessLauncher.h"

#include <QList>

// Records every start instead of starting anything; answers with a result the test sets.
// Installs itself as ProcessLauncher::instance() for its lifetime.
class RecordingProcessLauncher : public ProcessLauncher
{
public:
    struct Start {
        QString commandLine;
        QString workingDir;
    };

    RecordingProcessLauncher();
    ~RecordingProcessLauncher() override;

    bool start(const QString &commandLine, const QString &workingDir) override;

    void setResult(bool result) { m_result = result; }
    const QList<Start> &starts() const { return m_starts; }
    void clear() { m_starts.clear(); }

private:
    QList<Start> m_starts;
    bool m_result = true;
};
