#pragma once

#include <QString>

// The user's base directories of the XDG specification; unset or relative values give the
// defaults under the home folder.
namespace XdgBaseDirs {

QString configHome(); // $XDG_CONFIG_HOME, default ~/.config
QString dataHome();   // $XDG_DATA_HOME, default ~/.local/share

} // namespace XdgBaseDirs
