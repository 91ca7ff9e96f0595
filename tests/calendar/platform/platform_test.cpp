#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace zc::test {
namespace {

// TZ names the zone in any of the forms the C library accepts; only the zone's name is kept.
TEST(LocalZoneTest, TzNamesTheZoneInEveryFormTheCLibraryTakes) {
    const char* before = std::getenv("TZ");
    const bool wasSet = before != nullptr;
    const std::string saved = wasSet ? before : "";
    const std::pair<const char*, const char*> rows[] = {
        {"Europe/Berlin", "Europe/Berlin"},
        {":America/New_York", "America/New_York"},
        {"/usr/share/zoneinfo/Asia/Tokyo", "Asia/Tokyo"},
        {":/usr/share/zoneinfo/America/Argentina/Buenos_Aires", "America/Argentina/Buenos_Aires"},
        {"UTC", "UTC"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", "CET-1CEST,M3.5.0,M10.5.0/3"},
    };
    for (const auto& [tz, name] : rows) {
        setenv("TZ", tz, 1);
        EXPECT_EQ(platform::localZoneName(), name) << tz;
    }
    if (wasSet)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
}

} // namespace
} // namespace zc::test
