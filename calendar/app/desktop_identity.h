#pragma once
// How the calendar's windows tell the desktop which program they belong to, so that docks and
// task bars group them with the calendar's desktop entry (com.ombrix.ZorvelCal.desktop).

namespace zc {

// The desktop entry's id without ".desktop", which Wayland compositors take as the application id.
inline constexpr const char* kDesktopEntryId = "com.ombrix.ZorvelCal";

// Names the program after its desktop entry. Called before the toolkit starts: the toolkit gives
// that name to every window as its Wayland application id and the instance half of its X11 class.
// The class half is the program's display name, "Zorvel Calendar", which the desktop entry names
// as its StartupWMClass.
void useDesktopEntryIdentity();

} // namespace zc
