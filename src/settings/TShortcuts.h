#pragma once

#include "platform/ShellLinks.h"

#include <QList>
#include <QString>

// The start-menu and autostart entries of one instance of the program. Instances are told
// apart by their instance name (the "-prefs" value): the default instance is "prefs.dat";
// any other one carries its instance number in the name of its program entries.
class TShortcuts
{
public:
    TShortcuts(const QString &settingsDir, const QString &instanceName);

    static bool isDefaultInstance(const QString &instanceName);
    // The name without its first five and last four characters ("prefs12.dat" gives "12");
    // empty for names of nine characters or fewer.
    static QString instanceNumber(const QString &instanceName);
    // "Vorlo" for the default instance, else "Vorlo Instance " and the instance number.
    static QString programLinkName(const QString &instanceName);
    // " -prefs " and the instance name, quoted when it holds blanks so it stays one argument.
    static QString arguments(const QString &instanceName);

    // The entries themselves; documents (read-me, FAQ) open in the desktop's viewer.
    ShellLinks::Link programLink() const;
    QList<ShellLinks::Link> startMenuLinks() const;

    // "Add Shortcut to Startmenu": the program, read-me and FAQ entries in the menu folder
    // "Vorlo". "Add Shortcut to Startup": the program entry in the autostart folder. Entries of
    // the same name are replaced; a failure is silent, as nothing is reported for either.
    void addToStartMenu(ShellLinks &links) const;
    void addToStartup(ShellLinks &links) const;

    static constexpr const char *MenuFolder = "Vorlo";

private:
    ShellLinks::Link document(const QString &name, const QString &file) const;

    QString m_settingsDir;
    QString m_instanceName;
};
