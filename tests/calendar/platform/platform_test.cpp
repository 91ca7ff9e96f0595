#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <locale.h>
#include <string_view>
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

TEST(LocaleTimeConventionsTest, LcTimeGivesTheClockAndTheFirstWeekday) {
    const char* all = std::getenv("LC_ALL");
    const char* time = std::getenv("LC_TIME");
    const std::string savedAll = all ? all : "", savedTime = time ? time : "";
    unsetenv("LC_ALL");
    const struct {
        const char* locale;
        bool twentyFourHour;
        int firstWeekday;
    } rows[] = {
        // The C locale's "%H:%M:%S" is a machine format: the calendar keeps its 12-hour clock.
        {"C", false, 1}, {"POSIX", false, 1}, {"C.UTF-8", false, 1},
        {"de_DE.UTF-8", true, 2}, {"en_US.UTF-8", false, 1}, {"en_GB.UTF-8", true, 2},
    };
    for (const auto& r : rows) {
        setenv("LC_TIME", r.locale, 1);
        // A locale the machine lacks falls back to C, tested above.
        const locale_t generated = newlocale(LC_TIME_MASK, r.locale, nullptr);
        if (!generated) continue;
        freelocale(generated);
        const platform::TimeConventions c = platform::localeTimeConventions();
        EXPECT_EQ(c.twentyFourHour, r.twentyFourHour) << r.locale;
        EXPECT_EQ(c.firstWeekday, r.firstWeekday) << r.locale;
    }
    if (all) setenv("LC_ALL", savedAll.c_str(), 1);
    if (time)
        setenv("LC_TIME", savedTime.c_str(), 1);
    else
        unsetenv("LC_TIME");
}

} // namespace
} // namespace zc::test
