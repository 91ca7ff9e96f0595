#pragma once
// Which of GTK's display backends the calendar starts on. A Wayland session does not let a program
// place its own windows, so every stored window position ("position", "dayposition", ..., the
// reminder cascade) would be ignored; where the session also runs an X server (XWayland), the
// program starts on it instead, unless the user chose a backend with GDK_BACKEND.
#include <string>

namespace zc {

struct DisplayEnvironment {
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string display;        // DISPLAY
    std::string gdkBackend;     // GDK_BACKEND
};

struct DisplayBackendChoice {
    std::string gdkBackend;        // the one backend GDK may use; empty: GDK's own choice
    bool positionsIgnored = false; // Wayland only: say that window positions are not kept
};

DisplayBackendChoice chooseDisplayBackend(const DisplayEnvironment& environment);

// Reads the environment, restricts GDK to the chosen backend and tells standard error once when
// positions will not be kept. Runs before the toolkit opens the display.
void applyDisplayBackend();

} // namespace zc
