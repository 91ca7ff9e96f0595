// Import of iCalendar files written the way common calendar programs write them (RFC 5545's own
// examples: all-day events, TZID with VTIMEZONE, UTC times, folded lines, RRULE with COUNT and
// UNTIL, EXDATE), and of damaged ones. The store is real; the zone is Europe/Berlin.
#include "data/ical_exchange.h"

#include "data/repeat_rules.h"
#include "repeat_backup_fixture.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace zc::rbtest {
namespace {

// RFC 5545's New York zone, as the calendars of that region write it.
const char* const kNewYork = "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n"
                             "BEGIN:DAYLIGHT\r\nDTSTART:20070311T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
                             "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nTZNAME:EDT\r\nEND:DAYLIGHT\r\n"
                             "BEGIN:STANDARD\r\nDTSTART:20071104T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
                             "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nTZNAME:EST\r\nEND:STANDARD\r\n"
                             "END:VTIMEZONE\r\n";

std::string calendar(const std::vector<std::string>& events, const std::string& zone = kNewYork) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\n";
    text += zone;
    int uid = 0;
    for (const std::string& body : events) {
        text += "BEGIN:VEVENT\r\nDTSTAMP:20240101T000000Z\r\n";
        if (body.find("UID:") == std::string::npos) text += "UID:e" + std::to_string(++uid) + "@example.com\r\n";
        text += body + "END:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

class IcsImportTest : public TableTest {
  public:
    IcsImportResult import(const std::vector<std::string>& events) {
        return importIcsText(*table, calendar(events), "test.ics");
    }
};

TEST_F(IcsImportTest, EachEventGoesIntoTheSlotThatHoldsItsStart) {
    struct Row {
        const char* start;
        const char* expected;
    } rows[] = {
        {"DTSTART:20240320T093000\r\n", "Visit@2024-03-20 09:30"}, // floating: the user's time
        {"DTSTART:20240320T081500Z\r\n", "9:15am Visit@2024-03-20 09:00"},
        {"DTSTART:20240715T071500Z\r\n", "9:15am Visit@2024-07-15 09:00"}, // summer time
        {"DTSTART;TZID=America/New_York:20240320T091500\r\n", "2:15pm Visit@2024-03-20 14:00"},
        {"DTSTART;TZID=Europe/Berlin:20240320T235900\r\n", "11:59pm Visit@2024-03-20 23:30"}, // a known zone
        {"DTSTART:20240320T043000\r\n", "4:30am Visit@2024-03-20 06:00"},
        {"DTSTART:20240320T000500\r\n", "0:05am Visit@2024-03-20 06:00"},
        {"DTSTART;VALUE=DATE:20240320\r\nDTEND;VALUE=DATE:20240321\r\n", "All day: Visit@2024-03-20 06:00"},
        {"DTSTART;TZID=America/New_York:20240320T010000\r\n", "Visit@2024-03-20 06:00"},
    };
    for (const Row& row : rows) {
        table->clearDay(2024, 3, 20);
        table->clearDay(2024, 7, 15);
        const IcsImportResult result = import({std::string(row.start) + "SUMMARY:Visit\r\n"});
        EXPECT_TRUE(result.ok) << row.start;
        EXPECT_EQ(entries(), std::vector<std::string>{row.expected}) << row.start;
    }
}

TEST_F(IcsImportTest, TextComesFromSummaryAndDescriptionOnOneLine) {
    // Folded lines, escaped characters, a line break and a stray Latin-1 byte.
    import({"DTSTART:20240320T100000\r\nSUMMARY:Team\r\n  meeting\\, room 4\r\n"
            "DESCRIPTION:Agenda:\\n budget\\;\tplans \xE9t\xE9\r\n"});
    EXPECT_EQ(entries(), std::vector<std::string>{"Team meeting, room 4 - Agenda: budget; plans \xC3\xA9t\xC3\xA9@2024-03-20 10:00"});
}

TEST_F(IcsImportTest, ARemindersLeadKeepsTheMomentOfTheFirstAlarm) {
    struct Row {
        const char* start;
        const char* alarm;
        int early;
    } rows[] = {
        {"20240320T093000", "", -1},
        {"20240320T093000", "TRIGGER:-PT15M", 15},
        {"20240320T091500", "TRIGGER:-PT15M", 0}, // 9:00, in the 9:00 slot
        {"20240320T091500", "TRIGGER:-PT1H15M", 60},
        {"20240320T093000", "TRIGGER:PT10M", 0}, // after the start: at the start
        {"20240320T093000", "TRIGGER;VALUE=DATE-TIME:20240320T080000Z", 30},
        {"20240320T093000", "TRIGGER;RELATED=END:-PT75M", 15}, // one hour long
    };
    for (const Row& row : rows) {
        table->clearDay(2024, 3, 20);
        std::string alarm = *row.alarm ? std::string("BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\n") +
                                             row.alarm + "\r\nEND:VALARM\r\n"
                                       : "";
        import({std::string("DTSTART:") + row.start + "\r\nDTEND:20240320T103000\r\nSUMMARY:Dentist\r\n" + alarm});
        const Appointment* a = table->findAt(2024, 3, 20, 9, row.start[11] == '3' ? 30 : 0);
        ASSERT_NE(a, nullptr) << row.alarm;
        EXPECT_EQ(a->stored.early, row.early) << row.alarm;
    }
}

TEST_F(IcsImportTest, ASlotsTextIsJoinedOnceAndTheSameTextIsADuplicate) {
    add(2024, 3, 20, 9, 0, "Lunch");
    const std::string dentist = "DTSTART:20240320T090000\r\nSUMMARY:Dentist\r\n";
    const std::string lunch = "DTSTART:20240320T090000\r\nSUMMARY:Lunch\r\n";
    IcsImportResult first = import({dentist, lunch});
    EXPECT_EQ(first.counts.modified, 1);
    EXPECT_EQ(first.counts.duplicates(), 1);
    EXPECT_EQ(first.message, "Import completed:\n  0 entries added from \"test.ics\";\n  1 existing entries "
                             "modified;\n  1 duplicates ignored;\n  0 events skipped (cancelled, or without a usable "
                             "start or text).");
    // Importing again, or the joined text as one, changes nothing; a part of a text is no match.
    EXPECT_EQ(import({dentist, "DTSTART:20240320T090000\r\nSUMMARY:Lunch / Dentist\r\n"}).counts.duplicates(), 2);
    EXPECT_EQ(import({"DTSTART:20240320T090000\r\nSUMMARY:Dent\r\n"}).counts.modified, 1);
    EXPECT_EQ(entries(), std::vector<std::string>{"Lunch / Dentist / Dent@2024-03-20 09:00"});
    // The store holds what the table holds.
    EXPECT_EQ(restart().findAt(2024, 3, 20, 9, 0)->stored.notes, "Lunch / Dentist / Dent");
}

TEST_F(IcsImportTest, RulesExpandUpToTheRepeatEnginesHorizonAndKeepAKindThatMapsExactly) {
    // The clock shows 15 March 2024, 12:00.
    struct Row {
        const char* event;
        int kind;
        std::vector<std::string> dates;
    } rows[] = {
        {"DTSTART:20240313T100000\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n", kRepeatWeekly,
         {"2024-03-13 10:00", "2024-03-20 10:00", "2024-03-27 10:00"}},
        {"DTSTART:20240313T100000\r\nRRULE:FREQ=WEEKLY;UNTIL=20240327T100000\r\nEXDATE:20240320T100000\r\n",
         kRepeatWeekly, {"2024-03-13 10:00", "2024-03-27 10:00"}},
        // 45 days from now reach 29 April; the first occurrence beyond is stored, as the engine does.
        {"DTSTART:20240401T100000\r\nRRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO\r\n", kRepeatEverySecondWeek,
         {"2024-04-01 10:00", "2024-04-15 10:00", "2024-04-29 10:00", "2024-05-13 10:00"}},
        {"DTSTART:20240319T100000\r\nRRULE:FREQ=MONTHLY;BYDAY=3TU\r\n", kRepeatNthWeekday,
         {"2024-03-19 10:00", "2024-04-16 10:00", "2024-05-21 10:00"}},
        // The calendar would move the 31st to shorter months: stored without a kind.
        {"DTSTART:20240131T100000\r\nRRULE:FREQ=MONTHLY;COUNT=3\r\n", kRepeatNone,
         {"2024-01-31 10:00", "2024-03-31 10:00", "2024-05-31 10:00"}},
        {"DTSTART;VALUE=DATE:20240101\r\nRRULE:FREQ=YEARLY\r\n", kRepeatYearly,
         {"2024-01-01 06:00", "2025-01-01 06:00", "2026-01-01 06:00"}},
        {"DTSTART:20240316T070000\r\nRRULE:FREQ=DAILY;COUNT=2\r\n", kRepeatNone, {"2024-03-16 07:00", "2024-03-17 07:00"}},
        // No month has an 8th Tuesday: the event stands on its own start.
        {"DTSTART:20240319T100000\r\nRRULE:FREQ=MONTHLY;BYDAY=8TU\r\n", kRepeatNone, {"2024-03-19 10:00"}},
        // 08:00 in New York falls at 14:00 here, at 13:00 while only America keeps summer time.
        {"DTSTART;TZID=America/New_York:20240306T080000\r\nRRULE:FREQ=WEEKLY;COUNT=2\r\n", kRepeatNone,
         {"2024-03-06 14:00", "2024-03-13 13:00"}},
    };
    for (const Row& row : rows) {
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        import({std::string(row.event) + "SUMMARY:Series\r\n"});
        std::vector<std::string> dates;
        table->sortByTime();
        table->forEach([&](const Appointment& a) { dates.push_back(format(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute)); });
        EXPECT_EQ(dates, row.dates) << row.event;
        table->forEach([&](const Appointment& a) {
            EXPECT_EQ(a.stored.repeats, row.kind) << row.event;
            if (row.kind != kRepeatNone) {
                EXPECT_EQ(a.stored.started, table->slot(0)->stored.started) << row.event;
            }
        });
    }
}

TEST_F(IcsImportTest, AMovedInstanceReplacesItsDateInTheSeries) {
    import({"UID:s@example.com\r\nDTSTART:20240318T100000\r\nRRULE:FREQ=DAILY;COUNT=3\r\nSUMMARY:Standup\r\n",
            "UID:s@example.com\r\nRECURRENCE-ID:20240319T100000\r\nDTSTART:20240319T113000\r\nSUMMARY:Standup\r\n"});
    EXPECT_EQ(table->findAt(2024, 3, 19, 10, 0), nullptr);
    EXPECT_EQ(datesOf("Standup"), (std::vector<std::string>{"2024-03-18 10:00", "2024-03-19 11:30", "2024-03-20 10:00"}));
}

TEST_F(IcsImportTest, UnusableEventsAreSkippedAndCountedBesideGoodOnes) {
    const std::string good = "DTSTART:20240320T100000\r\nSUMMARY:Good\r\n";
    const char* bad[] = {
        "SUMMARY:No start\r\n",
        "DTSTART:19690320T100000Z\r\nSUMMARY:Too early\r\n",
        "DTSTART:20380320T100000Z\r\nSUMMARY:Too late\r\n",
        "DTSTART;TZID=Mars/Olympus_Mons:20240320T100000\r\nSUMMARY:Unknown zone\r\n",
        "DTSTART:20240320T100000\r\n",
        "DTSTART:not a time\r\nSUMMARY:Garbage\r\n",
        "DTSTART:20240230T100000\r\nSUMMARY:No such day\r\n",
        "DTSTART:20240320T110000\r\nSTATUS:CANCELLED\r\nSUMMARY:Called off\r\n",
    };
    for (const char* event : bad) {
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        const IcsImportResult result = import({event, good});
        EXPECT_TRUE(result.ok) << event;
        EXPECT_EQ(result.counts.skipped, 1) << event;
        EXPECT_EQ(result.counts.added, 1) << event;
        EXPECT_EQ(entries(), std::vector<std::string>{"Good@2024-03-20 10:00"}) << event;
    }
}

TEST_F(IcsImportTest, AZoneNameNeverOpensAFileOutsideTheZoneDatabase) {
    // A pipe that nobody writes to: reading it as a zone file would wait for ever.
    const std::filesystem::path pipe = dir / "zone";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string prefix : {"", "/freeassociation.sourceforge.net/"}) {
        const std::string tzid = prefix + "../../../../../../../.." + pipe.string();
        EXPECT_EQ(import({"DTSTART;TZID=" + tzid + ":20240320T100000\r\nSUMMARY:x\r\n"}).counts.skipped, 1);
    }
}

TEST_F(IcsImportTest, AFileThatIsNoCompleteCalendarChangesNothing) {
    add(2024, 3, 20, 9, 0, "Lunch");
    const std::string whole = calendar({"DTSTART:20240320T100000\r\nSUMMARY:Good\r\n"});
    struct Row {
        std::string text;
        const char* message;
    } rows[] = {
        {"", "The file \"test.ics\" is not an iCalendar file. Nothing was imported."},
        {"Dear Ann,\nsee you on Friday.\n", "The file \"test.ics\" is not an iCalendar file. Nothing was imported."},
        {std::string("\x89PNG\r\n\x1a\n\0\0", 10), "The file \"test.ics\" is not an iCalendar file. Nothing was imported."},
        {whole.substr(0, whole.size() - 30),
         "The file \"test.ics\" is not a complete iCalendar file: it ends before its calendar does. Nothing was "
         "imported."},
    };
    for (const Row& row : rows) {
        const IcsImportResult result = importIcsText(*table, row.text, "test.ics");
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, row.message);
    }
    EXPECT_EQ(restart().size(), 1u);
    EXPECT_FALSE(importIcs(*table, (dir / "missing.ics").string()).ok);
}

