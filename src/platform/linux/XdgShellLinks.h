#pragma once

#include "platform/ShellLinks.h"

// Shortcuts as XDG desktop entries: the menu's entries in $XDG_DATA_HOME/applications,
// autostart entries in $XDG_CONFIG_HOME/autostart.
class XdgShellLinks : public ShellLinks
{
public:
    QString folderPath(Folder folder) override;
    bool create(Folder folder, const QString &subFolder, const Link &link) override;

    // The desktop entry text for a link.
    static QByteArray entryText(const Link &link);
    // One Exec argument quoted as desktop entries require (before the value escapes).
    static QString quoteArgument(const QString &argument);
};
