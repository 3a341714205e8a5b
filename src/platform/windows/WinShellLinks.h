#pragma once

#include "platform/ShellLinks.h"

// Shell links (.lnk) in the user's Programs and Startup folders.
class WinShellLinks : public ShellLinks
{
public:
    QString folderPath(Folder folder) override;
    bool create(Folder folder, const QString &subFolder, const Link &link) override;
};
