#include "data/date_helpers.h"

#include "platform/platform.h"
#include "text/translatable.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

namespace zc {
namespace {

// Short names for headings; the windows show them translated, as they do the full ones.
const char* const kShortMonths[] = {N_("Jan"),  N_("Feb"), N_("March"), N_("April"), N_("May"), N_("June"),
                                    N_("July"), N_("Aug"), N_("Sept"),  N_("Oct"),   N_("Nov"), N_("Dec")};
// English here, as stored and imported texts use them; windows show them translated.
const char* const kMonths[] = {N_("January"),   N_("February"), N_("March"),    N_("April"),
                               N_("May"),       N_("June"),     N_("July"),     N_("August"),
                               N_("September"), N_("October"),  N_("November"), N_("December")};
const char* const kWeekdays[] = {N_("Sunday"),   N_("Monday"), N_("Tuesday"), N_("Wednesday"),
                                 N_("Thursday"), N_("Friday"), N_("Saturday")};

// Days from 1970-01-01 to a proleptic Gregorian date (month already 1-12).
std::int64_t daysFromCivil(std::int64_t y, int m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The local wall-clock reading of a time, as seconds on a clock that knows no zones.
std::int64_t wallSeconds(const std::tm& tm) {
    return daysFromCivil(tm.tm_year + 1900LL, tm.tm_mon + 1, tm.tm_mday) * 86400 + tm.tm_hour * 3600LL +
           tm.tm_min * 60LL + tm.tm_sec;
}

// Seconds the local clock is ahead of UTC at time t. Computed from the broken-down local time
// rather than a platform field, so that every platform decides it alike.
std::int64_t offsetAt(std::int64_t t) {
    std::tm tm{};
    return platform::localTimeFields(t, tm) ? wallSeconds(tm) - t : 0;
}

// No zone is more than 26 hours from UTC, so the offsets that can apply to a wall time are the
// ones in force a day and two hours either side of it.
constexpr std::int64_t kReach = 26 * 3600;

// The day of the innermost LocalDayMemo living on this thread.
thread_local LocalDayMemo::Day* memoDay = nullptr;

// The C library's mktime decides the repeated hour at the end of daylight saving by its previous
// conversion, so one wall time could land on either of two instants within one run. Here a wall
// time is resolved only from the zone's offsets around it: a repeated time takes the first of its
// two instants, a time the clock skips is read with the offset before the change (2:30 becomes
// 3:30 in summer time, as mktime does), and the answer never depends on what was converted before.
// It also avoids mktime's look at the zone file on every call, which made loading a large calendar
// slow.
std::int64_t resolveLocal(std::int64_t wall) {
    if (memoDay) {
        const std::int64_t day = (wall >= 0 ? wall : wall - 86399) / 86400;
        if (memoDay->number != day) {
            const std::int64_t before = offsetAt(day * 86400 - kReach);
            memoDay->number = day;
            memoDay->offset = before;
            memoDay->uniform = offsetAt(day * 86400 + 86400 + kReach) == before;
        }
        if (memoDay->uniform) return wall - memoDay->offset;
    }
    const std::int64_t before = offsetAt(wall - kReach);
    const std::int64_t after = offsetAt(wall + kReach);
    const std::int64_t early = wall - before;
    // One offset on both sides: the wall time reads with it whatever the zone does in between, so
    // the look at the instant itself (a third conversion, the dearest part of loading a calendar)
    // would not change the answer.
    if (after == before) return early;
    if (offsetAt(early) == before) {
        // Both instants exist only in a repeated hour, and then the first one counts.
        const std::int64_t late = wall - after;
        return offsetAt(late) == after && late < early ? late : early;
    }
    const std::int64_t late = wall - after;
    if (offsetAt(late) == after) return late;
    return early;
}

// A time outside what 32 bits hold is -1, never a wrapped-round time decades away.
Time32 fitted(std::int64_t t) {
    return t < INT32_MIN || t > INT32_MAX ? Time32{-1} : static_cast<Time32>(t);
}

Time32 fromLocalFields(std::int64_t year, std::int64_t month, std::int64_t day, std::int64_t hour,
                       std::int64_t minute, std::int64_t second) {
    // Fields out of range carry over as the C library's conversion carries them.
    std::int64_t m = month - 1;
    std::int64_t y = year + (m >= 0 ? m / 12 : -((11 - m) / 12));
    m = ((m % 12) + 12) % 12 + 1;
    // Far outside 32-bit time the zone rules mean nothing; such a date never fits.
    if (y < 1800 || y > 2200) return -1;
    const std::int64_t wall = daysFromCivil(y, static_cast<int>(m), 1) * 86400 + (day - 1) * 86400 +
                              hour * 3600 + minute * 60 + second;
    return fitted(resolveLocal(wall));
}

} // namespace

LocalDayMemo::LocalDayMemo() : outer_(memoDay) {
    memoDay = &day_;
}

LocalDayMemo::~LocalDayMemo() {
    memoDay = outer_;
}

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
    return fromLocalFields(year, month, day, hour, minute, 0);
}

LocalDate toLocal(Time32 t) {
    std::tm tm{};
    platform::localTimeFields(t, tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday + 1};
}

Time32 addCalendarDays(Time32 t, int days) {
    const LocalDate d = toLocal(t);
    return fromLocalFields(d.year, d.month, static_cast<std::int64_t>(d.day) + days, d.hour, d.minute,
                           d.second);
}

std::string twelveHourTime(int hour, int minute, TimeForm form) {
    if (form == TimeForm::kPlannerHour && hour == 12 && minute == 0) return "noon";
    const char* suffix = form == TimeForm::kNoSuffix ? "" : hour >= 12 ? "pm" : "am";
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d%s", hour > 12 ? hour - 12 : hour, minute, suffix);
    return text;
}

std::string timeText(int hour, int minute, TimeForm form, const RegionSettings& region) {
    if (!region.twentyFourHour) return twelveHourTime(hour, minute, form);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    return text;
}

int weekColumn(int weekday, int firstWeekday) {
    return ((weekday - firstWeekday) % 7 + 7) % 7;
}

int weekdayOfColumn(int column, int firstWeekday) {
    return (firstWeekday - 1 + column) % 7 + 1;
}

} // namespace zc
