// Speed of the appointment store: loading at start, the look-ups of one month, sorting for the
// tray tip and the week view, and saving one entry. Every figure is measured on a real store file.
//   build/bench/calendar/store_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "data/appointment_table.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

namespace {

using namespace zc;

const SystemClock kClock;
NoTimers gTimers;
SilentQuestions gQuestions;

std::filesystem::path benchDir() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("zorvel-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        std::atexit([] {
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                        ("zorvel-bench-" + std::to_string(::getpid())));
        });
        return d;
    }();
    return dir;
}

// A store file holding n appointments from 2000 on, eight a day (100,000 reach into 2034).
std::string storeWith(int n) {
    static std::map<int, std::string> made;
    if (auto it = made.find(n); it != made.end()) return it->second;
    const std::string path = (benchDir() / ("store-" + std::to_string(n) + ".db")).string();
    setSettingsStore(std::make_unique<SqliteStore>(path));
    {
        StoreBatch batch(settingsStore());
        for (int i = 0; i < n; ++i) {
            const LocalDate d = toLocal(localTime(2000, 1, 1 + i / 8, 12, 0));
            const int year = d.year, month = d.month, day = d.day, hour = 8 + i % 8;
            SettingsKey key;
            key.openAppointment(year, month, day, hour, 30);
            key.writeAppointment(
                {year, month, day, hour, 30, -1, "Meeting number " + std::to_string(i), 0, 0, "", "", 0});
        }
    }
    setSettingsStore(nullptr);
    return made[n] = path;
}

void BM_LoadAll(benchmark::State& state) {
    const std::string path = storeWith(static_cast<int>(state.range(0)));
    // Opening the store is part of loading; taking the table down again (at the program's end) is
    // not, and is left out of the figure.
    for (auto _ : state) {
        setSettingsStore(std::make_unique<SqliteStore>(path));
        auto table = std::make_unique<AppointmentTable>(kClock, gTimers, gQuestions);
        table->loadAll();
        benchmark::DoNotOptimize(table->size());
        state.PauseTiming();
        table.reset();
        setSettingsStore(nullptr);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The month view asks every day of a month whether it holds appointments, and the planner looks
// up each slot.
void BM_MonthLookups(benchmark::State& state) {
    setSettingsStore(std::make_unique<SqliteStore>(storeWith(100000)));
    AppointmentTable table(kClock, gTimers, gQuestions);
    table.loadAll();
    for (auto _ : state) {
        int hits = 0;
        for (int day = 1; day <= 31; ++day) {
            hits += table.hasAppointmentOn(2010, 5, day);
            hits += table.findAt(2010, 5, day, 10, 30) != nullptr;
        }
        benchmark::DoNotOptimize(hits);
    }
    setSettingsStore(nullptr);
}
BENCHMARK(BM_MonthLookups)->Unit(benchmark::kMicrosecond);

void BM_SortByTime(benchmark::State& state) {
    setSettingsStore(std::make_unique<SqliteStore>(storeWith(100000)));
    AppointmentTable table(kClock, gTimers, gQuestions);
    table.loadAll();
    for (auto _ : state) {
        state.PauseTiming();
        // Scatter the order again so every pass sorts real work.
        table.forEach([](const Appointment& a) { const_cast<Appointment&>(a).time ^= 0x5A5A; });
        state.ResumeTiming();
        table.sortByTime();
    }
    setSettingsStore(nullptr);
}
BENCHMARK(BM_SortByTime)->Unit(benchmark::kMillisecond);

void BM_SaveOne(benchmark::State& state) {
    setSettingsStore(std::make_unique<SqliteStore>(storeWith(10000)));
    AppointmentTable table(kClock, gTimers, gQuestions);
    Appointment& a = table.construct();
    int minute = 0;
    for (auto _ : state) {
        a.setWhen(2030, 6, 1 + minute / 60 % 28, 9, minute % 60, -1, "Saved entry");
        ++minute;
        a.save();
    }
    setSettingsStore(nullptr);
}
BENCHMARK(BM_SaveOne)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
