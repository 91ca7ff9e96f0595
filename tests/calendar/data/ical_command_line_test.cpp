// The exchange options of the real program, run as a script runs them: without a display, on a
// store named by ZORVELCAL_STORE, with the outcome in the exit code and the message on standard
// output or standard error. Each exported file is read back by an independent parser
// (python3-icalendar) in three zones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code = -1;
    std::string out, err;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class IcsCommandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("zorvel-ics-cli-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome zorvelcal(const std::string& zone, const std::string& arguments) {
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY TZ=" + zone + " ZORVELCAL_STORE='" +
                                    (dir / "store.db").string() + "' '" ZORVELCAL_EXE "' " + arguments + " >'" +
                                    (dir / "out").string() + "' 2>'" + (dir / "err").string() + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir / "out"), readFile(dir / "err")};
    }

    std::string path(const std::string& name) const { return "'" + (dir / name).string() + "'"; }

    fs::path dir;
};

// A year of a common calendar program's export, by hand after RFC 5545's examples.
const char* const kSample =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\n"
    "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:20070311T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
    "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nTZNAME:EDT\r\nEND:DAYLIGHT\r\n"
    "BEGIN:STANDARD\r\nDTSTART:20071104T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
    "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nTZNAME:EST\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
    "BEGIN:VEVENT\r\nUID:1@example.com\r\nDTSTAMP:20240101T000000Z\r\n"
    "DTSTART;TZID=America/New_York:20240315T091500\r\nSUMMARY:Project\r\n  review\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-PT30M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:2@example.com\r\nDTSTAMP:20240101T000000Z\r\nDTSTART;VALUE=DATE:20240704\r\n"
    "SUMMARY:Independence Day\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:3@example.com\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:20240102T150000Z\r\n"
    "RRULE:FREQ=WEEKLY;COUNT=10\r\nEXDATE:20240109T150000Z\r\nSUMMARY:Piano lesson\r\nEND:VEVENT\r\n"
    "END:VCALENDAR\r\n";

TEST_F(IcsCommandLineTest, ImportAndExportWorkWithoutADisplayAndReadBackInEveryZone) {
    std::ofstream(dir / "sample.ics", std::ios::binary) << kSample;
    const Outcome imported = zorvelcal("Europe/Berlin", "--import-ics " + path("sample.ics"));
    ASSERT_EQ(imported.code, 0) << imported.err;
    EXPECT_NE(imported.out.find("  11 entries added from \"sample.ics\";"), std::string::npos) << imported.out;

    // The independent parser: the system's python3 with its icalendar package.
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const bool checkable = std::system((python + " -c 'import icalendar' 2>/dev/null").c_str()) == 0;
    for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York"}) {
        const std::string file = std::string("out-") + (zone[0] == 'U' ? "utc" : zone[0] == 'E' ? "berlin" : "ny") + ".ics";
        const Outcome exported = zorvelcal(zone, "--export-ics=" + path(file));
        ASSERT_EQ(exported.code, 0) << zone << exported.err;
        EXPECT_EQ(exported.out, "Exported 11 appointments and 0 to-do items to \"" + file + "\".\n");
        if (!checkable) continue;
        const std::string check = python +
                                  " -c 'import sys, icalendar\n"
                                  "c = icalendar.Calendar.from_ical(open(sys.argv[1], \"rb\").read())\n"
                                  "events = c.walk(\"VEVENT\")\n"
                                  "for e in events: e.decoded(\"DTSTART\"); e.decoded(\"DURATION\")\n"
                                  "sys.exit(0 if len(events) == 11 else 3)' " +
                                  path(file) + " 2>&1";
        EXPECT_EQ(std::system(check.c_str()), 0) << zone;
    }
    if (!checkable) GTEST_SKIP() << "python3-icalendar is not installed; the files were not read back";
}

TEST_F(IcsCommandLineTest, FailuresEndWithAMessageOnStandardErrorAndAnExitCode) {
    std::ofstream(dir / "letter.ics") << "Dear Ann,\nsee you on Friday.\n";
    const Outcome notCalendar = zorvelcal("UTC", "--import-ics " + path("letter.ics"));
    EXPECT_EQ(notCalendar.code, 1);
    EXPECT_EQ(notCalendar.err, "zorvelcal: The file \"letter.ics\" is not an iCalendar file. Nothing was imported.\n");
    EXPECT_EQ(notCalendar.out, "");

    const Outcome unwritable = zorvelcal("UTC", "--export-ics " + path("missing/out.ics"));
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_EQ(unwritable.err, "zorvelcal: The file \"out.ics\" could not be written: No such file or directory.\n");

    const Outcome noFile = zorvelcal("UTC", "--export-ics");
    EXPECT_EQ(noFile.code, 2);
    EXPECT_EQ(noFile.err, "zorvelcal: --export-ics needs a file name\n");
}

} // namespace
