// Feeds arbitrary bytes to the restore as a backup file, merging them into a small table on an
// in-memory store, so damaged or hostile backup files are checked for crashes, hangs and undefined
// behaviour.
#include "data/appointment_table.h"
#include "data/backup.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

class FixedClock final : public zc::Clock {
  public:
    std::int64_t now() const override { return 1710495000; }
};

const std::string& inputPath() {
    static const std::string path = "/tmp/zorvel-restore-fuzz-" + std::to_string(::getpid()) + ".zvl";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    zc::setSettingsStore(std::make_unique<zc::SqliteStore>(":memory:"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (std::FILE* f = std::fopen(inputPath().c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    // Each run starts from a store without appointments; the store itself is opened once.
    zc::SettingsStore& store = zc::settingsStore();
    if (const auto base = store.openKey(zc::kBasePath); base != zc::SettingsStore::kNoKey)
        store.deleteSubkey(base, "Appointments");
    {
        FixedClock clock;
        zc::NoTimers timers;
        zc::SilentQuestions questions;
        zc::AppointmentTable table(clock, timers, questions);
        // A few entries for the records to meet.
        for (int day = 14; day <= 16; ++day) {
            zc::Appointment& a = table.construct();
            a.setWhen(2024, 3, day, 9, 30, -1, "Dentist");
            a.schedule(true);
        }
        const zc::RestoreCounts counts = zc::restore(table, inputPath());
        if (counts.added < 0 || counts.modified < 0 || counts.duplicates() < 0) std::abort();
        // Whatever was merged must be written as a backup that reads back whole: restoring it
        // into the same table finds nothing but duplicates.
        const std::string out = inputPath() + ".out";
        std::remove(out.c_str());
        const int written = zc::backup(table, out);
        const zc::RestoreCounts again = zc::restore(table, out);
        if (again.read != written || again.added != 0 || again.modified != 0) std::abort();
        std::remove(out.c_str());
    }
    return 0;
}
