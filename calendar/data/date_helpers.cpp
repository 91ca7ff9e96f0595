#include "data/date_helpers.h"

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
