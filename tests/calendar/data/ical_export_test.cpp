// Export of the table and the to-do items to an iCalendar file, and the round trip through an
// empty store.
#include "data/ical_exchange.h"

#include "data/settings_key.h"
#include "data/todo_list.h"
#include "repeat_backup_fixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace zc::rbtest {
namespace {

// The file's lines with folded ones joined again.
std::string unfolded(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    return std::regex_replace(text, std::regex("\r\n[ \t]"), "");
}

// The events' lines only, without the time stamps that change from one export to the next.
std::string eventsWithoutStamps(const std::string& path) {
    const std::string text = unfolded(path);
    const std::size_t first = text.find("BEGIN:VEVENT");
    return std::regex_replace(first == std::string::npos ? "" : text.substr(first), std::regex("DTSTAMP:[^\r]*\r\n"),
                              "");
}

int occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The system's python3 with its icalendar package, before any other python3 on the path.
const std::string kPython = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";

class IcsExportTest : public TableTest {
  public:
    // What a shell command writes on its standard output.
    std::string output(const std::string& command) {
        std::system((command + " >" + (dir / "command.out").string() + " 2>&1").c_str());
        std::ifstream out(dir / "command.out", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(out), {});
    }
    void SetUp() override {
        TableTest::SetUp();
        file = (dir / "out.ics").string();
    }
    std::string file;
};

TEST_F(IcsExportTest, EachEntryIsAnEventInTheUsersZoneWithItsReminder) {
    add(2024, 3, 15, 9, 30, "Dentist, then \"lunch\"; bring\x01 card", 15);
    add(2024, 7, 1, 18, 0, "Concert");
    TodoList().save(3, "Buy milk");

    const IcsExportResult result = exportIcs(*table, file);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.message, "Exported 2 appointments and 1 to-do items to \"out.ics\".");
    const std::string text = unfolded(file);
    for (const char* line : {
             "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Ombrix//Zorvel Calendar//EN\r\n",
             "TZID:Europe/Berlin\r\n",
             "UID:zorvelcal-2024_3-15_9_30@ombrix\r\n",
             "DTSTART;TZID=Europe/Berlin:20240315T093000\r\nDURATION:PT30M\r\n",
             "SUMMARY:Dentist\\, then \"lunch\"\\; bring  card\r\n",
             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\n",
             "DTSTART;TZID=Europe/Berlin:20240701T180000\r\n",
             "BEGIN:VTODO\r\nUID:zorvelcal-todo-3@ombrix\r\n",
             "SUMMARY:Buy milk\r\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(occurrences(text, "BEGIN:VALARM"), 1);
    // Zone rules are open-ended, as readers that reject an UNTIL inside a zone need.
    EXPECT_EQ(occurrences(text, "UNTIL="), 0);
}

TEST_F(IcsExportTest, WithoutANamedZoneTimesAreWrittenInUtc) {
    fixTimeZone("UTC");
    add(2024, 3, 15, 9, 30, "Dentist");
    ASSERT_TRUE(exportIcs(*table, file).ok);
    const std::string text = unfolded(file);
    EXPECT_NE(text.find("DTSTART:20240315T093000Z\r\n"), std::string::npos);
    EXPECT_EQ(text.find("VTIMEZONE"), std::string::npos);
}

TEST_F(IcsExportTest, ARoundTripThroughAnEmptyStoreGivesTheSameEventsOnePerOccurrence) {
    clock.t = localTime(2024, 3, 13, 8, 0);
    add(2024, 3, 31, 6, 0, "All day: Easter");
    add(2024, 3, 31, 9, 30, "Lunch / Dentist", 0);
    add(2024, 10, 27, 23, 30, "After the clocks went back", 90);
    add(2024, 3, 15, 14, 0, "2:15 Call \xC3\xA9t\xC3\xA9");
    Appointment& series = add(2024, 3, 13, 10, 0, "Weekly", 5);
    series.setRepeat(1, "2nd", "every Wednesday", 13);
    series.schedule(true);
    series.applyRepeat();
    std::ofstream(file) << "an older file";
    ASSERT_TRUE(exportIcs(*table, file).ok);
    // A series is one event per occurrence, and none has a rule a receiver would repeat again.
    EXPECT_EQ(occurrences(eventsWithoutStamps(file), "BEGIN:VEVENT"), static_cast<int>(table->size()));
    EXPECT_EQ(occurrences(eventsWithoutStamps(file), "RRULE"), 0);
    EXPECT_FALSE(std::filesystem::exists(file + ".part"));

    // An empty store on the next machine.
    table.reset();
    setSettingsStore(nullptr);
    setSettingsStore(std::make_unique<SqliteStore>((dir / "second.db").string()));
    table = std::make_unique<AppointmentTable>(clock, timers, questions);
    const IcsImportResult imported = importIcs(*table, file);
    ASSERT_TRUE(imported.ok);
    EXPECT_EQ(imported.counts.added, imported.counts.read);

    const std::string second = (dir / "second.ics").string();
    ASSERT_TRUE(exportIcs(*table, second).ok);
    EXPECT_EQ(eventsWithoutStamps(second), eventsWithoutStamps(file));
    // Importing the same file again adds nothing.
    EXPECT_EQ(importIcs(*table, file).counts.duplicates(), imported.counts.read);
}

// Guards three faults of exported files that other programs misread: a TZID with the library's
// own prefix (read as UTC), zone rules ending with an UNTIL (refused by python3-icalendar, fatal
// to khal) for entries before New York's 2007 or Berlin's 1996 change of rules, and an all-day
// entry written as a timed 6:00 event titled "All day: ...".
TEST_F(IcsExportTest, OtherReadersPlaceEveryEntryAcrossChangesOfZoneRules) {
    struct Row {
        const char* zone;
        std::vector<std::pair<std::vector<int>, const char*>> entries; // y, m, d, h, min; text
        const char* read; // as the readers see the events: start in UTC, or date, and summary
    } rows[] = {
        {"America/New_York",
         {{{2005, 4, 10, 12, 0}, "Old summer"}, {{2006, 10, 30, 12, 0}, "Old winter"},
          {{2007, 3, 20, 12, 0}, "New summer"}, {{2024, 11, 2, 12, 0}, "Now"}},
         "2005-04-10 16:00 Old summer|2006-10-30 17:00 Old winter|2007-03-20 16:00 New summer|"
         "2024-11-02 16:00 Now|"},
        {"Europe/Berlin",
         {{{1995, 10, 15, 12, 0}, "Old winter"}, {{1996, 10, 15, 12, 0}, "New summer"},
          {{2024, 3, 31, 6, 0}, "All day: Easter"}, {{2024, 4, 1, 6, 0}, "All day:"}},
         "1995-10-15 11:00 Old winter|1996-10-15 10:00 New summer|2024-03-31 Easter|2024-04-01 04:00 All day:|"},
    };
    const std::string read = "import sys, icalendar, pytz\n"
                             "for e in icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read()).walk('VEVENT'):\n"
                             "  t = e.decoded('DTSTART')\n"
                             "  t = t.astimezone(pytz.utc).strftime('%Y-%m-%d %H:%M') if hasattr(t, 'hour') else t\n"
                             "  print(t, e['SUMMARY'], end='|')\n";
    const bool python = std::system((kPython + " -c 'import icalendar, pytz' 2>/dev/null").c_str()) == 0;
    const bool khal = std::system("khal --version >/dev/null 2>&1") == 0;
    for (const Row& row : rows) {
        fixTimeZone(row.zone);
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        for (const auto& [when, text] : row.entries)
            add(when[0], when[1], when[2], when[3], when[4], text, 10);
        ASSERT_TRUE(exportIcs(*table, file).ok);
        const std::string text = unfolded(file);
        EXPECT_NE(text.find("TZID:" + std::string(row.zone) + "\r\n"), std::string::npos) << row.zone;
        EXPECT_EQ(text.find("freeassociation"), std::string::npos) << row.zone;
        EXPECT_EQ(text.find("UNTIL="), std::string::npos) << row.zone;
        if (python) {
            std::ofstream(dir / "read.py") << read;
            EXPECT_EQ(output(kPython + " " + (dir / "read.py").string() + " " + file), row.read) << row.zone;
        }
        if (khal) {
            std::ofstream(dir / "khal.conf") << "[calendars]\n[[test]]\npath = " << (dir / "khal").string()
                                             << "\n[locale]\nlocal_timezone = UTC\ndefault_timezone = UTC\n"
                                                "timeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = "
                                                "%Y-%m-%d\ndatetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat "
                                                "= %Y-%m-%d %H:%M\n";
            std::filesystem::remove_all(dir / "khal");
            std::filesystem::create_directories(dir / "khal");
            const std::string khalCall = "XDG_DATA_HOME=" + dir.string() + " khal -c " + (dir / "khal.conf").string();
            EXPECT_EQ(std::system((khalCall + " import --batch " + file + " >/dev/null 2>&1").c_str()), 0) << row.zone;
            EXPECT_EQ(output(khalCall + " list --day-format '' --format '{start} {title}|' 1970-01-01 2040-01-01 "
                                        "| tr -d '\\n'"),
                      row.read)
                << row.zone;
        }
    }
    if (!python || !khal) GTEST_SKIP() << "python3-icalendar or khal is missing; the files were not read back";
}

// Guards an export that replaced whatever stood at its path: a link lost its link (and the
// synced file it named was never updated), a pipe or folder was replaced by a file.
TEST_F(IcsExportTest, AnExportWritesThroughLinksAndReplacesNothingButAFile) {
    add(2024, 3, 15, 9, 30, "Dentist");
    const std::filesystem::path synced = dir / "synced";
    std::filesystem::create_directories(synced);
    std::ofstream(synced / "cal.ics") << "old";
    ::chmod((synced / "cal.ics").c_str(), 0640);
    std::filesystem::create_symlink("synced/cal.ics", dir / "link.ics");
    std::filesystem::create_symlink(synced / "new.ics", dir / "dangling.ics");
    ASSERT_EQ(::mkfifo((dir / "pipe.ics").c_str(), 0600), 0);
    // A pipe where the partial file goes would keep an export that opens it waiting for ever.
    ASSERT_EQ(::mkfifo((synced / "new.ics.part").c_str(), 0600), 0);
    for (const char* name : {"link.ics", "dangling.ics"}) {
        EXPECT_TRUE(exportIcs(*table, (dir / name).string()).ok) << name;
        EXPECT_TRUE(std::filesystem::is_symlink(dir / name)) << name;
    }
    EXPECT_NE(unfolded((synced / "cal.ics").string()).find("SUMMARY:Dentist"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(synced / "cal.ics").permissions(), std::filesystem::perms(0640));
    EXPECT_NE(unfolded((synced / "new.ics").string()).find("SUMMARY:Dentist"), std::string::npos);
    const std::pair<const char*, const char*> refused[] = {
        {"pipe.ics", "The file \"pipe.ics\" could not be written: it is a named pipe, not a file."},
        {"synced", "The file \"synced\" could not be written: it is a folder, not a file."},
    };
    for (const auto& [name, message] : refused) {
        const auto before = std::filesystem::status(dir / name).type();
        const IcsExportResult result = exportIcs(*table, (dir / name).string());
        EXPECT_FALSE(result.ok) << name;
        EXPECT_EQ(result.message, message);
        EXPECT_EQ(std::filesystem::status(dir / name).type(), before) << name;
    }
}

} // namespace
} // namespace zc::rbtest
