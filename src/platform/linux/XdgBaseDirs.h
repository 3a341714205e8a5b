#pragma once

#include <QString>

// The user's XDG base directories; unset or relative values give the
// defaults under the home folder.
namespace XdgBaseDirs {

QString configHome(); // $XDG_CONFIG_HOME, default ~/.config
QString dataHome();   // $XDG_DATA_HOME, default ~/.local/share

} // namespace XdgBaseDirs