TEST_F(IcsImportTest, AHugeSummaryIsCutAtACharacterBoundary) {
    std::string summary;
    while (summary.size() < 10 * 1024 * 1024)
        summary += "\xC3\xA9t\xC3\xA9 ";
    const IcsImportResult result = import({"DTSTART:20240320T100000\r\nSUMMARY:" + summary + "\r\n"});
    ASSERT_EQ(result.counts.added, 1);
    const std::string& notes = table->findAt(2024, 3, 20, 10, 0)->stored.notes;
    EXPECT_LE(notes.size(), kMaxImportedText);
    EXPECT_GE(notes.size(), kMaxImportedText - 3);
    EXPECT_NE(static_cast<unsigned char>(notes.back()) & 0xC0, 0xC0);
    // The same event again is a duplicate, though its text was cut.
    EXPECT_EQ(import({"DTSTART:20240320T100000\r\nSUMMARY:" + summary + "\r\n"}).counts.duplicates(), 1);
}

TEST_F(IcsImportTest, AHundredThousandEventsAreReadWithoutHanging) {
    std::vector<std::string> events(100000, "DTSTART:20240320T100000Z\r\nSUMMARY:Same\r\n");
    const IcsImportResult result = import(events);
    EXPECT_EQ(result.counts.read, 100000);
    EXPECT_EQ(result.counts.added, 1);
    EXPECT_EQ(result.counts.duplicates(), 99999);
}

