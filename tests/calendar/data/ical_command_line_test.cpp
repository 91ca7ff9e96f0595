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

TEST_F(IcsCommandLineTest, ImportAndExportWorkWithoutADisplayAndReadBackInEveryZone) {
    // Written by hand after RFC 5545's examples, as common calendar programs write them: a zone
    // with its VTIMEZONE, folded lines, an all-day event, a rule with COUNT and EXDATE.
    const Outcome imported = zorvelcal("Europe/Berlin", "--import-ics '" ZORVEL_ICS_SAMPLE "'");
    ASSERT_EQ(imported.code, 0) << imported.err;
    EXPECT_NE(imported.out.find("  11 entries added from \"common_programs.ics\";"), std::string::npos) << imported.out;

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
                                  "for e in events: e.decoded(\"DTSTART\"); e.decoded(\"DURATION\" if \"DURATION\" in e else \"DTEND\")\n"
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
