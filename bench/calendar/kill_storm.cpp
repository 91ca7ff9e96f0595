// The kill storm: a child process makes a storm of changes to a store (new entries, changed texts,
// removed entries, cleared days) and is killed with SIGKILL at a random moment, again and again.
// After each kill the store is checked: the file is whole, every appointment key holds its twelve
// values, every change the child had finished is there, and the one it was making when it died
// landed whole or not at all, and the program's own load (which reads the packed rows) finds what
// the values say.
//   build/bench/calendar/kill_storm [--kills N] [--seed S] [--keep]
// Prints the figures and exits 1 when any check failed. CI runs a short storm (ctest -R KillStorm).
#include "data/appointment_table.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace zc;
namespace fs = std::filesystem;

struct Slot {
    int y, m, d, h, min;
    bool operator<(const Slot& o) const {
        return std::tie(y, m, d, h, min) < std::tie(o.y, o.m, o.d, o.h, o.min);
    }
};

std::string keyName(const Slot& s) {
    return std::to_string(s.y) + "_" + std::to_string(s.m) + "\\" + std::to_string(s.d) + "_" +
           std::to_string(s.h) + "_" + std::to_string(s.min);
}

class ZeroClock final : public Clock {
  public:
    std::int64_t now() const override { return 0; }
};

// Each message to the parent is one line, written with one write(2) so that it is either all
// there or not at all when the child dies: "B <op> ..." before a change, "E" once it is stored.
void tell(int fd, const std::string& line) {
    const std::string text = line + "\n";
    [[maybe_unused]] auto n = ::write(fd, text.data(), text.size());
}

// The child: an endless storm of changes on the store, as the day planner makes them.
[[noreturn]] void storm(const std::string& path, int fd, unsigned seed, int firstNote) {
    try {
        setSettingsStore(std::make_unique<SqliteStore>(path));
        ZeroClock clock;
        NoTimers timers;
        SilentQuestions questions;
        AppointmentTable table(clock, timers, questions);
        table.loadAll();
        std::mt19937 random(seed);
        int note = firstNote;
        for (;;) {
            const int op = static_cast<int>(random() % 100);
            std::vector<Appointment*> all;
            table.forEach([&](const Appointment& a) { all.push_back(const_cast<Appointment*>(&a)); });
            if (op < 60 || all.size() < 10) {
                const Slot s{2024, 1 + static_cast<int>(random() % 3), 1 + static_cast<int>(random() % 28),
                             6 + static_cast<int>(random() % 17), static_cast<int>(random() % 2) * 30};
                if (table.findAt(s.y, s.m, s.d, s.h, s.min)) continue;
                const std::string text = "Note " + std::to_string(note++);
                tell(fd, "B save " + keyName(s) + " " + text);
                Appointment& a = table.construct();
                a.setWhen(s.y, s.m, s.d, s.h, s.min, -1, text);
                a.schedule(true);
            } else if (op < 75) {
                Appointment& a = *all[random() % all.size()];
                const std::string text = "Note " + std::to_string(note++);
                tell(fd, "B notes " +
                             keyName({a.stored.year, a.stored.month, a.stored.day, a.stored.hour,
                                      a.stored.minute}) +
                             " " + text);
                a.changeNotes(text);
            } else if (op < 92) {
                Appointment& a = *all[random() % all.size()];
                tell(fd, "B remove " + keyName({a.stored.year, a.stored.month, a.stored.day, a.stored.hour,
                                                a.stored.minute}));
                table.remove(a, false);
            } else {
                const Appointment& a = *all[random() % all.size()];
                tell(fd, "B clear " + std::to_string(a.stored.year) + "_" + std::to_string(a.stored.month) +
                             " " + std::to_string(a.stored.day));
                table.clearDay(a.stored.year, a.stored.month, a.stored.day);
            }
            tell(fd, settingsStore().failures().count ? "F" : "E");
        }
    } catch (const std::exception& e) {
        tell(fd, std::string("X ") + e.what());
    }
    ::_exit(2);
}

