#include "DetachedProcessLauncher.h"

#include <QProcess>

bool DetachedProcessLauncher::start(const QString &commandLine, const QString &workingDir)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    // startDetached reports a failed exec or chdir of the child, not only a failed fork.
    return QProcess::startDetached(program, arguments, workingDir);
}
