#include "data/repeat_rules.h"

#include "data/appointment.h"
#include "data/appointment_table.h"
#include "data/settings_store.h"
#include "text/translatable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace zc {
namespace {

// Dates are stepped on the calendar itself, never by spans of 86,400 seconds, so that a change of
// daylight saving cannot move an entry to another date; the time is computed from the new date
// afterwards, at the entry's own time of day.
LocalDate dateAfter(int year, int month, int day, int days) {
    using namespace std::chrono;
    const sys_days moved =
        sys_days(std::chrono::year(year) / std::chrono::month(static_cast<unsigned>(month)) /
                 std::chrono::day(static_cast<unsigned>(day))) +
        std::chrono::days(days);
    const year_month_day ymd(moved);
    LocalDate d;
    d.year = static_cast<int>(ymd.year());
    d.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    d.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    d.weekday = static_cast<int>(weekday(moved).c_encoding()) + 1;
    return d;
}

// The first day of the month after the given one (that month's last day plus one day).
LocalDate firstOfNextMonth(int year, int month) {
    return dateAfter(year, month, daysInMonth(year, month), 1);
}

// The day of the month of the first weekday named in weekdayText, in the month of first.
int firstWeekdayOfMonth(const LocalDate& first, const std::string& weekdayText) {
    return 1 + daysToWeekday(first.weekday, weekdayText);
}

int weeksAfterFirst(const std::string& nthweek) {
    if (nthweek == "2nd") return 1;
    if (nthweek == "3rd") return 2;
    if (nthweek == "4th") return 3;
    return 0;
}

// Whether a 32-bit time holds the date: past early 2038 the conversion wraps or fails, and the
// date read back is another one.
bool representable(int year, int month, int day, int hour, int minute) {
    const LocalDate back = toLocal(localTime(year, month, day, hour, minute));
    return back.year == year && back.month == month && back.day == day;
}

} // namespace

std::string dayOrdinal(int day) {
    switch (day) {
    case 1:
    case 21:
    case 31:
        return std::to_string(day) + "st";
    case 2:
    case 22:
        return std::to_string(day) + "nd";
    case 3:
    case 23:
        return std::to_string(day) + "rd";
    default:
        return std::to_string(day) + "th";
    }
}

std::string weekOfMonth(int day) {
    if (day <= 7) return "1st";
    if (day <= 14) return "2nd";
    if (day <= 21) return "3rd";
    if (day <= 28) return "4th";
    return "5th";
}

std::int64_t repeatHorizon(int kind) {
    switch (kind) {
    case kRepeatWeekly:
    case kRepeatEverySecondWeek:
        return 45LL * kSecondsPerDay;
    case kRepeatMonthlyOnDay:
    case kRepeatNthWeekday:
        return 66LL * kSecondsPerDay;
    case kRepeatYearly:
        return 366LL * kSecondsPerDay;
    default:
        return 0;
    }
}

bool advance(Appointment& a) {
    int year = a.stored.year, month = a.stored.month, day = a.stored.day;
    // Only a restored record can hold a date that is none; it has no next occurrence.
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return false;
    switch (a.stored.repeats) {
    case kRepeatWeekly:
    case kRepeatEverySecondWeek: {
        const LocalDate next = dateAfter(year, month, day, a.stored.repeats == kRepeatWeekly ? 7 : 14);
        year = next.year, month = next.month, day = next.day;
        break;
    }
    case kRepeatMonthlyOnDay: {
        // The day is cut to the next month's length here; the series puts the wanted day back
        // where a later month allows it.
        const LocalDate first = firstOfNextMonth(year, month);
        year = first.year, month = first.month;
        day = std::min(day, daysInMonth(year, month));
        break;
    }
    case kRepeatNthWeekday: {
        LocalDate first = firstOfNextMonth(year, month);
        day = firstWeekdayOfMonth(first, a.stored.sday);
        if (a.stored.nthweek == "5th") {
            // A fifth weekday exists in only some months. The occurrence is the fifth such
            // weekday of the next month that has one, so the series keeps to "the fifth Tuesday"
            // instead of drifting to the last one; a month without it is passed over. Every
            // weekday has a fifth occurrence at least every few months, so the search is short.
            for (int tries = 0; tries < 24 && day + 28 > daysInMonth(first.year, first.month); ++tries) {
                first = firstOfNextMonth(first.year, first.month);
                day = firstWeekdayOfMonth(first, a.stored.sday);
            }
            day += 28;
        } else {
            day += 7 * weeksAfterFirst(a.stored.nthweek);
        }
        year = first.year, month = first.month;
        break;
    }
    case kRepeatYearly:
        // 29 February falls on 28 February in the following year, which is never a leap year.
        ++year;
        day = std::min(day, daysInMonth(year, month));
        break;
    default:
        a.stored.repeats = kRepeatNone;
        return false;
    }
    a.stored.year = year;
    a.stored.month = month;
    a.stored.day = day;
    a.time = localTime(year, month, day, a.stored.hour, a.stored.minute);
    a.reindex();
    return true;
}