// Fault mended: an import on a full disk reported success and left in the window entries that
// vanished at the next start.
TEST_F(IcsImportTest, AnImportTheStoreCannotTakeLeavesNothingBehindAndReportsOnlyTheFailure) {
    add(2024, 3, 20, 9, 0, "Lunch");
    static_cast<SqliteStore&>(settingsStore()).execute("PRAGMA max_page_count = 1");
    std::vector<std::string> events{"DTSTART:20240320T090000\r\nSUMMARY:Joined\r\n"};
    for (int day = 1; day <= 28; ++day)
        events.push_back("DTSTART:202404" + std::string(day < 10 ? "0" : "") + std::to_string(day) +
                         "T100000\r\nSUMMARY:A text long enough to need room in the store\r\n");
    const IcsImportResult result = import(events);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, settingsStore().failures().lastMessage + "\nNothing was imported.");
    EXPECT_EQ(entries(), std::vector<std::string>{"Lunch@2024-03-20 09:00"});
    EXPECT_EQ(restart().size(), 1u);
}

// Faults mended, one row each: dates of a file that vanished on the way in, or texts that grew past
// an entry's length. The clock shows 15 March 2024; the calendar keeps dates from April 2019 on.
TEST_F(IcsImportTest, EveryDateOfAnEventArrivesOrIsCountedAsLeftOut) {
    const std::string busyZone =
        "BEGIN:VTIMEZONE\r\nTZID:Busy\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nRRULE:FREQ=HOURLY\r\n"
        "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    const std::string weekly = "UID:w@example.com\r\n";
    std::vector<std::string> crowd;
    for (int i = 0; i < 30; ++i)
        crowd.push_back("DTSTART:20240320T100000\r\nSUMMARY:Meeting " + std::to_string(i) + " on the budget and the plans\r\n");
    struct Row {
        const char* fault;
        std::vector<std::string> events;
        std::vector<std::string> entries; // all of them, or with count the first and the last
        std::size_t count;
        std::vector<std::string> lines; // of the completion message
        std::string zone = kNewYork;
    } rows[] = {
        {"changed, moved and cancelled dates of a series",
         {weekly + "DTSTART:20240320T100000\r\nRRULE:FREQ=WEEKLY;COUNT=5\r\nEXDATE:20240417T100000\r\nSUMMARY:Weekly\r\n",
          weekly + "RECURRENCE-ID:20240327T100000\r\nDTSTART:20240327T100000\r\nSUMMARY:Changed\r\n",
          weekly + "RECURRENCE-ID:20240403T100000\r\nDTSTART:20240403T140000\r\nSUMMARY:Moved\r\n",
          weekly + "RECURRENCE-ID:20240410T100000\r\nDTSTART:20240410T100000\r\nSTATUS:CANCELLED\r\nSUMMARY:Weekly\r\n"},
         {"Weekly@2024-03-20 10:00", "Changed@2024-03-27 10:00", "Moved@2024-04-03 14:00"},
         0,
         {"\n  0 events skipped"}},
        {"RDATE",
         {"DTSTART:20240320T100000\r\nRDATE:20240322T100000,20240325T120000\r\nRDATE;VALUE=DATE:20240327\r\n"
          "SUMMARY:Extra\r\n"},
         {"Extra@2024-03-20 10:00", "Extra@2024-03-22 10:00", "Extra@2024-03-25 12:00", "Extra@2024-03-27 10:00"},
         0,
         {}},
        {"a yearly rule from before 1970",
         {"DTSTART;VALUE=DATE:19650704\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Ann\r\n"},
         {"All day: Ann@2019-07-04 06:00", "All day: Ann@2025-07-04 06:00"},
         7,
         {"\n  54 dates of repeats not imported (older than the calendar keeps).",
          "\n  1 endless repeats imported as the calendar's own repeats, as far ahead as those reach."}},
        {"finite rules beyond the horizon",
         {"DTSTART:20240412T100000\r\nRRULE:FREQ=WEEKLY;COUNT=5\r\nSUMMARY:Five\r\n",
          "DTSTART:20240506T090000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE;UNTIL=20240522T235959\r\nSUMMARY:Six\r\n",
          "DTSTART:20240531T080000\r\nRRULE:FREQ=MONTHLY;COUNT=4\r\nSUMMARY:Four\r\n"},
         {"Five@2024-04-12 10:00", "Five@2024-04-19 10:00", "Five@2024-04-26 10:00", "Five@2024-05-03 10:00",
          "Six@2024-05-06 09:00",  "Six@2024-05-08 09:00",  "Five@2024-05-10 10:00", "Six@2024-05-13 09:00",
          "Six@2024-05-15 09:00",  "Six@2024-05-20 09:00",  "Six@2024-05-22 09:00",  "Four@2024-05-31 08:00",
          "Four@2024-07-31 08:00", "Four@2024-08-31 08:00", "Four@2024-10-31 08:00"},
         0,
         {}},
        {"an endless rule of no kind of the calendar's own",
         {"DTSTART:20240314T100000\r\nRRULE:FREQ=DAILY\r\nSUMMARY:Daily\r\n"},
         {"Daily@2024-03-14 10:00", "Daily@2026-03-16 10:00"},
         733,
         {"\n  4308 later dates of endless repeats not imported (beyond 2 years ahead)."}},
        {"the cap spent on the oldest dates",
         {"DTSTART:20100101T080000\r\nRRULE:FREQ=DAILY\r\nSUMMARY:Old\r\n",
          "DTSTART:20200101T100000\r\nRRULE:FREQ=DAILY;COUNT=6000\r\nSUMMARY:Long\r\n"},
         {"Old@2019-04-01 08:00", "Long@2033-09-08 10:00"},
         2542 + 5000,
         {"\n  3377 dates of repeats not imported (older than the calendar keeps).",
          "\n  1000 dates not imported: an event brings at most 5000, those nearest today."}},
        {"multi-day events",
         {"DTSTART;VALUE=DATE:20240320\r\nDTEND;VALUE=DATE:20240323\r\nSUMMARY:Fair\r\n",
          "DTSTART:20240320T220000\r\nDTEND:20240322T100000\r\nSUMMARY:Trip\r\n"},
         {"All day: Fair@2024-03-20 06:00", "Trip@2024-03-20 22:00", "All day: Fair / All day: Trip@2024-03-21 06:00",
          "All day: Fair / Until 10:00am: Trip@2024-03-22 06:00"},
         0,
         {}},
        {"a multi-day event beyond the limit",
         {"DTSTART;VALUE=DATE:20240301\r\nDURATION:P92D\r\nSUMMARY:Away\r\n"},
         {"All day: Away@2024-03-01 06:00", "All day: Away@2024-03-31 06:00"},
         31,
         {"\n  61 days of events longer than 31 days not imported."}},
        {"a zone whose rules change every hour",
         {"DTSTART;TZID=Busy:20240320T100000\r\nSUMMARY:Busy\r\n", "DTSTART:20240320T110000\r\nSUMMARY:Good\r\n"},
         {"Good@2024-03-20 11:00"},
         0,
         {"\n  1 events skipped: their time zone changes too often to work out."},
         busyZone},
        {"texts joined in one slot past an entry's length",
         crowd,
         {},
         1,
         {"\n  1 texts too long for an entry were cut.", "\n  23 texts not joined: their slot's entry is already full."}},
    };
    for (const Row& row : rows) {
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        const IcsImportResult result = importIcsText(*table, calendar(row.events, row.zone), "test.ics");
        EXPECT_TRUE(result.ok) << row.fault;
        const std::vector<std::string> all = entries();
        if (row.count == 0) {
            EXPECT_EQ(all, row.entries) << row.fault;
        } else {
            EXPECT_EQ(all.size(), row.count) << row.fault;
            if (!row.entries.empty() && !all.empty()) {
                EXPECT_EQ((std::vector<std::string>{all.front(), all.back()}), row.entries) << row.fault;
            }
        }
        for (const std::string& line : row.lines)
            EXPECT_NE(result.message.find(line), std::string::npos) << row.fault << "\n" << result.message;
        table->forEach([&](const Appointment& a) { EXPECT_LE(a.stored.notes.size(), kMaxImportedText) << row.fault; });
    }
}

