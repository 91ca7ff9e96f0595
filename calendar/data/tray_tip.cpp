#include "data/tray_tip.h"

#include "text/text_utils.h"
#include "text/translatable.h"

#include <algorithm>
#include <cstdio>

namespace zc {
namespace {

std::string format(const char* pattern, auto... args) {
    const int n = std::snprintf(nullptr, 0, pattern, args...);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, args...);
    return text;
}

bool sameDate(const LocalDate& a, const LocalDate& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

} // namespace

std::string describeNext(Time32 when, int hour, int minute, const std::string& notes, Time32 now,
                         const RegionSettings& region) {
    const std::string at = timeText(hour, minute, TimeForm::kFull, region);
    const LocalDate next = toLocal(when);
    const LocalDate today = toLocal(now);
    const LocalDate tomorrow = toLocal(addCalendarDays(now, 1));
    const Time32 weekAhead = addCalendarDays(now, 7);
    const char* text = notes.c_str();

    // Dates are compared with their year: the next appointment may lie a year or more ahead on
    // today's or tomorrow's day of the year, and must not be announced as today's.
    std::string tip;
    if (sameDate(next, today))
        tip = format(" %s: %s  ", at.c_str(), text);
    else if (sameDate(next, tomorrow))
        tip = format(text::translated(N_(" Tommorrow at %s: %s  ")).c_str(), at.c_str(), text);
    else if (when < weekAhead)
        tip = format(text::translated(N_(" %s %s: %s  ")).c_str(), text::translated(weekdayName(next.weekday)).c_str(),
                     at.c_str(), text);
    else
        // TRANSLATORS: the tip for a later appointment: weekday, month, day, time, its text.
        tip = format(text::translated(N_(" %s, %s %d %s: %s  ")).c_str(),
                     text::translated(weekdayName(next.weekday)).c_str(),
                     text::translated(monthName(next.month)).c_str(), next.day, at.c_str(), text);
    // The tip holds 63 bytes; the cut keeps whole characters as displayText shows them.
    if (tip.size() > 62) tip = tip.substr(0, text::wholeCharacterPrefix(tip, 60)) + "...";
    return tip;
}

std::int64_t tipChangesAt(Time32 when, Time32 now) {
    if (when <= now) return kTipNeverChanges;
    const LocalDate today = toLocal(now);
    std::int64_t change = std::min<std::int64_t>(when, localTime(today.year, today.month, today.day + 1, 0, 0));
    // describeNext names the weekday once "when" lies before now + 7 calendar days.
    const std::int64_t withinAWeek = static_cast<std::int64_t>(addCalendarDays(when, -7)) + 1;
    if (withinAWeek > now) change = std::min(change, withinAWeek);
    return change;
}

namespace {

std::string tipFor(const Appointment* next, Time32 now, const RegionSettings& region) {
    if (!next) return text::translated(N_("Zorvel Calendar: no appointments are scheduled"));
    return describeNext(next->time, next->stored.hour, next->stored.minute, next->stored.notes, now, region);
}

} // namespace

std::string trayTip(const AppointmentTable& table, Time32 now, const RegionSettings& region) {
    return tipFor(table.earliestAfter(now), now, region);
}

bool TipKeeper::recompute(const AppointmentTable& table, Time32 now, const RegionSettings& region) {
    const Appointment* next = table.earliestAfter(now);
    changesAt_ = next ? tipChangesAt(next->time, now) : kTipNeverChanges;
    std::string tip = tipFor(next, now, region);
    if (tip == tip_) return false;
    tip_ = std::move(tip);
    return true;
}

} // namespace zc
