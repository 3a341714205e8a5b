#include "WinDefaultHandlers.h"

#include <QSettings>

QString WinDefaultHandlers::openCommand(const QString &scheme)
{
    if (scheme.isEmpty() || scheme.contains(QLatin1Char('\\')) || scheme.contains(QLatin1Char('/')))
        return {};
    // Read only: QSettings does not create the key by reading it.
    const QSettings key(QLatin1String("HKEY_CLASSES_ROOT\\") + scheme + QLatin1String("\\shell\\open\\command"),
                        QSettings::NativeFormat);
    return key.value(QStringLiteral(".")).toString();
}
