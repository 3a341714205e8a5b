#pragma once

#include <QString>
#include <QUrl>

// Shows a web page in the user's own browser (a sign-in page, for example).
namespace BrowserLauncher {

// The command line that opens `url`: `xdg-open` on Linux, the registered "http" handler on
// Windows. Empty when there is none.
QString commandLine(const QUrl &url);
// Starts it through ProcessLauncher; false when nothing could be started.
bool open(const QUrl &url);

} // namespace BrowserLauncher
