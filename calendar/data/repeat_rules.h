#pragma once
// Repeat rules of the calendar. A repeat is not evaluated when a date is drawn: setting one on an
// entry generates the following occurrences at once, up to a horizon, as ordinary appointments that
// share the entry's repeat fields and its "started" value. The repeat dialog only shows and returns a
// RepeatDialogModel; everything it decides is here, without the toolkit.
#include "data/date_helpers.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace zc {

class Appointment;

enum RepeatKind : int {
    kRepeatNone = 0,
    kRepeatWeekly = 1,
    kRepeatEverySecondWeek = 2,
    kRepeatMonthlyOnDay = 3,
    kRepeatNthWeekday = 4,
    kRepeatYearly = 5,
};
constexpr int kRepeatKindCount = 6;

// "1st", "2nd", "3rd", "21st", "22nd", "23rd", "31st"; every other day "%dth".
std::string dayOrdinal(int day);

// The week of the month a day lies in: days 1-7 give "1st", 8-14 "2nd", 15-21 "3rd", 22-28 "4th",
// 29-31 "5th".
std::string weekOfMonth(int day);

// How far ahead of now a series of the kind is generated, in seconds; 0 for an unknown kind.
std::int64_t repeatHorizon(int kind);

// Moves an appointment to its next occurrence: only year, month and day change (and time with
// them). Every kind steps by calendar days, so a change of daylight saving never moves an entry to
// another date. The table's date index follows the move. An unknown kind sets repeats to 0 and
// returns false; an entry whose date is not a real date also returns false and stays.
bool advance(Appointment& appointment);

// Generates the occurrences that follow source, as Appointment::applyRepeat does.
void generateSeries(Appointment& source);

// Everything the repeat dialog shows and returns. The dialog window fills its controls from it and
// writes the chosen radio index back into `kind`; applyTo then does to the entry what closing the
// dialog does.
struct RepeatDialogModel {
    int year = 0, month = 0, day = 0;
    std::string text;
    Time32 time = 0; // the entry's date at the current time of day
    int kind = kRepeatNone;
    std::string nthweek;
    std::string ordinal;
    // Built by openRepeatDialog().
    std::string weekday;
    std::string weekly;          // "every %s": what the entry's sday receives
    std::string everySecondWeek; // "every second %s"
    std::string monthly;         // "every month on the %s"
    std::string nthWeekday;      // "%s %s of every month"
    std::string title;           // "%s, %s %d   %s", the names in the user's language

    void prepareRepeatDialog(int day, int month, int year, const std::string& text, std::int64_t now);
    // The radio index starts at the entry's kind; an empty nthweek is taken from the day.
    void presetRepeatDialog(int repeats, const std::string& nthweek);
    // Builds the weekday name, the description texts and the title, as the dialog opens.
    void openRepeatDialog();

    // The six radio labels, index = kind, in English as the entry keeps them.
    std::array<std::string, kRepeatKindCount> descriptions() const;
    // The same labels in the user's language, and the nthweek field as shown, for the window.
    std::array<std::string, kRepeatKindCount> shownDescriptions() const;
    std::string shownNthweek() const;
    // The chosen kind; an index outside 0-5 counts as "does not repeat".
    int chosenKind() const { return kind >= 0 && kind < kRepeatKindCount ? kind : kRepeatNone; }

    // Closing the dialog, by OK or Cancel alike: the entry takes the chosen kind, the dialog's
    // nthweek, the weekly text as sday and its own day as the wanted day; it is saved and its
    // series generated.
    void applyTo(Appointment& entry) const;
};

} // namespace zc
