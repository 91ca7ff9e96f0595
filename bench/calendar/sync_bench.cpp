// The sync against a local Radicale (started by tests/calendar/data/caldav_peer.py, writes unsynced
// and new UIDs checked in an index): a first sync of 10,000 appointments up, one of 10,000 events
// down, a sync with nothing changed, and how much the program's memory grows for 10,000 items.
// Each reports the server's processor time (server_cpu_ms) beside the wall time, and the
// program's own (cpu_ms): what is left is waiting on the loopback and the disk.
//
//   build/bench/calendar/sync_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
//
// ZORVEL_SYNC_BENCH_ITEMS sets the number of items (10,000 when unset): on a loaded machine the
// server alone needs minutes for 10,000 uploads, and the per-item costs at 1,000 and 2,000 tell
// the client's share from the server's. sync_plain_put.py times the same number of bare uploads
// against a running test server, for the server's share of a first sync up.
// ZORVEL_SYNC_BENCH_RUNS sets how many syncs with nothing changed are timed (20 when unset); 1
// suits counting the program's instructions under callgrind:
//
//   ZORVEL_SYNC_BENCH_RUNS=1 valgrind --tool=callgrind --toggle-collect='zc::synchronizeOnConnection*'
//   build/bench/calendar/sync_bench --benchmark_filter=BM_SyncWithNothingChanged
#include "data/appointment_table.h"
#include "data/caldav_sync.h"
#include "data/sqlite_store.h"
#include "platform/http_client.h"

#include "bench_store.h"
#include "caldav_peer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
const int kEntries = [] {
    const char* items = std::getenv("ZORVEL_SYNC_BENCH_ITEMS");
    return items && std::atoi(items) > 0 ? std::atoi(items) : 10000;
}();
const int kNothingChangedRuns = [] {
    const char* runs = std::getenv("ZORVEL_SYNC_BENCH_RUNS");
    return runs && std::atoi(runs) > 0 ? std::atoi(runs) : 20;
}();
const std::string kPeer = zc::test::PeerServer::kScript;
using zc::test::run;

// Processor time of a process in milliseconds, from /proc.
double cpuMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15) ticks += std::stol(field);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long residentKb(const std::string& field = "VmRSS:") {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
    return 0;
}

// Radicale and a secret service, kept for the whole program.
struct Server {
    zc::test::Helper peer;
    pid_t radicale = -1;
    int port = 0;
    fs::path folder = fs::temp_directory_path() / ("zorvel-sync-bench-" + std::to_string(getpid()));

    Server() {
        fs::create_directories(folder);
        if (!peer.start({"/usr/bin/python3", kPeer, "serve", folder.string()})) return;
        std::sscanf(peer.firstLine.c_str(), "PORT %d", &port);
        // Radicale is the helper's first child.
        const std::string pid = std::to_string(peer.pid);
        std::ifstream children("/proc/" + pid + "/task/" + pid + "/children");
        children >> radicale;
    }
    ~Server() {
        peer.stop();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    static Server& get() {
        static Server s;
        return s;
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port) + "/"; }

    // A new empty calendar for each measurement.
    zc::SyncAccount newCalendar() {
        static int made = 0;
        const std::string name = "bench" + std::to_string(++made);
        run("/usr/bin/python3 " + kPeer + " '" + base() + "' ann secret mkcal " + name);
        return {base(), "ann", base() + "ann/" + name + "/", name};
    }
    fs::path storageOf(const zc::SyncAccount& account) const {
        return folder / "collections" / "collection-root" / "ann" / account.calendarName;
    }
};

std::unique_ptr<zc::platform::HttpClient> httpClient() {
    zc::platform::HttpSettings settings;
    settings.user = "ann";
    settings.password = "secret";
    settings.credentialHost = "127.0.0.1:" + std::to_string(Server::get().port);
    return zc::platform::makeHttpClient(settings);
}

zc::SyncResult synchronize(zc::AppointmentTable& table, const zc::SyncAccount& account) {
    return zc::synchronize(table, *httpClient(), account);
}

