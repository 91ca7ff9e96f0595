// Start-up of the calendar with a large store. Two parts:
//  - `startup_bench --write-store PATH COUNT` writes COUNT appointments around today into a new store
//    file, for startup_bench.sh, which times the real program from start to its first painted month;
//  - run without those arguments, it measures what the notification icon does when the table changes
//    and when the minute turns: finding and describing the next appointment.
//   bash bench/calendar/startup_bench.sh
//   build/bench/calendar/startup_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "data/tray_tip.h"
#include "data/appointment_table.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace zc;

// Fifteen entries a day on consecutive days, starting a year before today, so the month shown at
// start holds entries too.
void writeAppointments(int count) {
    const LocalDate today = toLocal(static_cast<Time32>(std::time(nullptr)));
    StoreBatch batch(settingsStore());
    for (int i = 0; i < count; ++i) {
        const LocalDate d = toLocal(localTime(today.year - 1, today.month, today.day + i / 15, 12, 0));
        const int hour = 6 + i % 15, minute = (i / 15) % 2 * 30;
        SettingsKey key;
        key.openAppointment(d.year, d.month, d.day, hour, minute);
        key.writeAppointment({d.year, d.month, d.day, hour, minute, -1,
                              "Appointment number " + std::to_string(i), 0, 0, "", "", 0});
    }
}

int writeStore(const char* path, int count) {
    try {
        std::filesystem::remove(path);
        setSettingsStore(std::make_unique<SqliteStore>(path));
        settings::seedFirstRun();
        settings::ensureSoundDefaults();
        settings::loadReminderSettings();
        writeAppointments(count);
        setSettingsStore(nullptr);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

void BM_TrayTip(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "zorvel-startup-bench.db";
    writeStore(path.c_str(), static_cast<int>(state.range(0)));
    setSettingsStore(std::make_unique<SqliteStore>(path.string()));
    const SystemClock clock;
    NoTimers timers;
    SilentQuestions questions;
    AppointmentTable table(clock, timers, questions);
    table.loadAll();
    const auto now = static_cast<Time32>(clock.now());
    for (auto _ : state)
        benchmark::DoNotOptimize(trayTip(table, now));
    setSettingsStore(nullptr);
    std::filesystem::remove(path);
}
BENCHMARK(BM_TrayTip)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--write-store") == 0)
        return writeStore(argv[2], std::atoi(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
