#pragma once
// Dates and names shared by every window and by the repeat logic. Times are 32-bit signed seconds
// since 1970-01-01 00:00 UTC; dates are converted from and to local time by the C library, which
// decides daylight saving. Weekdays run 1 = Sunday to 7 = Saturday, months 1 to 12.
#include <cstdint>
#include <string>
#include <string_view>

namespace zc {

using Time32 = std::int32_t;

constexpr std::int32_t kSecondsPerDay = 86400;
constexpr std::int32_t kSecondsPerWeek = 604800;
// The years the calendar's views show and step through.
constexpr int kFirstCalendarYear = 1970;
constexpr int kLastCalendarYear = 2037;

// Broken-down local time, as the calendar uses it.
struct LocalDate {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;   // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0; // 1 = Sunday .. 7 = Saturday
};

// Name tables; an index outside the table yields nullptr.
const char* shortMonthName(int month);
const char* monthName(int month);
const char* weekdayName(int weekday);

// The first of "Sun", "Mon", "Tues", "Wed", "Thur", "Fri" found anywhere in the text gives 1..6;
// anything else, the empty text included, gives 7 (Saturday).
int weekdayFromText(std::string_view text);

// Days (0..6) from the weekday fromWeekday forward to the weekday named in text.
int daysToWeekday(int fromWeekday, std::string_view text);

// Length of a month; February has 29 days in every year divisible by 4, which is exact for the
// years a 32-bit time can hold. A month outside 1-12 gives 30.
int daysInMonth(int year, int month);

// The time of a local date and time of day, seconds 0, daylight saving decided by the conversion.
// Fields out of range are normalised the way the C library does (day 32 is the next month's 1st).
Time32 localTime(int year, int month, int day, int hour, int minute);

// While one lives, localTime() on its thread looks the zone up once per day rather than once per
// time: loading a calendar converts thousands of times that fall on a few hundred days, and the
// zone's two look-ups were a sixth of the load. A day whose offset is the same from 26 hours
// before it to 26 hours after it reads every wall time with that offset; other days (those near a
// change of daylight saving) are resolved time by time as without it. Not to be held across a
// change of the zone.
class LocalDayMemo {
  public:
    LocalDayMemo();
    ~LocalDayMemo();
    LocalDayMemo(const LocalDayMemo&) = delete;
    LocalDayMemo& operator=(const LocalDayMemo&) = delete;

    struct Day {
        std::int64_t number; // days since 1970-01-01 on the wall clock
        bool uniform;        // one offset holds for the whole day and its reach
        std::int64_t offset;
    };

  private:
    Day day_{INT64_MIN, false, 0};
    Day* outer_; // the memo this one is nested in, if any
};

// The local date and time of day of a time.
LocalDate toLocal(Time32 t);

// Moves a time by whole calendar days, keeping the local time of day, so that a change of
// daylight saving in between never moves an entry to another date or hour. Where no change of
// daylight saving lies between, the result equals t + days * 86400.
Time32 addCalendarDays(Time32 t, int days);

// The forms a time of day takes in the calendar's windows and texts.
enum class TimeForm {
    kFull,        // "9:05am", "12:30pm", "1:15pm", and "0:15am" in the hour after midnight
    kNoSuffix,    // "9:30", "12:30", "1:30": the day planner's half-hour labels, below their hour
    kPlannerHour, // as kFull, but "noon" for 12:00: the day planner's hour labels
};

// A time of day on the 12-hour clock. The hour after midnight keeps its 0.
std::string twelveHourTime(int hour, int minute, TimeForm form = TimeForm::kFull);

// How the user's region writes a time of day and which day begins a week. The defaults are the
// calendar's own: the 12-hour clock and weeks from Sunday.
struct RegionSettings {
    bool twentyFourHour = false;
    int firstWeekday = 1; // 1 = Sunday, 2 = Monday

    bool operator==(const RegionSettings&) const = default;
};

// A time of day as the calendar shows it everywhere; every window and text that shows one asks
// here, so that none of them reads a time differently. The 24-hour clock writes two-digit hours
// ("09:05", "14:30", "00:15") in every form: it needs neither a suffix nor "noon".
std::string timeText(int hour, int minute, TimeForm form, const RegionSettings& region);

// The column (0..6) a weekday (1 = Sunday .. 7) takes in a week that begins on firstWeekday, and
// the weekday shown in a column.
int weekColumn(int weekday, int firstWeekday);
int weekdayOfColumn(int column, int firstWeekday);

} // namespace zc
