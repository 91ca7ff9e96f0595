// Feeds arbitrary bytes to the iCalendar import, merging them into a small table on an in-memory
// store, so damaged or hostile calendar files are checked for crashes, hangs and undefined
// behaviour. Whatever was imported must then export to a file whose import finds nothing new.
#include "data/appointment_table.h"
#include "data/ical_exchange.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

class FixedClock final : public zc::Clock {
  public:
    std::int64_t now() const override { return 1710495000; }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    zc::setSettingsStore(std::make_unique<zc::SqliteStore>(":memory:"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each run starts from a store without appointments; the store itself is opened once.
    zc::SettingsStore& store = zc::settingsStore();
    if (const auto base = store.openKey(zc::kBasePath); base != zc::SettingsStore::kNoKey)
        store.deleteSubkey(base, "Appointments");
    FixedClock clock;
    zc::NoTimers timers;
    zc::SilentQuestions questions;
    zc::AppointmentTable table(clock, timers, questions);
    // A few entries for the events to meet.
    for (int day = 14; day <= 16; ++day) {
        zc::Appointment& a = table.construct();
        a.setWhen(2024, 3, day, 9, 30, -1, "Dentist");
        a.schedule(true);
    }
    const zc::IcsImportResult result =
        zc::importIcsText(table, std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.ics");
    const zc::IcsImportCounts& c = result.counts;
    if (c.added < 0 || c.modified < 0 || c.skipped < 0 || c.duplicates() < 0) std::abort();
    if (!result.ok && (c.read != 0 || table.size() != 3)) std::abort();

    static const std::string out = "/tmp/zorvel-ical-fuzz-" + std::to_string(::getpid()) + ".ics";
    const zc::IcsExportResult exported = zc::exportIcs(table, out);
    if (!exported.ok || exported.events != static_cast<int>(table.size())) std::abort();
    const zc::IcsImportResult again = zc::importIcs(table, out);
    if (!again.ok || again.counts.added != 0 || again.counts.modified != 0 || again.counts.skipped != 0) std::abort();
    std::remove(out.c_str());
    return 0;
}
