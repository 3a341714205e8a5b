#include "platform/SettingsDirectory.h"

#include <QDir>

QString SettingsDirectory::defaultDir()
{
    // The working directory, which the start-menu and autostart shortcuts set.
    return QDir::currentPath();
}
