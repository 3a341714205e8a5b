#pragma once

#include <QString>

// Start-menu and autostart entries for the program and its documents.
class ShellLinks
{
public:
    enum class Folder { Programs, Startup };

    struct Link {
        QString name;       // file name of the entry without extension
        QString target;     // program or document
        QString arguments;  // command-line tail, e.g. " -prefs prefs.dat"; desktop entries of
                            // documents (Linux) have no place for it
        QString workingDir; // desktop entries (Linux) carry it for programs only
        bool document = false;
    };

    virtual ~ShellLinks() = default;
    virtual QString folderPath(Folder folder) = 0;
    // Creates or replaces the entry in `folder`/`subFolder` (subFolder may be empty), making
    // missing folders. False when it was not written (also for a name that is not one
    // plain file name).
    virtual bool create(Folder folder, const QString &subFolder, const Link &link) = 0;

    static ShellLinks &instance();
    static void setInstance(ShellLinks *links); // nullptr restores the real one
};
