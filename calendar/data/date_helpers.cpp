#include "data/date_helpers.h"

#include <cstdint>
#include <ctime>

namespace zc {
namespace {

const char* const kShortMonths[] = {"Jan",  "Feb", "March", "April", "May", "June",
                                    "July", "Aug", "Sept",  "Oct",   "Nov", "Dec"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

Time32 fromTm(std::tm tm) {
    tm.tm_isdst = -1;
    return static_cast<Time32>(std::mktime(&tm));
}

#ifndef _WIN32
// Days from 1970-01-01 to a proleptic Gregorian date (month already 1-12).
std::int64_t daysFromCivil(std::int64_t y, int m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

long offsetAt(std::int64_t t) {
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    return tm.tm_gmtoff;
}

// The C library's mktime looks at the time zone file again on every call when TZ is not set,
// which makes loading a large calendar slow. A local time whose offset from UTC is the same three
// hours before and after is unambiguous, so it is computed directly; only the hours around a
// change of daylight saving go to mktime, which decides them as it always has.
bool fastLocalTime(int year, int month, int day, int hour, int minute, Time32& out) {
    std::int64_t y = year;
    int m = month - 1;
    y += m >= 0 ? m / 12 : -((11 - m) / 12);
    m = ((m % 12) + 12) % 12 + 1;
    const std::int64_t wall = daysFromCivil(y, m, 1) * 86400 + (static_cast<std::int64_t>(day) - 1) * 86400 +
                              static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60;
    static thread_local long lastOffset = offsetAt(wall);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::int64_t t = wall - lastOffset;
        const long at = offsetAt(t);
        if (at != lastOffset) {
            lastOffset = at;
            continue;
        }
        if (offsetAt(t - 3 * 3600) != at || offsetAt(t + 3 * 3600) != at) return false;
        if (t < INT32_MIN || t > INT32_MAX) return false;
        out = static_cast<Time32>(t);
        return true;
    }
    return false;
}
#endif

} // namespace

const char* shortMonthName(int month) {
    return month >= 1 && month <= 12 ? kShortMonths[month - 1] : nullptr;
}
const char* monthName(int month) {
    return month >= 1 && month <= 12 ? kMonths[month - 1] : nullptr;
}
const char* weekdayName(int weekday) {
    return weekday >= 1 && weekday <= 7 ? kWeekdays[weekday - 1] : nullptr;
}

int weekdayFromText(std::string_view text) {
    static constexpr std::string_view kAbbreviations[] = {"Sun", "Mon", "Tues", "Wed", "Thur", "Fri"};
    for (int i = 0; i < 6; ++i)
        if (text.find(kAbbreviations[i]) != std::string_view::npos) return i + 1;
    return 7;
}

int daysToWeekday(int fromWeekday, std::string_view text) {
    const int target = weekdayFromText(text);
    return target >= fromWeekday ? target - fromWeekday : target - fromWeekday + 7;
}

int daysInMonth(int year, int month) {
    switch (month) {
    case 2:
        return year % 4 == 0 ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return month >= 1 && month <= 12 ? 31 : 30;
    }
}

Time32 localTime(int year, int month, int day, int hour, int minute) {
#ifndef _WIN32
    Time32 fast = 0;
    if (fastLocalTime(year, month, day, hour, minute, fast)) return fast;
#endif
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    return fromTm(tm);
}

LocalDate toLocal(Time32 t) {
    const std::time_t tt = t;
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &tt);
#else
    localtime_r(&tt, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday + 1};
}

Time32 addCalendarDays(Time32 t, int days) {
    const LocalDate d = toLocal(t);
    std::tm tm{};
    tm.tm_year = d.year - 1900;
    tm.tm_mon = d.month - 1;
    tm.tm_mday = d.day + days;
    tm.tm_hour = d.hour;
    tm.tm_min = d.minute;
    tm.tm_sec = d.second;
    return fromTm(tm);
}

} // namespace zc
