#pragma once

class TF_CheckerWindow;
class TCoolTrayIcon;
class TAgBlend;

// The checker window's desktop parts: its tray icon `CoolTrayIcon1`, its transparency and the
// program icon. Made right after the checker window, before the other forms.
namespace TCheckerDesktop {

// The tray icon configured as the checker window uses it, showing the state the window is in
// now (offline when its start-up went offline), registered on the window and freed by its exit.
TCoolTrayIcon *createTrayIcon(TF_CheckerWindow &window);
// The transparency component, registered on the window; the window's apply step configures it.
TAgBlend *createTransparency(TF_CheckerWindow &window);
// Both, the program icon on the window, and the start-up's apply-transparency step once more:
// it ran before the component existed.
void install(TF_CheckerWindow &window);

} // namespace TCheckerDesktop
