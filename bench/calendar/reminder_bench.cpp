// Re-arming every reminder: after the default lead changed (rearmReminders) and when the computer
// wakes up or the clock jumps (the reminder watch's walk), over 100,000 appointments one every
// ten minutes from a week back, so a thousand of them lie within the seven days that get timers.
#include "bench_store.h"

#include "data/reminder_watch.h"

#include <benchmark/benchmark.h>

namespace zc::bench {
namespace {

constexpr int kAppointments = 100000;

struct ReminderBench {
    BenchStore store;
    ReminderWatch watch{store.clock, store.timers};

    // allOnceArmed: every entry has had a timer, as in a program that ran for years.
    explicit ReminderBench(bool allOnceArmed) : store(allOnceArmed ? "rearm-all" : "rearm", 2024, 3, 15, 12, 0) {
        store.table = std::make_unique<AppointmentTable>(store.clock, watch, store.questions);
        const Time32 first = static_cast<Time32>(store.clock.t - 7 * kSecondsPerDay);
        for (int i = 0; i < kAppointments; ++i) {
            const LocalDate at = toLocal(first + i * 600);
            Appointment& a = store.table->construct();
            a.setWhen(at.year, at.month, at.day, at.hour, at.minute, 15, "Meeting");
            a.schedule(false);
            if (allOnceArmed && a.timerId == 0) a.timerId = (1u << 20) + static_cast<unsigned>(i);
        }
    }
};

ReminderBench& fixture() {
    static ReminderBench bench(false);
    return bench;
}

void BM_RearmAfterLeadChange(benchmark::State& state) {
    ReminderBench& b = fixture();
    for (auto _ : state)
        b.store.table->rearmReminders();
}
BENCHMARK(BM_RearmAfterLeadChange)->Unit(benchmark::kMillisecond);

void BM_RearmAtWakeUp(benchmark::State& state) {
    ReminderBench& b = fixture();
    const std::int64_t since = b.store.clock.t - 3600;
    for (auto _ : state)
        benchmark::DoNotOptimize(b.watch.rearmAfterClockJump(*b.store.table, since));
}
BENCHMARK(BM_RearmAtWakeUp)->Unit(benchmark::kMillisecond);

void BM_HourlyHorizonLook(benchmark::State& state) {
    ReminderBench& b = fixture();
    for (auto _ : state)
        b.watch.armWithinHorizon(*b.store.table);
}
BENCHMARK(BM_HourlyHorizonLook)->Unit(benchmark::kMillisecond);

// The worst case of a program that ran for years: every entry was armed once, so the lead change
// schedules all 100,000 again.
void BM_RearmAfterLeadChangeAllOnceArmed(benchmark::State& state) {
    static ReminderBench b(true);
    for (auto _ : state)
        b.store.table->rearmReminders();
}
BENCHMARK(BM_RearmAfterLeadChangeAllOnceArmed)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zc::bench

BENCHMARK_MAIN();