// Times one sync, with the program's and the server's processor time.
struct Timing {
    double cpu = 0, serverCpu = 0;
    template <typename F> void measure(benchmark::State& state, F&& sync) {
        const double serverStart = cpuMs(Server::get().radicale);
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        sync();
        const auto end = std::chrono::steady_clock::now();
        cpu += static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
        serverCpu += cpuMs(Server::get().radicale) - serverStart;
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    void report(benchmark::State& state) const {
        const auto n = static_cast<double>(state.iterations());
        state.counters["cpu_ms"] = cpu / n;
        state.counters["server_cpu_ms"] = serverCpu / n;
    }
};

void fill(zc::AppointmentTable& table) {
    zc::StoreBatch batch(zc::settingsStore());
    for (int i = 0; i < kEntries; ++i) {
        const int slot = i % 24;
        const zc::LocalDate d = zc::toLocal(zc::localTime(2031, 1, 1 + i / 24, 12, 0));
        zc::Appointment& a = table.construct();
        a.setWhen(d.year, d.month, d.day, 8 + slot / 2, (slot % 2) * 30, -1, "Meeting about item " + std::to_string(i));
        a.schedule(true);
    }
}

void BM_FirstSyncUp(benchmark::State& state) {
    if (Server::get().port == 0) return state.SkipWithError("radicale or python3-caldav is missing");
    Timing timing;
    for (auto _ : state) {
        zc::bench::BenchStore store("sync-up", 2031, 1, 1, 8, 0);
        fill(*store.table);
        const zc::SyncAccount account = Server::get().newCalendar();
        zc::saveSyncAccount(account);
        zc::SyncResult r;
        timing.measure(state, [&] { r = synchronize(*store.table, account); });
        if (!r.ok || r.sent != kEntries) state.SkipWithError(("sent " + std::to_string(r.sent) + " " + r.message).c_str());
    }
    timing.report(state);
}
BENCHMARK(BM_FirstSyncUp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// Objects laid straight into the server's folder: a second client, or this program's first sync
// up, would take minutes for 10,000.
void layServerItems(const zc::SyncAccount& account) {
    const fs::path folder = Server::get().storageOf(account);
    for (int i = 0; i < kEntries; ++i) {
        char start[32];
        // A slot of its own for each: 24 half hours a day, 28 days a month.
        const int month = i / 672;
        std::snprintf(start, sizeof start, "%04d%02d%02dT%02d%02d00Z", 2031 + month / 12, 1 + month % 12,
                      1 + i % 672 / 24, 6 + i % 24 / 2, i % 2 * 30);
        std::ofstream(folder / ("peer-" + std::to_string(i) + ".ics"))
            << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VEVENT\r\nUID:peer-" << i
            << "\r\nDTSTAMP:20310101T000000Z\r\nDTSTART:" << start << "\r\nSUMMARY:Server item " << i
            << "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    }
}

void BM_FirstSyncDown(benchmark::State& state) {
    if (Server::get().port == 0) return state.SkipWithError("radicale or python3-caldav is missing");
    Timing timing;
    for (auto _ : state) {
        const zc::SyncAccount account = Server::get().newCalendar();
        layServerItems(account);
        zc::bench::BenchStore store("sync-down", 2031, 1, 1, 8, 0);
        zc::saveSyncAccount(account);
        zc::SyncResult r;
        timing.measure(state, [&] { r = synchronize(*store.table, account); });
        if (!r.ok || r.received + r.notPlaced != kEntries)
            state.SkipWithError(("received " + std::to_string(r.received) + " " + r.message).c_str());
    }
    timing.report(state);
}
BENCHMARK(BM_FirstSyncDown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// 10,000 items on both sides (taken down from the server), the sync token kept: the sync that
// finds nothing to do, run as the program's sync worker runs it (its own store connection and a
// table of its own, read from the store at each sync), and the resident memory that holding and
// syncing the 10,000 items added.
void BM_SyncWithNothingChanged(benchmark::State& state) {
    if (Server::get().port == 0) return state.SkipWithError("radicale or python3-caldav is missing");
    const long before = residentKb(), anonBefore = residentKb("RssAnon:");
    zc::bench::BenchStore store("sync-none", 2031, 1, 1, 8, 0);
    const zc::SyncAccount account = Server::get().newCalendar();
    layServerItems(account);
    zc::saveSyncAccount(account);
    // The first sync as the running program makes it: on the worker's connection, after which
    // the windows' table is loaded again.
    zc::SqliteStore worker((store.dir / "store.db").string());
    if (!zc::synchronizeOnConnection(worker, store.clock, *httpClient(), account, {}).ok)
        return state.SkipWithError("the first sync failed");
    store.table->reloadAll();
    const long after = residentKb(), anonAfter = residentKb("RssAnon:");
    Timing timing;
    for (auto _ : state) {
        zc::SyncResult r;
        timing.measure(state, [&] {
            r = zc::synchronizeOnConnection(worker, store.clock, *httpClient(), account, {});
        });
        if (!r.ok || r.sent + r.received != 0) state.SkipWithError("a sync with nothing to do moved items");
    }
    timing.report(state);
    // All resident memory, and the program's own (without the pages of the store file it reads
    // through a mapping, which the system can drop at any time).
    state.counters["growth_mb"] = static_cast<double>(after - before) / 1024.0;
    state.counters["anon_growth_mb"] = static_cast<double>(anonAfter - anonBefore) / 1024.0;
}
BENCHMARK(BM_SyncWithNothingChanged)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kNothingChangedRuns);

} // namespace

BENCHMARK_MAIN();
