// Export of 10,000 appointments to an iCalendar file, and import of such a file into an empty
// store, against a real store in a temporary folder.
#include "data/appointment_table.h"
#include "data/ical_exchange.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include "bench_store.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>

namespace {

constexpr int kEntries = 10000;

// A store holding kEntries appointments (every half hour from 8:00 to 19:30 over consecutive days
// of 2024, every third with a reminder) and their export. Built once and shared.
struct Fixture : zc::bench::BenchStore {
    std::string file;

    Fixture() : BenchStore("ical-bench", 2024, 1, 1, 8, 0) {
        {
            zc::StoreBatch batch(zc::settingsStore());
            for (int i = 0; i < kEntries; ++i) {
                const int slot = i % 24;
                const zc::LocalDate d = zc::toLocal(zc::localTime(2024, 1, 1 + i / 24, 12, 0));
                zc::Appointment& a = table->construct();
                a.setWhen(d.year, d.month, d.day, 8 + slot / 2, (slot % 2) * 30, i % 3 == 0 ? 10 : -1,
                          "Meeting with the team about item " + std::to_string(i));
                a.schedule(true);
            }
        }
        file = (dir / "calendar.ics").string();
        zc::exportIcs(*table, file);
    }

    static Fixture& get() {
        static Fixture f;
        return f;
    }
};

template <typename F> void measure(benchmark::State& state, F&& run, double& cpu) {
    const std::clock_t cpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto end = std::chrono::steady_clock::now();
    cpu += static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
}

void BM_ExportIcs(benchmark::State& state) {
    Fixture& f = Fixture::get();
    const std::string out = (f.dir / "export.ics").string();
    double cpu = 0; // milliseconds of processor time in the measured part
    for (auto _ : state) {
        zc::IcsExportResult result;
        measure(state, [&] { result = zc::exportIcs(*f.table, out); }, cpu);
        if (!result.ok || result.events != kEntries) state.SkipWithError("export wrote the wrong count");
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ExportIcs)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5);

// Every event of the file is new: 10,000 appointments are added and stored.
void BM_ImportIcsIntoEmptyStore(benchmark::State& state) {
    Fixture& f = Fixture::get();
    double cpu = 0; // milliseconds of processor time in the measured part
    for (auto _ : state) {
        zc::SettingsStore& store = zc::settingsStore();
        if (const auto base = store.openKey(zc::kBasePath); base != zc::SettingsStore::kNoKey)
            store.deleteSubkey(base, "Appointments");
        zc::AppointmentTable empty(f.clock, f.timers, f.questions);
        zc::IcsImportResult result;
        measure(state, [&] { result = zc::importIcs(empty, f.file); }, cpu);
        if (result.counts.added != kEntries) state.SkipWithError("import added the wrong count");
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ImportIcsIntoEmptyStore)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
