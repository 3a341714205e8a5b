#include "XdgBaseDirs.h"

#include <QDir>

namespace {

QString baseDir(const char *variable, const QString &fallback)
{
    // Relative values name no base directory and are ignored.
    const QString dir = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(dir) ? dir : QDir::homePath() + fallback;
}

} // namespace

namespace XdgBaseDirs {

QString configHome()
{
    return baseDir("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString dataHome()
{
    return baseDir("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

} // namespace XdgBaseDirs
