#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

// The windowing platform the program runs on. A Wayland compositor gives a client no absolute
// position and no always-on-top, so placement, floating, "Always on Top" and Reset would do
// nothing there; where the session offers X11 as well (XWayland), the program runs on X11.
namespace DisplayPlatform {

// The value for QT_QPA_PLATFORM in the environment `env`, or empty to leave Qt's own choice:
// X11 (falling back to Wayland should its plugin be missing) in a Wayland session with
// XWayland, unless the user named a platform.
QByteArray choose(const QProcessEnvironment &env);

// Whether to turn off Qt's shared-memory window images on X11 (QT_XCB_NO_MITSHM) in `env`:
// with them, every repaint first waits for a round trip to the X server, so each blink of a
// field and each tray frame woke the program twice. Its windows are small; copying their pixels
// over the connection costs less. Not when the user set the variable either way.
bool plainWindowImages(const QProcessEnvironment &env);

// Applies both choices to this process; to be called before the application object exists.
void applyBeforeApplication();

} // namespace DisplayPlatform
