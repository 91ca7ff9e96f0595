#pragma once
// The common ground of the engine benchmarks: a fixed time zone and clock, a real store in a fresh
// temporary folder, and an empty table on it. Removed again when the benchmark program ends.
#include "data/appointment_table.h"
#include "data/sqlite_store.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace zc::bench {

class FixedClock final : public Clock {
  public:
    std::int64_t t = 0;
    std::int64_t now() const override { return t; }
};

struct BenchStore {
    std::filesystem::path dir;
    FixedClock clock;
    NoTimers timers;
    SilentQuestions questions;
    std::unique_ptr<AppointmentTable> table;

    // name tells the temporary folders of concurrent benchmark programs apart; now is the local
    // date and time the clock shows.
    BenchStore(const std::string& name, int year, int month, int day, int hour, int minute) {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        clock.t = localTime(year, month, day, hour, minute);
        dir = std::filesystem::temp_directory_path() / ("zorvel-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        setSettingsStore(std::make_unique<SqliteStore>((dir / "store.db").string()));
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
    }
    ~BenchStore() {
        table.reset();
        setSettingsStore(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    BenchStore(const BenchStore&) = delete;
    BenchStore& operator=(const BenchStore&) = delete;
};

} // namespace zc::bench