// What the store holds: every appointment key with its notes and number of values.
struct Held {
    std::string notes;
    int values = 0;
};

std::optional<std::map<std::string, Held>> readStore(const std::string& path, std::string& problem) {
    // Opened for writing, as the next start opens it: a child killed while it made the store leaves a
    // hot journal that only a writer rolls back, and a reader-only connection would call that damage.
    // A child killed before it got as far as making the store leaves no file: that store is empty,
    // and any change reported as finished shows up as lost in the comparison.
    if (!fs::exists(path)) return std::map<std::string, Held>{};
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        problem = "the store cannot be opened";
        sqlite3_close(db);
        return std::nullopt;
    }
    std::map<std::string, Held> held;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr);
    if (sqlite3_step(s) != SQLITE_ROW || std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "ok"))
        problem = "the integrity check failed";
    sqlite3_finalize(s);
    sqlite3_prepare_v2(db,
                       "SELECT m.name || '\\' || a.name, count(v.name), "
                       "max(CASE WHEN v.name = 'notes' THEN v.data END) "
                       "FROM keys a JOIN keys m ON a.parent = m.id JOIN keys r ON m.parent = r.id "
                       "LEFT JOIN vals v ON v.key = a.id WHERE r.name = 'Appointments' GROUP BY a.id",
                       -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW) {
        Held& h = held[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))];
        h.values = sqlite3_column_int(s, 1);
        if (const void* p = sqlite3_column_blob(s, 2))
            h.notes.assign(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(s, 2)));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    if (!problem.empty()) return std::nullopt;
    return held;
}

struct Figures {
    int kills = 0, changesDone = 0, inFlight = 0, corrupt = 0, keysWithoutValues = 0, lostChanges = 0,
        halfChanges = 0, childErrors = 0, loadedOtherwise = 0;
};

// The next start's load, key by key, with the notes it found.
std::map<std::string, std::string> loadAsTheProgram(const std::string& path) {
    std::map<std::string, std::string> loaded;
    setSettingsStore(std::make_unique<SqliteStore>(path));
    {
        ZeroClock clock;
        NoTimers timers;
        SilentQuestions questions;
        AppointmentTable table(clock, timers, questions);
        table.loadAll();
        table.forEach([&](const Appointment& a) {
            loaded[keyName({a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute})] =
                a.stored.notes;
        });
    }
    setSettingsStore(nullptr);
    return loaded;
}