// Makes and saves the occurrences that follow source, each entered into `made`.
void generateOccurrences(Appointment& source, std::vector<Appointment*>& made) {
    AppointmentTable& table = source.table();
    const int kind = source.stored.repeats;
    const std::int64_t horizon = table.clock().now() + repeatHorizon(kind);
    const std::string notes = source.stored.notes;
    const int wantedDay = source.stored.nthday;
    std::int64_t last = 0;
    const Appointment* previous = &source;
    // The test against the horizon comes before each occurrence, so the last one generated may
    // lie beyond it.
    while (last <= horizon) {
        Appointment& occurrence = table.constructCopy(*previous);
        occurrence.stored.nthday = wantedDay;
        bool moved = false;
        // Every kind moves forward by at least a week, so a second step is needed only when a
        // time wraps at the end of the 32-bit range; the bound keeps that from spinning.
        for (int steps = 0; steps < 16; ++steps) {
            moved = advance(occurrence);
            if (!moved || occurrence.time >= previous->time) break;
        }
        occurrence.stored.notes = notes;
        // The wanted day goes back before the slot is tested: the occurrence is saved under that
        // day's key, and an entry already there must stop the series rather than be overwritten.
        if (kind == kRepeatMonthlyOnDay && occurrence.stored.day < wantedDay) {
            occurrence.stored.day =
                std::min(wantedDay, daysInMonth(occurrence.stored.year, occurrence.stored.month));
            occurrence.reindex();
        }
        // A series stops silently at the first occupied date and time, and where the 32-bit time
        // ends; an unknown kind has not moved, so its slot is the previous one's and stops it too.
        if (!moved ||
            table.findAt(occurrence.stored.year, occurrence.stored.month, occurrence.stored.day,
                         occurrence.stored.hour, occurrence.stored.minute, &occurrence) ||
            !representable(occurrence.stored.year, occurrence.stored.month, occurrence.stored.day,
                           occurrence.stored.hour, occurrence.stored.minute)) {
            table.discard(occurrence);
            return;
        }
        occurrence.schedule(true);
        made.push_back(&occurrence);
        if (last != 0 && last == occurrence.time) return;
        last = occurrence.time;
        previous = &occurrence;
    }
}

void generateSeries(Appointment& source) {
    SettingsStore& store = settingsStore();
    const std::uint64_t failuresBefore = store.failures().count;
    std::vector<Appointment*> made;
    {
        StoreBatch batch(store);
        generateOccurrences(source, made);
    }
    // The series is one transaction; when the store could not take it, none of it may show.
    if (store.failures().count == failuresBefore) return;
    AppointmentTable& table = source.table();
    for (Appointment* occurrence : made) {
        if (occurrence->timerId != 0) table.timers().stop(occurrence->timerId);
        table.discard(*occurrence);
    }
}

void Appointment::applyRepeat() {
    if (stored.repeats == kRepeatNone) return;
    time = localTime(stored.year, stored.month, stored.day, stored.hour, stored.minute);
    // The table tells its listeners (the month view among them) of every occurrence entered.
    generateSeries(*this);
}

void RepeatDialogModel::prepareRepeatDialog(int d, int m, int y, const std::string& entryText,
                                            std::int64_t now) {
    day = d;
    month = m;
    year = y;
    text = entryText;
    const LocalDate clock = toLocal(static_cast<Time32>(now));
    time = localTime(year, month, day, clock.hour, clock.minute);
}

void RepeatDialogModel::presetRepeatDialog(int repeats, const std::string& entryNthweek) {
    kind = repeats;
    nthweek = entryNthweek.empty() ? weekOfMonth(day) : entryNthweek;
    ordinal = dayOrdinal(day);
}

void RepeatDialogModel::openRepeatDialog() {
    const char* name = weekdayName(toLocal(time).weekday);
    weekday = name ? name : "";
    weekly = "every " + weekday;
    everySecondWeek = "every second " + weekday;
    monthly = "every month on the " + ordinal;
    nthWeekday = nthweek + " " + weekday + " of every month";
    const char* fullMonth = monthName(month);
    // TRANSLATORS: the repeat dialog's title before the entry's text: weekday, month, day.
    title = text::formatted(N_("%s, %s %d"),
                            {text::translated(weekday.c_str()),
                             fullMonth ? text::translated(fullMonth) : std::string(), std::to_string(day)}) +
            "   " + text;
}

std::array<std::string, kRepeatKindCount> RepeatDialogModel::descriptions() const {
    return {"does not repeat", weekly, everySecondWeek, monthly, nthWeekday, "every year on this day"};
}

std::string RepeatDialogModel::shownNthweek() const {
    // The entry's own text when it is not one of the five the calendar writes.
    static const char* const kWeeks[] = {N_("1st"), N_("2nd"), N_("3rd"), N_("4th"), N_("5th")};
    for (const char* week : kWeeks)
        if (nthweek == week) return text::translated(week);
    return nthweek;
}

std::array<std::string, kRepeatKindCount> RepeatDialogModel::shownDescriptions() const {
    const std::string name = text::translated(weekday.c_str());
    // English writes the day's ordinal suffix; each suffix has a sentence of its own, so that
    // another language can write the number its own way.
    const std::string suffix = ordinal.size() >= 2 ? ordinal.substr(ordinal.size() - 2) : std::string();
    const char* monthlyText = suffix == "st"   ? N_("every month on the %sst")
                              : suffix == "nd" ? N_("every month on the %snd")
                              : suffix == "rd" ? N_("every month on the %srd")
                                               : N_("every month on the %sth");
    return {text::translated(N_("does not repeat")),
            text::formatted(N_("every %s"), {name}),
            text::formatted(N_("every second %s"), {name}),
            text::formatted(monthlyText,
                            {ordinal.substr(0, ordinal.size() - std::min<std::size_t>(2, ordinal.size()))}),
            text::formatted(N_("%s %s of every month"), {shownNthweek(), name}),
            text::translated(N_("every year on this day"))};
}

void RepeatDialogModel::applyTo(Appointment& entry) const {
    entry.setRepeat(chosenKind(), nthweek, weekly, entry.stored.day);
    entry.schedule(true);
    entry.applyRepeat();
}

} // namespace zc
