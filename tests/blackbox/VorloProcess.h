#pragma once

// The built program started as a user would, on a settings directory of the test's own.
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>
#include <signal.h>

class VorloProcess
{
public:
    explicit VorloProcess(const QString &settingsDir, QStringList extraArgs = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setWorkingDirectory(settingsDir);
        const QString program = QDir(qEnvironmentVariable("VORLO_BINARY_DIR")).filePath(QStringLiteral("vorlo"));
        m_process.start(program, QStringList{QStringLiteral("-d"), settingsDir} + extraArgs);
    }

    ~VorloProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool started() { return m_process.waitForStarted(10000); }
    void signal(int sig) { ::kill(pid_t(m_process.processId()), sig); }
    // Ends the program as the desktop would and waits for it; true on a clean exit.
    bool terminate(int timeoutMs = 15000)
    {
        signal(SIGTERM);
        return m_process.waitForFinished(timeoutMs) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
};
