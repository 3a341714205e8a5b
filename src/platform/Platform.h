#pragma once

#include <QString>

class QWindow;

// Small facts about the desktop that differ between operating systems.
namespace Platform {

// Logical pixels per inch of the primary screen.
int screenPpi();
// True where the windowing system can make a top-level window translucent.
bool transparencyAvailable();
// `dir` joined with `file` by the native separator.
QString joinPath(const QString &dir, const QString &file);
// The "-d" value with one trailing separator ("/" or "\") removed.
QString stripOneTrailingSeparator(const QString &dir);
// The executable's file name as shortcuts name it ("vorlo" here).
QString executableName();

} // namespace Platform
