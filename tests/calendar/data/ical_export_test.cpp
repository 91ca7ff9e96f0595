// Export of the table and the to-do items to an iCalendar file, and the round trip through an
// empty store.
#include "data/ical_exchange.h"

#include "data/settings_key.h"
#include "repeat_backup_fixture.h"

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

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

class IcsExportTest : public TableTest {
  public:
    void SetUp() override {
        TableTest::SetUp();
        file = (dir / "out.ics").string();
    }
    std::string file;
};

TEST_F(IcsExportTest, EachEntryIsAnEventInTheUsersZoneWithItsReminder) {
    add(2024, 3, 15, 9, 30, "Dentist, then \"lunch\"; bring\x01 card", 15);
    add(2024, 7, 1, 18, 0, "Concert");
    SettingsKey todo;
    todo.openToDoItem(3);
    todo.writeString("notes", "Buy milk");

    const IcsExportResult result = exportIcs(*table, file);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.message, "Exported 2 appointments and 1 to-do items to \"out.ics\".");
    const std::string text = unfolded(file);
    for (const char* line : {
             "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Ombrix//Zorvel Calendar//EN\r\n",
             "TZID:/freeassociation.sourceforge.net/Europe/Berlin\r\n",
             "UID:zorvelcal-2024_3-15_9_30@ombrix\r\n",
             "DTSTART;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20240315T093000\r\nDURATION:PT30M\r\n",
             "SUMMARY:Dentist\\, then \"lunch\"\\; bring  card\r\n",
             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\n",
             "DTSTART;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20240701T180000\r\n",
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

} // namespace
} // namespace zc::rbtest
