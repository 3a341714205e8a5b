#pragma once

#include <QSize>
#include <QString>

class QWindow;

// Small facts about the desktop that differ between operating systems.
namespace Platform {

// Logical pixels per inch of the primary screen, rounded; 96 without a screen.
int screenPpi();
// Size of the primary screen in pixels; 1024 x 768 without a screen.
QSize screenSize();
// True where the windowing system can make a top-level window translucent: Windows, macOS,
// X11 (any compositor honours the opacity, also one started later), Wayland, and offscreen,
// which keeps the opacity, so tests see the controls a desktop shows.
bool transparencyAvailable();
// `dir` joined with `file` by the native separator (not doubled when `dir` ends in one; an
// empty `dir` gives a path at the root, as the separator is still put in).
QString joinPath(const QString &dir, const QString &file);
// The "-d" value with one trailing separator ("/" or "\") removed.
QString stripOneTrailingSeparator(const QString &dir);
// The executable's file name as shortcuts name it ("vorlo" here).
QString executableName();
// The program the start-menu and autostart entries run: on Windows "vorlo.exe" in the settings
// directory, elsewhere this program's own executable (an installed program does not live in
// the settings directory).
QString programPath(const QString &settingsDir);

} // namespace Platform