// Guards three faults of the times an event is placed at: the clocks' change of New York read
// with the later instant or offset instead of RFC 5545's first instant and offset before the gap;
// a Windows zone name without its VTIMEZONE dropped without a reason; an event's own time in its
// slot shown without am/pm. Each reason an event is skipped for is named.
TEST_F(IcsImportTest, TimesAtClockChangesWindowsZonesAndOwnTimesAreReadAsMeant) {
    struct Row {
        const char* event;
        const char* entry; // what is stored, empty for none
        const char* line;  // a line the completion message holds
    } rows[] = {
        {"DTSTART;TZID=America/New_York:20241103T013000\r\n", "Visit@2024-11-03 06:30", "1 entries added"},
        {"DTSTART;TZID=America/New_York:20240310T023000\r\n", "Visit@2024-03-10 08:30", "1 entries added"},
        {"DTSTART;TZID=Pacific Standard Time:20240320T100000\r\n", "Visit@2024-03-20 18:00", "1 entries added"},
        {"DTSTART;TZID=\"W. Europe Standard Time\":20240320T101500\r\n", "10:15am Visit@2024-03-20 10:00", ""},
        {"DTSTART:20240320T131500\r\n", "1:15pm Visit@2024-03-20 13:00", ""},
        {"DTSTART:20240320T001500\r\n", "0:15am Visit@2024-03-20 06:00", ""},
        {"DTSTART;TZID=Mars Standard Time:20240320T100000\r\n", "",
         "\n    1 in a time zone this calendar does not know (\"Mars Standard Time\")."},
        {"DTSTART:20240320T100000\r\nSTATUS:CANCELLED\r\n", "", "\n    1 cancelled."},
        {"DTSTART:20240230T100000\r\n", "", "\n    1 without a start date and time that exists."},
        {"DTSTART:20380320T100000Z\r\n", "", "\n    1 dated before 1970 or after 2037, which this calendar cannot hold."},
        {"DTSTART:20240320T100000\r\nEXDATE:20240320T100000\r\n", "",
         "\n    1 with all of their dates excluded or outside the years this calendar holds."},
    };
    for (const Row& row : rows) {
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        const IcsImportResult result = import({std::string(row.event) + "SUMMARY:Visit\r\n"});
        EXPECT_EQ(entries(), *row.entry ? std::vector<std::string>{row.entry} : std::vector<std::string>{}) << row.event;
        EXPECT_NE(result.message.find(row.line), std::string::npos) << result.message;
    }
    EXPECT_NE(import({"DTSTART:20240320T100000\r\n"}).message.find("\n    1 without a summary or description."),
              std::string::npos);
}

} // namespace
} // namespace zc::rbtest
