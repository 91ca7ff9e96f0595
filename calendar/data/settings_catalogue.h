#pragma once
// Every settings group the calendar keeps, with its value names and defaults, in one place so that
// every window reads and writes the same names.
#include "data/date_helpers.h"

#include <string>

namespace zc::settings {

// Group names (keys directly below the base path).
inline constexpr const char* kReminders = "reminders";
inline constexpr const char* kSounds = "sounds";
inline constexpr const char* kColors = "Colors";
inline constexpr const char* kFont = "font";   // group and value of the month view's font
inline constexpr const char* kFont2 = "font2"; // group and value of the planner windows' font
inline constexpr const char* kAppointments = "Appointments";
inline constexpr const char* kPosition = "position";
inline constexpr const char* kDayPosition = "dayposition";
inline constexpr const char* kToDoPosition = "todoposition";
inline constexpr const char* kWeekPosition = "weekposition";
inline constexpr const char* kYearPosition = "yearposition";

// The "reminders" group.
struct ReminderSettings {
    int age = 60;         // months after which entries are purged at shutdown
    int early = 2;        // default reminder lead of new entries, in minutes
    int reminders = 0;    // 0 = a due reminder opens its window, else no reminders
    int splash = 1;       // show the splash screen at start
    int minatstart = 0;   // start minimised
    int fastprinting = 0; // use fast printing
};

// Writes the six defaults when the group is new, then reads all six.
ReminderSettings loadReminderSettings();
void saveReminderSettings(int age, int early, int reminders, int splash, int minatstart, int fastprinting);

// The "region" group: the clock and the first day of the week. Each value is stored only once the
// user has chosen it; until then the locale decides, so a change of the desktop's region follows.
inline constexpr const char* kRegion = "region";
inline constexpr const char* kClock24 = "clock24";     // 0 = 12-hour clock, 1 = 24-hour clock
inline constexpr const char* kWeekStart = "weekstart"; // 1 = Sunday, 2 = Monday

// The week starts on Sunday or on Monday; a locale's other first day (Saturday) gives Sunday.
int supportedFirstWeekday(int weekday);
// The locale's conventions (platform::localeTimeConventions) as the calendar offers them.
RegionSettings localeRegionSettings();
// The stored choices over the defaults given; a stored week start other than 1 or 2 is ignored.
RegionSettings loadRegionSettings(const RegionSettings& defaults);
RegionSettings loadRegionSettings();
// Stores each value of chosen that differs from shown (what the dialog offered); the others stay
// as they were, stored or following the locale.
void saveRegionSettings(const RegionSettings& chosen, const RegionSettings& shown);

// The "sounds" group: the wave file played for each event.
inline constexpr const char* kSoundStart = "start";
inline constexpr const char* kSoundReminders = "reminders";
inline constexpr const char* kSoundClick = "click";
inline constexpr const char* kDefaultStartSound = "Start.wav";
inline constexpr const char* kDefaultReminderSound = "Notify.wav";
inline constexpr const char* kDefaultClickSound = "Pick.wav";

// Writes the three defaults when the group is missing; true when it was.
bool ensureSoundDefaults();
// The file stored for a sound event ("start", "reminders" or "click"); empty when none.
std::string soundFile(const std::string& event);

// Creates "Appointments" when missing and then writes the three yearly seed entries straight to
// the store. Returns true on such a first run.
bool seedFirstRun();

} // namespace zc::settings