// Checks the store against what the child reported; returns the store's content as the new model.
std::map<std::string, std::string> check(const std::string& path, std::map<std::string, std::string> model,
                                         const std::string& reports, Figures& f) {
    // Replays the finished changes on the model; the last unfinished one may or may not have landed.
    std::istringstream in(reports);
    std::string line, pending;
    auto apply = [&](const std::string& change, std::map<std::string, std::string>& m) {
        std::istringstream c(change);
        std::string op, key;
        c >> op >> key;
        if (op == "save" || op == "notes") {
            std::string text;
            std::getline(c, text);
            m[key] = text.substr(1);
        } else if (op == "remove") {
            m.erase(key);
        } else if (op == "clear") {
            std::string day;
            c >> day;
            const std::string prefix = key + "\\" + day + "_";
            for (auto it = m.begin(); it != m.end();)
                it = it->first.rfind(prefix, 0) == 0 ? m.erase(it) : std::next(it);
        }
    };
    while (std::getline(in, line)) {
        if (line.rfind("B ", 0) == 0) {
            pending = line.substr(2);
        } else if (line == "E" && !pending.empty()) {
            apply(pending, model);
            ++f.changesDone;
            pending.clear();
        } else if (line == "F" || line.rfind("X ", 0) == 0) {
            std::printf("kill %d: the child reported: %s\n", f.kills, line.c_str());
            ++f.childErrors;
            pending.clear();
        }
    }
    std::string problem;
    const auto held = readStore(path, problem);
    if (!held) {
        std::printf("kill %d: %s\n", f.kills, problem.c_str());
        ++f.corrupt;
        return model;
    }
    std::map<std::string, std::string> stored;
    int partKeys = 0;
    for (const auto& [key, h] : *held) {
        if (h.values != 12 && partKeys++ == 0)
            std::printf("kill %d: key %s holds %d values\n", f.kills, key.c_str(), h.values);
        stored[key] = h.notes;
    }
    if (partKeys > 0) ++f.keysWithoutValues;
    if (partKeys == 0 && loadAsTheProgram(path) != stored) {
        std::printf("kill %d: the program loads other appointments than the store's values say\n", f.kills);
        ++f.loadedOtherwise;
    }
    if (stored != model) {
        std::map<std::string, std::string> landed = model;
        if (!pending.empty()) {
            ++f.inFlight;
            apply(pending, landed);
        }
        if (stored != landed) {
            // Either a finished change is missing, or the unfinished one landed in part.
            bool lost = false;
            for (const auto& [key, notes] : model) {
                const auto s = stored.find(key);
                const auto l = landed.find(key);
                const bool asBefore = s != stored.end() && s->second == notes;
                const bool asAfter = (s == stored.end()) == (l == landed.end()) && (s == stored.end() || s->second == l->second);
                if (!asBefore && !asAfter) lost = true;
            }
            std::printf("kill %d: the store differs from the finished changes%s (pending: %s)\n", f.kills,
                        lost ? "" : " by part of the unfinished one", pending.c_str());
            ++(lost ? f.lostChanges : f.halfChanges);
        }
    }
    return stored;
}

} // namespace

int main(int argc, char** argv) {
    int kills = 200;
    unsigned seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--kills") && i + 1 < argc)
            kills = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc)
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (!std::strcmp(argv[i], "--keep"))
            keep = true;
        else {
            std::fprintf(stderr, "usage: %s [--kills N] [--seed S] [--keep]\n", argv[0]);
            return 2;
        }
    }
    setenv("TZ", "Europe/London", 1);
    const fs::path dir = fs::temp_directory_path() / ("zorvel-kill-storm-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "store.db").string();
    std::mt19937 random(seed);
    Figures f;
    std::map<std::string, std::string> model;
    const auto started = std::chrono::steady_clock::now();
    for (int k = 0; k < kills; ++k) {
        int fds[2];
        if (::pipe(fds) != 0) return 2;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            storm(path, fds[1], static_cast<unsigned>(random()), k * 100000);
        }
        ::close(fds[1]);
        // Long enough for the start and a few dozen changes; the moment of the kill falls anywhere.
        ::usleep(static_cast<useconds_t>(5000 + random() % 45000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        std::string reports;
        char buf[4096];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            reports.append(buf, static_cast<std::size_t>(n));
        ::close(fds[0]);
        ++f.kills;
        model = check(path, std::move(model), reports, f);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("kill storm (seed %u): %d kills in %.1f s, %d changes finished and checked, %zu appointments at "
                "the end; %d kills fell inside a change\n",
                seed, f.kills, seconds, f.changesDone, model.size(), f.inFlight);
    std::printf("kills after which: the store was damaged %d, a key lacked some of its twelve values %d, finished changes lost %d, "
                "unfinished changes landed in part %d, failures reported by the child %d, the load differed from the "
                "values %d\n",
                f.corrupt, f.keysWithoutValues, f.lostChanges, f.halfChanges, f.childErrors, f.loadedOtherwise);
    if (!keep) fs::remove_all(dir);
    return f.corrupt + f.keysWithoutValues + f.lostChanges + f.halfChanges + f.childErrors + f.loadedOtherwise == 0
               ? 0
               : 1;
}
