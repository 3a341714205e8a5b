#pragma once

#include <QString>
#include <QStringList>

// Where the settings live when "-d" names no directory, and the files the program ships for a
// settings directory: the default sounds, the read-me and the FAQ.
namespace SettingsDirectory {

// Windows: the working directory. Elsewhere: the working directory when it already holds
// "vorlo.ini" (a directory set up by hand keeps working), else $XDG_CONFIG_HOME/vorlo (default
// ~/.config/vorlo), made private (0700) when it has to be created.
QString defaultDir();

// The files every settings directory should hold.
QStringList shippedFiles();

// The shipped files' folder: share/vorlo beside the installed program's bin/ folder, or
// share/vorlo beside the program in the build tree. Empty when there is none.
QString sharedDataDir();

// Copies each shipped file that `dir` lacks from sharedDataDir(); a file already there (the
// user's own) is never touched. Missing sources or an unwritable directory are skipped.
void copyMissingDefaults(const QString &dir);

} // namespace SettingsDirectory
