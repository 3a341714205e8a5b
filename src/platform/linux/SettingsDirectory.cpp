#include "platform/SettingsDirectory.h"

#include "XdgBaseDirs.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString SettingsDirectory::defaultDir()
{
    const QString working = QDir::currentPath();
    if (QFileInfo(Platform::joinPath(working, QStringLiteral("vorlo.ini"))).isFile())
        return working;
    const QString dir = XdgBaseDirs::configHome() + QLatin1String("/vorlo");
    if (QFileInfo(dir).isDir())
        return dir;
    // Only the last level is made private; the levels above are the user's.
    QDir().mkpath(QFileInfo(dir).absolutePath());
    if (QDir().mkdir(dir))
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir;
}
