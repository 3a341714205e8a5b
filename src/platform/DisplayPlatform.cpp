#include "platform/DisplayPlatform.h"

#include "platform/Log.h"

#include <QtGlobal>

QByteArray DisplayPlatform::choose(const QProcessEnvironment &env)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (!env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        return {};
    const bool wayland = !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()
        || env.value(QStringLiteral("XDG_SESSION_TYPE")).compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
    if (wayland && !env.value(QStringLiteral("DISPLAY")).isEmpty())
        return QByteArrayLiteral("xcb;wayland");
    return {};
#else
    Q_UNUSED(env);
    return {};
#endif
}

bool DisplayPlatform::plainWindowImages(const QProcessEnvironment &env)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    return !env.contains(QStringLiteral("QT_XCB_NO_MITSHM"));
#else
    Q_UNUSED(env);
    return false;
#endif
}

void DisplayPlatform::applyBeforeApplication()
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (plainWindowImages(env))
        qputenv("QT_XCB_NO_MITSHM", "1");
    const QByteArray platform = choose(env);
    if (platform.isEmpty())
        return;
    qputenv("QT_QPA_PLATFORM", platform);
    qCDebug(lcUi) << "Wayland session with XWayland: running on" << platform;
}
