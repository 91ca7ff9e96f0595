// Backup and restore of 10,000 appointments, against a real store in a temporary file.
#include "data/appointment_table.h"
#include "data/backup.h"
#include "data/sqlite_store.h"

#include "bench_store.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kEntries = 10000;

// A temporary folder with a store holding a table of kEntries appointments (every half hour from
// 8:00 to 19:30 over consecutive days of 2024), a backup of that table, and a backup file of as many
// appointments at other minutes. Built once and shared by the benchmarks.
struct Fixture : zc::bench::BenchStore {
    std::string sameFile, newFile;

    Fixture() : BenchStore("backup-bench", 2024, 3, 1, 8, 0) {
        {
            zc::StoreBatch batch(zc::settingsStore());
            fill(*table, 0, "Meeting with the team about", true);
        }
        sameFile = (dir / "same.zvl").string();
        newFile = (dir / "new.zvl").string();
        zc::backup(*table, sameFile);
        // The other file's entries are never stored: they only give their record lines.
        zc::AppointmentTable scratch(clock, timers, questions);
        fill(scratch, 15, "Backed up", false);
        std::FILE* out = std::fopen(newFile.c_str(), "wb");
        scratch.forEach([&](const zc::Appointment& a) {
            const std::string line = zc::backupRecordLine(a);
            std::fprintf(out, "%04zu|", line.size());
            std::fwrite(line.data(), 1, line.size(), out);
        });
        std::fclose(out);
    }

    // Entries at minute 0 or 30 (offset 0) or at minute 15 or 45 (offset 15).
    static void fill(zc::AppointmentTable& t, int minuteOffset, const std::string& text, bool save) {
        for (int i = 0; i < kEntries; ++i) {
            const int slot = i % 24;
            zc::Appointment& a = t.construct();
            a.setWhen(2024, 1, 1 + i / 24, 8 + slot / 2, (slot % 2) * 30 + minuteOffset, 10,
                      text + " " + std::to_string(i));
            a.schedule(save);
        }
    }

    static Fixture& get() {
        static Fixture f;
        return f;
    }
};

void BM_Backup(benchmark::State& state) {
    Fixture& f = Fixture::get();
    const std::string file = (f.dir / zc::kBackupFileName).string();
    double cpu = 0; // milliseconds of processor time in the measured part
    for (auto _ : state) {
        std::filesystem::remove(file);
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        const int written = zc::backup(*f.table, file);
        const auto end = std::chrono::steady_clock::now();
        cpu += static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
        if (written != kEntries) state.SkipWithError("backup wrote the wrong count");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Backup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5);

// Every record of the file is new to the table: 10,000 appointments are added and stored.
void BM_RestoreAddsAll(benchmark::State& state) {
    Fixture& f = Fixture::get();
    double cpu = 0; // milliseconds of processor time in the measured part
    for (auto _ : state) {
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        const zc::RestoreCounts counts = zc::restore(*f.table, f.newFile);
        const auto end = std::chrono::steady_clock::now();
        cpu += static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
        if (counts.added != kEntries) state.SkipWithError("restore added the wrong count");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        // Back to the table of 10,000 for the next round.
        zc::StoreBatch batch(zc::settingsStore());
        std::vector<zc::Appointment*> added;
        f.table->forEach([&](const zc::Appointment& a) {
            if (a.stored.minute % 30 != 0) added.push_back(const_cast<zc::Appointment*>(&a));
        });
        for (zc::Appointment* a : added)
            f.table->remove(*a, false);
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_RestoreAddsAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5);

// Backup then restore with nothing changed: every record is a duplicate.
void BM_RestoreDuplicates(benchmark::State& state) {
    Fixture& f = Fixture::get();
    double cpu = 0; // milliseconds of processor time in the measured part
    for (auto _ : state) {
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        const zc::RestoreCounts counts = zc::restore(*f.table, f.sameFile);
        const auto end = std::chrono::steady_clock::now();
        cpu += static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
        if (counts.duplicates() != kEntries) state.SkipWithError("restore found the wrong count");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_RestoreDuplicates)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
