#pragma once
// Shared fixture of the engine tests: a real store in a fresh temporary file, a fixed time zone, a
// clock the test sets, timers that record what was armed, and questions answered from a script.
#include "data/appointment_table.h"
#include "data/date_helpers.h"
#include "data/sqlite_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace zc::test {

class FakeClock : public Clock {
  public:
    std::int64_t t = 0;
    std::int64_t now() const override { return t; }
};

class RecordingTimers : public ReminderTimers {
  public:
    std::map<unsigned, std::int64_t> running; // id -> delay in ms
    std::vector<unsigned> stopped;
    void startOneShot(unsigned id, std::int64_t ms) override { running[id] = ms; }
    void stop(unsigned id) override {
        running.erase(id);
        stopped.push_back(id);
    }
};

class ScriptedQuestions : public Questions {
  public:
    std::deque<bool> answers; // answered in turn; No when the script has run out
    std::vector<std::string> asked;
    std::vector<std::string> messages;
    bool askYesNo(const std::string& text, const std::string&) override {
        asked.push_back(text);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void showMessage(const std::string& text, const std::string&) override { messages.push_back(text); }
};

inline void setTimeZone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
}

// Use as a base of a test fixture; the zone defaults to one with daylight saving.
class StoreTest : public ::testing::Test {
  protected:
    explicit StoreTest(const char* tz = "Europe/Berlin") { setTimeZone(tz); }

    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("zorvel-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
        std::filesystem::create_directories(dir);
        storePath = (dir / "store.db").string();
        reopenStore();
        clock.t = localTime(2024, 3, 15, 12, 0);
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
    }

    void TearDown() override {
        table.reset();
        setSettingsStore(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Opens the store file again, as a new start of the program would.
    void reopenStore() {
        setSettingsStore(nullptr);
        setSettingsStore(std::make_unique<SqliteStore>(storePath));
    }

    // A fresh table on the same store, loaded from it: what the next start sees.
    AppointmentTable& restart() {
        table.reset();
        reopenStore();
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        table->loadAll();
        return *table;
    }

    Appointment& add(int y, int m, int d, int h, int min, const std::string& text, int early = -1) {
        Appointment& a = table->construct();
        a.setWhen(y, m, d, h, min, early, text);
        a.schedule(true);
        return a;
    }

    static int& counter() {
        static int n = 0;
        return n;
    }

    std::filesystem::path dir;
    std::string storePath;
    FakeClock clock;
    RecordingTimers timers;
    ScriptedQuestions questions;
    std::unique_ptr<AppointmentTable> table;
};

} // namespace zc::test

// Dates print readably when a check fails.
namespace zc {
inline void PrintTo(const LocalDate& d, std::ostream* os) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d (wd %d)", d.year, d.month, d.day, d.hour,
                  d.minute, d.weekday);
    *os << buf;
}
} // namespace zc
