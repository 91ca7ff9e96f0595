#pragma once
// Exchange with other calendars through iCalendar files (RFC 5545), beside the backup file that
// only this program reads.
//
// Export writes every appointment as one VEVENT: a UID made from its store key (so exporting the
// same entry again gives the same UID), the start in the user's time zone, 30 minutes long, the
// notes as SUMMARY and a display alarm when the entry has a reminder; an "All day: " entry at
// 6:00am is the all-day event an import made it from. A repeat series is stored as
// one appointment per occurrence, so each occurrence is its own VEVENT and none carries an RRULE:
// a receiving calendar must not multiply them. The to-do items follow as VTODOs.
//
// Import turns VEVENTs into appointments through the rules of any new entry. The day planner has
// half-hour slots from 6:00am, so an event goes into the slot that holds its start, its text
// starting with its own time when that differs from the slot's ("9:15am Dentist" at 9:00); events
// before 6:00am and all-day events go to 6:00am ("All day: Holiday"). A slot that already holds
// the same text makes the event a duplicate; a different text there is kept and the new one joined
// to it with " / ". A repeat keeps its kind when it is one of the calendar's own.
//
// A repeat that ends (COUNT or UNTIL) is imported whole. One without an end is expanded up to the
// horizon the repeat engine uses for its kind when it maps on one, so the program carries it on as
// its own series; otherwise up to two years ahead. An event brings at most 5,000
// dates, those nearest to today, and none older than the calendar keeps (its purge age). A
// multi-day event gets an entry on each of its days, up to 31. Whatever was left out or cut
// is counted in the completion message. When the store cannot take the import, nothing of it
// stays in the table either.
//
// The file is read and written by libical, which only the exchange's own sources call: export,
// import, the mapping of rules on repeat kinds, and the zone look-up (ical_*.cpp).
#include "data/appointment_values.h"
#include "data/date_helpers.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zc {

class AppointmentTable;

// Only events in these years are exchanged: the calendar keeps its times in 32-bit seconds.
inline constexpr int kFirstExchangeYear = 1970;
inline constexpr int kLastExchangeYear = 2037;

// An imported text is cut to this many bytes (at a character boundary): an entry is one line of
// the day planner, and a long description would otherwise be copied into every occurrence, the
// store and each backup.
inline constexpr std::size_t kMaxImportedText = 255;

// Joins an imported text to a different one already in the slot.
inline constexpr std::string_view kTextJoiner = " / ";

struct IcsExportResult {
    bool ok = false;
    int events = 0; // appointments written
    int todos = 0;  // to-do items written
    std::string message; // the completion or the failure, in the user's words
};

// Writes every appointment of the table and every non-empty to-do item to path. The file is
// written beside the old one and put in its place only when complete, so a failed export never
// leaves a damaged file behind. A symbolic link at path is followed to the file it names; a
// folder, a device or a pipe is refused and left as it is.
IcsExportResult exportIcs(const AppointmentTable& table, const std::string& path);

struct IcsImportCounts {
    int read = 0;     // occurrences met, and events that could not be read
    int added = 0;    // new appointments
    int modified = 0; // appointments whose text was joined
    int skipped = 0;  // events without a usable start, outside the years, of an unknown zone
    // The skipped events by reason; together they make skipped.
    int cancelled = 0, withoutStart = 0, withoutText = 0, unknownZone = 0, outsideYears = 0, noDateLeft = 0;
    std::string firstUnknownZone; // as the file names it
    int busyZones = 0; // events of a time zone whose rules change too often to work out
    int noRoom = 0;    // texts not joined: the slot's text was already as long as an entry can be
    int duplicates() const { return read - added - modified - skipped - busyZones - noRoom; }

    // Dates and texts that were left out or shortened, each told in the completion message.
    int laterDates = 0;       // dates of endless repeats beyond the horizon, up to the last year held
    bool laterDatesMore = false; // counting them stopped early: there are more
    int ownRepeats = 0;       // endless repeats kept as the calendar's own repeat kinds
    int oldDates = 0;         // dates of repeats older than the calendar keeps
    int overCap = 0;          // dates of one event beyond the most it may bring
    int partly = 0;           // repeating events whose rules took too long to work out whole
    int longEventDays = 0;    // days of long events beyond the days each may cover
    int cutTexts = 0;         // texts cut to kMaxImportedText, joined ones included
};

struct IcsImportResult {
    bool ok = false; // false when the file could not be read as a calendar; nothing was changed
    IcsImportCounts counts;
    std::string message;
};

// Merges the calendar file at path into the table and the store, in one batch of writes.
// Times written into the entries' texts ("9:15am ", "Until 10:00am: ") follow the region's clock.
IcsImportResult importIcs(AppointmentTable& table, const std::string& path, const RegionSettings& region = {});
// The same from a text already in memory; shownName names the file in the messages.
IcsImportResult importIcsText(AppointmentTable& table, std::string_view text, const std::string& shownName,
                              const RegionSettings& region = {});

// The entries one calendar object (as a calendar server holds it: one event with its changed
// dates, or one to-do item) asks for, placed as the import places them, without touching the
// table. Used to keep the table in step with a server.
struct IcsPlacement {
    AppointmentValues values;
    // The instant of the series' date this entry stands for; 0 for an event that does not repeat.
    std::int64_t occurrence = 0;
};
struct IcsPlacements {
    bool ok = false; // false when the text is no calendar
    std::string uid; // of the first event or to-do item
    bool repeats = false;
    std::vector<IcsPlacement> entries;
    bool todo = false; // the object is a to-do item, whose text is todoText
    std::string todoText;
};
IcsPlacements placementsOf(std::string_view calendarText, std::int64_t now, const RegionSettings& region = {});

class Appointment;

// One appointment as a calendar object of its own under uid: the VEVENT the export writes, in a
// VCALENDAR with its zone.
std::string eventObjectText(const Appointment& entry, const std::string& uid, std::int64_t now);
// One to-do item as a calendar object of its own.
std::string todoObjectText(const std::string& text, const std::string& uid, std::int64_t now);
// A server's calendar object changed as this calendar changed it: the text of an event that does
// not repeat replaced (its description dropped, since the entry shows both as one text); one date
// of a series erased (an EXDATE) or given a text of its own (an override with that RECURRENCE-ID).
// Empty when the object cannot be read.
std::string withNewSummary(std::string_view objectText, const std::string& text);
std::string withDateErased(std::string_view objectText, std::int64_t occurrence);
std::string withDateChanged(std::string_view objectText, std::int64_t occurrence, const std::string& text);

} // namespace zc
