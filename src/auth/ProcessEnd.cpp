#include "auth/ProcessEnd.h"

ProcessEnd::ProcessEnd(QProcess &process)
{
    connect(&process, &QProcess::finished, this, &ProcessEnd::ended, Qt::QueuedConnection);
    connect(&process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            QMetaObject::invokeMethod(this, &ProcessEnd::ended, Qt::QueuedConnection);
    });
}
