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
    const std::string savedAll = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
    unsetenv("LC_ALL");
    // The C locale's "%H:%M:%S" is a machine format: the calendar keeps its 12-hour clock there.
    const struct {
        const char* locale;
        bool twentyFourHour;
        int firstWeekday;
    } rows[] = {{"C", false, 1}, {"C.UTF-8", false, 1}, {"de_DE.UTF-8", true, 2}, {"en_US.UTF-8", false, 1}};
    for (const auto& r : rows) {
        const locale_t generated = newlocale(LC_TIME_MASK, r.locale, nullptr);
        if (!generated) continue; // not generated on this machine
        freelocale(generated);
        setenv("LC_TIME", r.locale, 1);
        const platform::TimeConventions c = platform::localeTimeConventions();
        EXPECT_EQ(std::pair(c.twentyFourHour, c.firstWeekday), std::pair(r.twentyFourHour, r.firstWeekday)) << r.locale;
    }
    unsetenv("LC_TIME");
    if (!savedAll.empty()) setenv("LC_ALL", savedAll.c_str(), 1);
}

} // namespace
} // namespace zc::test
