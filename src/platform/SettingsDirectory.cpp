#include "SettingsDirectory.h"

#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace SettingsDirectory {

QStringList shippedFiles()
{
    return {QStringLiteral("Ding.wav"), QStringLiteral("Incoming Mail.wav"), QStringLiteral("readme.txt"),
            QStringLiteral("faq.txt")};
}

QString sharedDataDir()
{
    if (!QCoreApplication::instance())
        return QString();
    const QString appDir = QCoreApplication::applicationDirPath();
    for (const QString &candidate : {appDir + QLatin1String("/../share/vorlo"), appDir + QLatin1String("/share/vorlo")}) {
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
    }
    return QString();
}

void copyMissingDefaults(const QString &dir)
{
    const QString source = sharedDataDir();
    if (source.isEmpty() || !QFileInfo(dir).isDir())
        return;
    for (const QString &name : shippedFiles()) {
        const QString target = Platform::joinPath(dir, name);
        // QFile::copy never replaces an existing file; a dangling link counts as the user's too.
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
            continue;
        const QString from = QDir(source).filePath(name);
        if (QFileInfo(from).isFile() && QFile::copy(from, target))
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

} // namespace SettingsDirectory
