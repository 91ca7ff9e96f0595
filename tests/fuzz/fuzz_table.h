#pragma once
// The common ground of the calendar's fuzz targets: Europe/Berlin, one in-memory store for the
// whole run, and for each input a table on a store emptied of appointments, holding three entries
// for the input to meet.
#include "data/appointment_table.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace zc::fuzz {

class FixedClock final : public Clock {
  public:
    std::int64_t now() const override { return 1710495000; }
};

inline void initialize() {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    setSettingsStore(std::make_unique<SqliteStore>(":memory:"));
}

struct FuzzTable {
    FixedClock clock;
    NoTimers timers;
    SilentQuestions questions;
    AppointmentTable table{clock, timers, questions};

    FuzzTable() {
        SettingsStore& store = settingsStore();
        if (const auto base = store.openKey(kBasePath); base != SettingsStore::kNoKey)
            store.deleteSubkey(base, "Appointments");
        for (int day = 14; day <= 16; ++day) {
            Appointment& a = table.construct();
            a.setWhen(2024, 3, day, 9, 30, -1, "Dentist");
            a.schedule(true);
        }
    }
};

} // namespace zc::fuzz
