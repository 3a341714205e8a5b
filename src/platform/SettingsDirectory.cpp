#include "SettingsDirectory.h"

#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace SettingsDirectory {

namespace {

#ifndef Q_OS_WIN
QString configHome()
{
    // The base directory specification ignores relative values.
    const QString dir = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(dir) ? dir : QDir::homePath() + QLatin1String("/.config");
}

QString privateDir(const QString &path)
{
    if (QFileInfo(path).isDir())
        return path;
    // Only the last level is made private; the levels above are the user's.
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (QDir().mkdir(path))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}
#endif

} // namespace

QString defaultDir()
{
    const QString working = QDir::currentPath();
#ifdef Q_OS_WIN
    return working;
#else
    if (QFileInfo(Platform::joinPath(working, QStringLiteral("vorlo.ini"))).isFile())
        return working;
    return privateDir(configHome() + QLatin1String("/vorlo"));
#endif
}

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
