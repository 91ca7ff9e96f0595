// Setting a weekly repeat on an entry in a table of 100,000 appointments, against a real store in a
// temporary file: the dialog model, the save of the entry and the generation of its series.
#include "data/appointment_table.h"
#include "data/repeat_rules.h"
#include "data/sqlite_store.h"

#include "bench_store.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kEntries = 100000;

// A store and a table with every half hour from 8:00 to 19:30 over about eleven years around the
// entry, built once and shared by the repetitions.
struct Fixture : zc::bench::BenchStore {
    Fixture() : BenchStore("repeat-bench", 2024, 3, 15, 8, 0) {
        zc::StoreBatch batch(zc::settingsStore());
        for (int i = 0; i < kEntries; ++i) {
            const int slot = i % 24;
            const zc::LocalDate d = zc::toLocal(zc::localTime(2019, 1, 1 + i / 24, 12, 0));
            zc::Appointment& a = table->construct();
            a.setWhen(d.year, d.month, d.day, 8 + slot / 2, (slot % 2) * 30, 10,
                      "Entry " + std::to_string(i));
            a.schedule(true);
        }
    }
    static Fixture& get() {
        static Fixture f;
        return f;
    }
};

void BM_SetWeeklyRepeat(benchmark::State& state) {
    Fixture& f = Fixture::get();
    zc::AppointmentTable& table = *f.table;
    zc::Appointment& entry = table.construct();
    entry.setWhen(2024, 3, 15, 7, 15, 10, "Dentist");
    entry.schedule(true);

    double cpu = 0; // milliseconds of processor time in the measured part
    for (auto _ : state) {
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        zc::RepeatDialogModel model;
        model.prepareRepeatDialog(entry.stored.day, entry.stored.month, entry.stored.year, entry.stored.notes,
                                  f.clock.now());
        model.presetRepeatDialog(entry.stored.repeats, entry.stored.nthweek);
        model.openRepeatDialog();
        model.kind = zc::kRepeatWeekly;
        model.applyTo(entry);
        const auto end = std::chrono::steady_clock::now();
        cpu += static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());

        // The series goes again, so every round generates the same seven occurrences.
        std::vector<zc::Appointment*> series;
        table.forEach([&](const zc::Appointment& a) {
            if (&a != &entry && a.stored.notes == "Dentist")
                series.push_back(const_cast<zc::Appointment*>(&a));
        });
        if (series.size() != 7) state.SkipWithError("the series has the wrong length");
        for (zc::Appointment* a : series)
            table.remove(*a, false);
        entry.setRepeat(0, "", "", 0);
        entry.schedule(true);
    }
    table.remove(entry, false);
    state.counters["cpu_ms"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SetWeeklyRepeat)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
