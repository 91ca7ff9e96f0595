#pragma once
// What the four parts of the iCalendar exchange share, and nothing outside them includes: the
// library's handles and error mode, the years and times a calendar file is read in, the zone
// look-up (ical_zones.cpp) and the mapping between RRULEs and the calendar's repeat kinds
// (ical_rules.cpp). Export (ical_export.cpp) and import (ical_import.cpp) build on these.
#include "data/date_helpers.h"
#include "data/ical_exchange.h"

#include <libical/ical.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace zc::ical {

// The day planner's first slot: all-day events and events before it are shown there.
inline constexpr int kFirstSlotHour = 6;
// What the day planner shows an all-day event as, at its first slot; such an entry is exported
// as the all-day event it came from, so that export and import undo each other.
inline constexpr std::string_view kAllDayPrefix = "All day: ";
// The library takes each step of a rule of seconds, minutes or hours one by one: no rule is
// followed, in an event or in a zone, for more steps than this.
inline constexpr std::int64_t kMaxRuleSteps = 100000;

inline std::string shownName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// libical reports problems through a global error state that, in some builds, aborts the
// program; a damaged file must only make an event unreadable.
inline void prepareLibrary() {
    static const bool prepared = [] {
        icalerror_set_errors_are_fatal(0);
        return true;
    }();
    (void)prepared;
}

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

struct CharFree {
    void operator()(char* s) const { std::free(s); }
};

inline bool inExchangeYears(int year) {
    return year >= kFirstExchangeYear && year <= kLastExchangeYear;
}

inline bool isRealDateTime(int year, int month, int day, int hour, int minute) {
    return inExchangeYears(year) && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month) &&
           hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

inline icaltimetype utcTime(std::int64_t seconds) {
    return icaltime_from_timet_with_zone(static_cast<time_t>(seconds), 0, icaltimezone_get_utc_timezone());
}

// The reading of a date-time on a clock that knows no zones, as seconds since 1970.
inline std::int64_t wallSeconds(icaltimetype t) {
    t.zone = nullptr;
    return static_cast<std::int64_t>(icaltime_as_timet(t));
}

inline icaltimetype wallTime(int year, int month, int day, int hour, int minute) {
    icaltimetype t = icaltime_null_time();
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    return t;
}

// ---------------------------------------------------------------------------------------------
// Zones (ical_zones.cpp)

// A zone by its name in the system's zone database, by the TZID the library writes for one, or
// by the Windows name that programs of that system write without a VTIMEZONE; null for any
// other name.
icaltimezone* systemZone(std::string_view name);

// The zone the C library converts local times with, or null when it names none (UTC, or a POSIX
// rule in TZ): the export then writes its times in UTC, which every reader places correctly.
icaltimezone* userZone();

// The name a zone is written under: its plain name in the zone database.
std::string zoneName(icaltimezone* zone);

// The zone as a VTIMEZONE under its plain name, with the rules in force from a year before first
// to a year after last, written so that strict readers take it.
icalcomponent* vtimezoneOf(icaltimezone* zone, std::int64_t first, std::int64_t last);

// The instant of a local time in a zone, read as RFC 5545 reads it and as the store reads its
// own local times: a time the clocks pass twice is the first of its two instants, and a time the
// clocks skip takes the offset from before the change.
std::int64_t instantInZone(const icaltimetype& t, icaltimezone* zone);

// Whether a VTIMEZONE of a file has few enough changes of offset for the library to list them all,
// as it does when it converts a time; false too once the deadline has passed.
bool fewEnoughChanges(icaltimezone* zone, std::chrono::steady_clock::time_point deadline);

// ---------------------------------------------------------------------------------------------
// Rules and the calendar's repeat kinds (ical_rules.cpp)

// False for a rule whose parts name values no calendar has (the 8th Tuesday of a month, the 32nd
// day): it never yields a date, and the library would search centuries for one.
bool canMatch(const icalrecurrencetype& rule);

// libical numbers weekdays as the calendar does: 1 = Sunday to 7 = Saturday.
int weekdayOf(int year, int month, int day);

// The calendar's repeat kind that yields exactly the rule's dates from the first one (the date
// given), or kRepeatNone.
int kindOf(const icalrecurrencetype& rule, int year, int month, int day);

// Seconds ahead that the repeat engine keeps dates of a kind; for a rule of no kind, those of the
// kind nearest to it by its frequency.
std::int64_t horizonFor(const icalrecurrencetype& rule, int kind);

} // namespace zc::ical
