#include "app/display_backend.h"

#include "platform/platform.h"
#include "text/translatable.h"

#include <cstdio>
#include <cstdlib>

#if ZORVEL_GDK_BACKENDS
#include <gdk/gdk.h>
#endif

namespace zc {
namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

DisplayBackendChoice chooseDisplayBackend(const DisplayEnvironment& environment) {
    DisplayBackendChoice choice;
    if (!environment.gdkBackend.empty() || environment.waylandDisplay.empty()) return choice;
    if (!environment.display.empty())
        choice.gdkBackend = "x11";
    else
        choice.positionsIgnored = true;
    return choice;
}

void applyDisplayBackend() {
    const DisplayBackendChoice choice = chooseDisplayBackend(
        {environmentValue("WAYLAND_DISPLAY"), environmentValue("DISPLAY"), environmentValue("GDK_BACKEND")});
    if (!choice.gdkBackend.empty()) {
#if ZORVEL_GDK_BACKENDS
        // Unlike GDK_BACKEND, this binds only this program: what it starts (the browser showing
        // the help) still runs on the user's Wayland session.
        gdk_set_allowed_backends(choice.gdkBackend.c_str());
#else
        platform::setEnvironment("GDK_BACKEND", choice.gdkBackend);
#endif
    }
    if (choice.positionsIgnored)
        std::fprintf(
            stderr, "zorvelcal: %s\n",
            text::translated(N_("this Wayland session has no X server (XWayland), so the calendar cannot "
                                "place its windows; window positions are not kept."))
                .c_str());
}

} // namespace zc
