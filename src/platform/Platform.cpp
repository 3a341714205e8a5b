#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

namespace Platform {

int screenPpi()
{
    const QScreen *screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!screen)
        return 96;
    return qRound(screen->logicalDotsPerInch());
}

QSize screenSize()
{
    const QScreen *screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

bool transparencyAvailable()
{
    if (!qGuiApp)
        return false;
    // Window opacity is honoured by these windowing systems (on X11 by any compositor, also
    // one started later, since the opacity is a window property). The offscreen platform
    // stores the opacity, so it is offered there too and tests see the same controls as a
    // desktop. Framebuffer and single-surface platforms have no per-window opacity.
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("windows") || name == QLatin1String("cocoa") || name == QLatin1String("xcb")
        || name.startsWith(QLatin1String("wayland")) || name == QLatin1String("offscreen");
}

QString joinPath(const QString &dir, const QString &file)
{
    const QChar separator = QDir::separator();
    if (dir.endsWith(separator) || dir.endsWith(QLatin1Char('/')))
        return dir + file;
    return dir + separator + file;
}

QString stripOneTrailingSeparator(const QString &dir)
{
    if (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))
        return dir.chopped(1);
    return dir;
}

QString executableName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("vorlo.exe");
#else
    return QStringLiteral("vorlo");
#endif
}

QString programPath(const QString &settingsDir)
{
#ifdef Q_OS_WIN
    return joinPath(settingsDir, executableName());
#else
    if (!QCoreApplication::instance())
        return joinPath(settingsDir, executableName());
    return QCoreApplication::applicationFilePath();
#endif
}

} // namespace Platform
