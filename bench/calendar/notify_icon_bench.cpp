// What keeping the notification icon's tip current costs while nothing changes: an idle minute
// over 100,000 appointments (one every ten minutes from a week back) is one turn of the minute
// timer, which compares the clock with the moment the tip may next change. For comparison, the
// computation the tip needs when that moment comes (or the table changes), and what recomputing
// it at every second of a minute would cost.
#include "bench_store.h"

#include "data/tray_tip.h"

#include <benchmark/benchmark.h>

namespace zc::bench {
namespace {

constexpr int kAppointments = 100000;

struct TipBench {
    BenchStore store{"tip", 2024, 3, 15, 12, 0};
    TipKeeper keeper;

    TipBench() {
        const Time32 first = static_cast<Time32>(store.clock.t - 7 * kSecondsPerDay);
        for (int i = 0; i < kAppointments; ++i) {
            const LocalDate at = toLocal(first + i * 600 + 300);
            Appointment& a = store.table->construct();
            a.setWhen(at.year, at.month, at.day, at.hour, at.minute, -1, "Meeting");
            a.schedule(false);
        }
        keeper.recompute(*store.table, static_cast<Time32>(store.clock.t));
    }
};

TipBench& fixture() {
    static TipBench bench;
    return bench;
}

// One idle minute: the timer's single look at the clock (12:00 -> 12:01, the next entry at 12:05).
void BM_IdleMinute(benchmark::State& state) {
    TipBench& b = fixture();
    const Time32 minuteLater = static_cast<Time32>(b.store.clock.t + 60);
    for (auto _ : state)
        benchmark::DoNotOptimize(b.keeper.minutePassed(*b.store.table, minuteLater));
}
BENCHMARK(BM_IdleMinute)->Unit(benchmark::kNanosecond);

// The tip computed once: when an appointment passes or the table changes.
void BM_TipRecomputed(benchmark::State& state) {
    TipBench& b = fixture();
    const Time32 now = static_cast<Time32>(b.store.clock.t);
    for (auto _ : state)
        benchmark::DoNotOptimize(b.keeper.recompute(*b.store.table, now));
}
BENCHMARK(BM_TipRecomputed)->Unit(benchmark::kMicrosecond);

// What a tip recomputed every second would cost over a minute.
void BM_MinuteOfPerSecondRecomputes(benchmark::State& state) {
    TipBench& b = fixture();
    const Time32 now = static_cast<Time32>(b.store.clock.t);
    for (auto _ : state)
        for (int second = 0; second < 60; ++second)
            benchmark::DoNotOptimize(b.keeper.recompute(*b.store.table, now + second));
}
BENCHMARK(BM_MinuteOfPerSecondRecomputes)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zc::bench

BENCHMARK_MAIN();
