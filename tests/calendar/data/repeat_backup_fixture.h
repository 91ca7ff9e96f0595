#pragma once
// Fixture of the repeat and backup tests: a real store in a fresh temporary folder, a fixed time
// zone with daylight saving, a clock the test sets, and questions answered from a script.
#include "data/appointment_table.h"
#include "data/date_helpers.h"
#include "data/sqlite_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace zc::rbtest {

class SetClock : public Clock {
  public:
    std::int64_t t = 0;
    std::int64_t now() const override { return t; }
};

class AnsweringQuestions : public Questions {
  public:
    std::deque<bool> answers; // taken in turn; No once they run out
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

inline void fixTimeZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}

class TableTest : public ::testing::Test {
  public:
    void SetUp() override {
        fixTimeZone("Europe/Berlin");
        static int serial = 0;
        dir = std::filesystem::temp_directory_path() /
              ("zorvel-rb-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(dir);
        storePath = (dir / "store.db").string();
        setSettingsStore(std::make_unique<SqliteStore>(storePath));
        clock.t = localTime(2024, 3, 15, 12, 0);
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
    }

    void TearDown() override {
        table.reset();
        setSettingsStore(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // What the next start of the program sees: a fresh table loaded from the reopened store.
    AppointmentTable& restart() {
        table.reset();
        setSettingsStore(nullptr);
        setSettingsStore(std::make_unique<SqliteStore>(storePath));
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

    // The dates of every entry with the given text, in time order, as "YYYY-MM-DD HH:MM".
    std::vector<std::string> datesOf(const std::string& text) {
        table->sortByTime();
        std::vector<std::string> out;
        table->forEach([&](const Appointment& a) {
            if (a.notes == text) out.push_back(format(a.year, a.month, a.day, a.hour, a.minute));
        });
        return out;
    }

    static std::string format(int y, int m, int d, int h, int min) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", y, m, d, h, min);
        return buf;
    }

    std::filesystem::path dir;
    std::string storePath;
    SetClock clock;
    NoTimers timers;
    AnsweringQuestions questions;
    std::unique_ptr<AppointmentTable> table;
};

} // namespace zc::rbtest
