#include "app/display_backend.h"

#include <gtest/gtest.h>

namespace zc::test {
namespace {

TEST(DisplayBackend, StartsOnXWaylandWherePossibleAndLeavesTheUsersChoiceAlone) {
    struct Row {
        DisplayEnvironment environment;
        std::string gdkBackend;
        bool positionsIgnored;
    };
    const Row rows[] = {
        {{"", ":0", ""}, "", false},                      // X11 session
        {{"wayland-0", ":0", ""}, "x11", false},          // Wayland with XWayland
        {{"wayland-0", "", ""}, "", true},                // Wayland only
        {{"wayland-0", ":0", "wayland"}, "", false},      // the user's choice
        {{"wayland-0", "", "x11"}, "", false},            // the user's choice, even a failing one
        {{"", "", ""}, "", false},                        // no display at all: the toolkit says so
        {{"/run/user/1000/wayland-1", ":1", ""}, "x11", false},
    };
    for (const Row& row : rows) {
        const DisplayBackendChoice choice = chooseDisplayBackend(row.environment);
        EXPECT_EQ(choice.gdkBackend, row.gdkBackend) << row.environment.waylandDisplay << "|"
                                                     << row.environment.display << "|" << row.environment.gdkBackend;
        EXPECT_EQ(choice.positionsIgnored, row.positionsIgnored) << row.environment.waylandDisplay << "|"
                                                                 << row.environment.display;
    }
}

} // namespace
} // namespace zc::test
