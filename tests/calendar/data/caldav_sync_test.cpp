// The sync against a real CalDAV server (Radicale on a free localhost port, with htpasswd users and
// a temporary storage folder), a secret service on a private session bus, and python3-caldav as
// the second client (caldav_peer.py). fault_proxy.py stands between the two where the server is to
// fail. Skipped where Radicale or python3-caldav is missing.
#include "store_fixture.h"

#include "caldav_peer.h"

#include "data/caldav_sync.h"
#include "data/settings_key.h"
#include "data/todo_list.h"
#include "platform/http_client.h"

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <tuple>
#include <sys/wait.h>

namespace zc::test {
namespace {

namespace fs = std::filesystem;
const std::string kPython = "/usr/bin/python3";
const std::string kPeer = ZORVEL_TEST_SCRIPTS "/caldav_peer.py";
const std::string kProxy = ZORVEL_TEST_SCRIPTS "/fault_proxy.py";

class CalDavSyncTest : public StoreTest {
  protected:
    CalDavSyncTest() : StoreTest("Europe/Berlin") {}

    static void SetUpTestSuite() {
        if (!fs::exists("/usr/bin/radicale") || run(kPython + " -c 'import caldav, radicale' 2>&1") != "") return;
        serverDir_ = fs::temp_directory_path() / ("zorvel-caldav-" + std::to_string(getpid()));
        fs::create_directories(serverDir_);
        server_ = new Helper;
        if (!server_->start({kPython, kPeer, "serve", serverDir_.string()})) return;
        std::istringstream line(server_->firstLine);
        std::string word, bus;
        line >> word >> port_ >> word >> bus;
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    }
    static void TearDownTestSuite() {
        if (server_) server_->stop();
        delete server_;
        server_ = nullptr;
        std::error_code ec;
        fs::remove_all(serverDir_, ec);
    }

    void SetUp() override {
        if (port_ == 0) GTEST_SKIP() << "radicale or python3-caldav is not installed";
        StoreTest::SetUp();
        clock.t = std::time(nullptr);
        static int calendars = 0;
        name = "cal" + std::to_string(getpid()) + "x" + std::to_string(++calendars);
        base = "http://127.0.0.1:" + std::to_string(port_) + "/";
        peer("mkcal " + name);
        account = {base, "ann", base + "ann/" + name + "/", name};
        saveSyncAccount(account);
    }
    void TearDown() override {
        if (proxy.pid > 0) proxy.stop();
        if (port_ != 0) StoreTest::TearDown();
    }

    std::string peer(const std::string& args, const std::string& url = "") {
        return run(kPython + " " + kPeer + " '" + (url.empty() ? base : url) + "' ann secret " + args);
    }
    std::string serverList() { return peer("list", account.calendarUrl); }

    SyncResult sync(const std::string& via = "") {
        SyncAccount a = account;
        if (!via.empty()) a.calendarUrl = via + "ann/" + name + "/";
        platform::HttpSettings settings;
        settings.user = "ann";
        settings.password = "secret";
        settings.credentialHost = "127.0.0.1:" + std::to_string(via.empty() ? port_ : proxyPort);
        settings.firstBackoff = std::chrono::milliseconds(1);
        settings.retries = 1;
        auto http = platform::makeHttpClient(settings);
        return synchronize(*table, *http, a, options);
    }

    // Starts the fault proxy; control() then says what it does wrong.
    std::string viaProxy() {
        controlFile = (dir / "control").string();
        std::ofstream(controlFile) << "";
        proxy.start({kPython, kProxy, std::to_string(port_), controlFile});
        proxyPort = std::stoi(proxy.firstLine.substr(5));
        return "http://127.0.0.1:" + std::to_string(proxyPort) + "/";
    }
    void control(const std::string& what) { std::ofstream(controlFile) << what; }

    Appointment& typeHere(int y, int m, int d, int h, int mi, const std::string& text) {
        Appointment& a = table->construct();
        a.setWhen(y, m, d, h, mi, -1, text);
        a.schedule(true);
        return a;
    }
    std::string notesAt(int y, int m, int d, int h, int mi) {
        const Appointment* a = table->findAt(y, m, d, h, mi);
        return a ? a->stored.notes : "(none)";
    }

    static inline Helper* server_ = nullptr;
    static inline fs::path serverDir_;
    static inline int port_ = 0;
    std::string name, base, controlFile;
    static inline const std::string kNothingMoved =
        "sync: 0 sent, 0 received, 0 deleted here, 0 deleted on the server, 0 conflicts kept";
    SyncAccount account;
    SyncOptions options;
    Helper proxy;
    int proxyPort = 0;
};

TEST_F(CalDavSyncTest, EventsTravelBothWaysWithTheirChangesAndDeletes) {
    // Berlin is UTC+1 in March and UTC+2 in July: the event lands on the local clock.
    peer("event peer-1 20300305T081500Z Dentist", account.calendarUrl);
    typeHere(2030, 7, 1, 14, 30, "Budget meeting");
    SyncResult r = sync();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(notesAt(2030, 3, 5, 9, 0), "9:15am Dentist");
    EXPECT_EQ(r.summary(), "sync: 1 sent, 1 received, 0 deleted here, 0 deleted on the server, 0 conflicts kept");
    std::string there = serverList();
    EXPECT_NE(there.find("|20300701T1430|Budget meeting||"), std::string::npos) << there;

    // Changes on either side; the server's times are written as the region writes them.
    options.region.twentyFourHour = true;
    peer("set peer-1 'Dentist at noon'", account.calendarUrl);
    table->findAt(2030, 7, 1, 14, 30)->stored.notes = "Budget review";
    table->findAt(2030, 7, 1, 14, 30)->save();
    r = sync();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(notesAt(2030, 3, 5, 9, 0), "09:15 Dentist at noon");
    there = serverList();
    EXPECT_NE(there.find("|Budget review|"), std::string::npos) << there;
    EXPECT_EQ(r.sent, 1);
    EXPECT_EQ(r.received, 1);

    // Deletes on either side.
    peer("delete peer-1", account.calendarUrl);
    table->remove(*table->findAt(2030, 7, 1, 14, 30), false);
    r = sync();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.deletedHere, 1);
    EXPECT_EQ(r.deletedThere, 1);
    EXPECT_EQ(table->size(), 0u);
    EXPECT_EQ(serverList(), "");
    // Nothing changed: nothing moves.
    EXPECT_EQ(sync().summary(), "sync: 0 sent, 0 received, 0 deleted here, 0 deleted on the server, 0 conflicts kept");
}

TEST_F(CalDavSyncTest, AWeeklySeriesIsExpandedAndAnErasedDateBecomesAnExdate) {
    peer("event weekly 20300107T090000Z Standup 'FREQ=WEEKLY;COUNT=4'", account.calendarUrl);
    const SyncResult first = sync();
    ASSERT_TRUE(first.ok) << first.message;
    for (int day : {7, 14, 21, 28})
        EXPECT_EQ(notesAt(2030, 1, day, 10, 0), "Standup") << day;
    table->remove(*table->findAt(2030, 1, 14, 10, 0), false);
    table->findAt(2030, 1, 21, 10, 0)->stored.notes = "Standup moved online";
    table->findAt(2030, 1, 21, 10, 0)->save();
    const SyncResult r = sync();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(serverList(), "weekly|20300107T0900|Standup|20300114T0900|Standup moved online\n");
    // The series read back keeps the erased date away and the changed one as it is.
    ASSERT_TRUE(sync().ok);
    EXPECT_EQ(notesAt(2030, 1, 14, 10, 0), "(none)");
    EXPECT_EQ(notesAt(2030, 1, 21, 10, 0), "Standup moved online");
    EXPECT_EQ(table->size(), 3u);
}

TEST_F(CalDavSyncTest, AConflictKeepsBothTextsOnBothSides) {
    typeHere(2030, 5, 2, 9, 0, "Lunch");
    ASSERT_TRUE(sync().ok);
    const std::string uid = serverList().substr(0, serverList().find('|'));
    peer("set " + uid + " 'Lunch with Bea'", account.calendarUrl);
    table->findAt(2030, 5, 2, 9, 0)->stored.notes = "Lunch at noon";
    table->findAt(2030, 5, 2, 9, 0)->save();
    const SyncResult r = sync();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.conflicts, 1);
    EXPECT_EQ(notesAt(2030, 5, 2, 9, 0), "Lunch with Bea / Lunch at noon");
    EXPECT_NE(serverList().find("|Lunch with Bea / Lunch at noon|"), std::string::npos) << serverList();
}

// An event made elsewhere in a slot that holds an entry here: the slot keeps its text with the
// event's joined after it, the entry's own object takes the joined text up, and the event's own
// object stays as it was; later its part follows its change or leaves with its deletion.
TEST_F(CalDavSyncTest, AServerEventOnAFilledSlotIsJoinedToTheEntryThere) {
    struct Row {
        int day;
        bool syncedBefore; // the entry here reached the server before the event was made
        const char *here, *event, *later; // later: the event's next text, empty for its deletion
        const char *joined, *afterLater;
    } rows[] = {
        {10, false, "Dentist", "Team call", "Team call moved", "Dentist / Team call", "Dentist / Team call moved"},
        {11, true, "Gym", "Call Bea", "", "Gym / Call Bea", "Gym"},
        {12, true, "Lunch / Call Bea", "Call Bea", "Call Cy", "Lunch / Call Bea", "Lunch / Call Bea / Call Cy"},
    };
    for (const Row& row : rows)
        if (row.syncedBefore) typeHere(2030, 6, row.day, 9, 0, row.here);
    ASSERT_TRUE(sync().ok);
    for (const Row& row : rows) {
        if (!row.syncedBefore) typeHere(2030, 6, row.day, 9, 0, row.here);
        // 7:00 UTC is 9:00 in Berlin in June.
        peer("event join" + std::to_string(row.day) + " 203006" + std::to_string(row.day) + "T070000Z '" + row.event + "'",
             account.calendarUrl);
    }
    // Both sides: the slot's text here and on its own object there, the event's object as made
    // or changed there, nothing twice, and nothing more to do.
    const auto expectBothSides = [&](bool later) {
        const std::string there = serverList();
        std::ptrdiff_t objects = 0;
        for (const Row& row : rows) {
            const std::string day = "|203006" + std::to_string(row.day), text = later ? row.afterLater : row.joined,
                              event = later ? row.later : row.event;
            EXPECT_EQ(notesAt(2030, 6, row.day, 9, 0), text);
            EXPECT_NE(there.find(day + "T0900|" + text + "||"), std::string::npos) << there;
            if (!event.empty()) {
                EXPECT_NE(there.find(day + "T0700|" + event + "||"), std::string::npos) << there;
            }
            objects += event.empty() ? 1 : 2;
        }
        EXPECT_EQ(table->size(), std::size(rows));
        EXPECT_EQ(std::count(there.begin(), there.end(), '\n'), objects) << there;
        EXPECT_EQ(sync().summary(), kNothingMoved);
    };
    SyncResult r = sync();
    EXPECT_EQ(std::tie(r.ok, r.received, r.sent), std::tuple(true, 3, 2)) << r.message; // the third held the text
    expectBothSides(false);

    for (const Row& row : rows)
        peer(*row.later ? "set join" + std::to_string(row.day) + " '" + row.later + "'" : "delete join" + std::to_string(row.day),
             account.calendarUrl);
    r = sync();
    EXPECT_EQ(std::tie(r.ok, r.deletedHere, r.sent), std::tuple(true, 1, 3)) << r.message;
    expectBothSides(true);
}

// Another device joined an event to its entry: the server holds the event and the entry's object
// with both texts in the same slot. A fresh device shows the joined text, whichever object it
// takes in first, and rewrites neither; the event's later change reaches the joined text.
TEST_F(CalDavSyncTest, AFreshDeviceTakesAJoinedSlotAndRewritesNeitherObject) {
    // June 10th: the event first by name and by age; June 11th: the joined entry first.
    for (const char* made : {"a10 20300610T070000Z 'Call Bea'", "b10 20300610T070000Z 'Gym / Call Bea'",
                             "a11 20300611T070000Z 'Gym / Call Bea'", "b11 20300611T070000Z 'Call Bea'"})
        peer(std::string("event ") + made, account.calendarUrl);
    const std::string before = serverList();
    const SyncResult r = sync();
    EXPECT_EQ(std::tie(r.ok, r.sent), std::tuple(true, 0)) << r.message;
    for (const int day : {10, 11}) EXPECT_EQ(notesAt(2030, 6, day, 9, 0), "Gym / Call Bea") << day;
    EXPECT_EQ(serverList(), before);
    EXPECT_EQ(sync().summary(), kNothingMoved);

    peer("set a10 'Call Bea at 5'", account.calendarUrl);
    EXPECT_EQ(sync().sent, 1);
    EXPECT_EQ(notesAt(2030, 6, 10, 9, 0), "Gym / Call Bea at 5");
    EXPECT_NE(serverList().find("b10|20300610T0700|Gym / Call Bea at 5|"), std::string::npos) << serverList();
}

// A sync that finds nothing new on the server stops at the listing when nothing changed here
// either, and writes nothing; every kind of change here still makes it compare and send.
TEST_F(CalDavSyncTest, ASyncWithNothingToDoWritesNothingYetEveryChangeHereGoesUp) {
    TodoList todo;
    todo.load();
    const auto edit = [&](int hour, const char* text, int early = -1) {
        Appointment* a = table->findAt(2030, 5, 6, hour, 0);
        a->stored.notes = text;
        a->stored.early = early;
        a->save();
    };
    const auto storeFiles = [&] { return run("cat '" + storePath + "' '" + storePath + "-wal' 2>/dev/null | cksum"); };
    struct Row {
        const char* change;
        std::function<void()> make;
        int sent, deletedThere;
    } rows[] = {
        {"first sync", [&] { typeHere(2030, 5, 6, 9, 0, "One"); typeHere(2030, 5, 6, 10, 0, "Two"); todo.save(3, "Stamps"); }, 3, 0},
        {"text", [&] { edit(9, "One more"); }, 1, 0},
        {"texts swapped", [&] { edit(9, "Two"); edit(10, "One more"); }, 2, 0},
        {"reminder lead", [&] { edit(9, "Two", 15); }, 1, 0},
        {"to-do line", [&] { todo.save(3, "Stamps and glue"); }, 1, 0},
        {"new entry", [&] { typeHere(2030, 5, 7, 9, 0, "Three"); }, 1, 0},
        {"erased", [&] { table->remove(*table->findAt(2030, 5, 6, 10, 0), false); }, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        row.make();
        const SyncResult r = sync();
        EXPECT_EQ(std::tie(r.ok, r.sent, r.deletedThere, r.received), std::tuple(true, row.sent, row.deletedThere, 0))
            << r.message;
        // The listing after a sync that sent shows what it sent (and a new token); the next, nothing.
        EXPECT_EQ(sync().summary(), kNothingMoved);
        const std::string before = storeFiles();
        EXPECT_EQ(sync().summary(), kNothingMoved);
        EXPECT_EQ(storeFiles(), before);
    }
    const std::string there = serverList();
    EXPECT_EQ(std::count(there.begin(), there.end(), '\n'), 3) << there;
    // Changed there just after a sync that sent it: not taken for that sync's own write.
    edit(9, "Two here");
    ASSERT_EQ(sync().sent, 1);
    const std::size_t line = there.rfind('\n', there.find("|20300506T0900|")) + 1;
    peer("set " + there.substr(line, there.find('|', line) - line) + " 'Two there'", account.calendarUrl);
    EXPECT_EQ(sync().received, 1);
    EXPECT_EQ(notesAt(2030, 5, 6, 9, 0), "Two there");
}

// Each fault: the sync through it deletes nothing here, the next one completes without duplicates.
TEST_F(CalDavSyncTest, AFailingServerDeletesNothingAndTheNextSyncCompletes) {
    struct Row {
        const char* fault;
        bool failsOnce; // the sync through the fault reports failure
    } rows[] = {{"500 5", true}, {"412 1", false}, {"stop 1", true}, {"empty 1", true}};
    const std::string via = viaProxy();
    for (int i = 0; i < 3; ++i) peer("event s" + std::to_string(i) + " 2030060" + std::to_string(i + 1) + "T100000Z Server" + std::to_string(i), account.calendarUrl);
    for (int i = 0; i < 3; ++i) typeHere(2030, 8, i + 1, 9, 0, "Here " + std::to_string(i));
    ASSERT_TRUE(sync(via).ok);
    int round = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        typeHere(2030, 9, ++round, 9, 0, "New " + std::string(row.fault));
        // A full listing again, as after a lost token, so an empty one would look like deletions.
        SettingsKey key;
        key.openGroup("Sync");
        key.writeString("token", "");
        control(row.fault);
        const SyncResult faulty = sync(via);
        EXPECT_EQ(faulty.ok, !row.failsOnce) << faulty.message;
        EXPECT_EQ(faulty.deletedHere, 0);
        EXPECT_EQ(table->size(), 6u + round);
        control("");
        const SyncResult next = sync(via);
        ASSERT_TRUE(next.ok) << next.message;
        EXPECT_EQ(table->size(), 6u + round);
        std::istringstream lines(serverList());
        std::set<std::string> uids;
        int count = 0;
        for (std::string line; std::getline(lines, line); ++count) uids.insert(line.substr(0, line.find('|')));
        EXPECT_EQ(count, 6 + round);
        EXPECT_EQ(uids.size(), 6u + round);
    }
}

TEST_F(CalDavSyncTest, MassDeletionOnTheServerNeedsConsent) {
    for (int i = 0; i < 12; ++i) typeHere(2030, 4, i + 1, 9, 0, "Item " + std::to_string(i));
    ASSERT_TRUE(sync().ok);
    std::istringstream lines(serverList());
    for (std::string line; std::getline(lines, line);) peer("delete " + line.substr(0, line.find('|')), account.calendarUrl);
    int asked = 0;
    options.confirmMassDelete = [&](int count, int total) {
        ++asked;
        EXPECT_EQ(count, 12);
        EXPECT_EQ(total, 12);
        return false;
    };
    EXPECT_FALSE(sync().ok);
    EXPECT_EQ(table->size(), 12u);
    options.confirmMassDelete = [](int, int) { return true; };
    const SyncResult r = sync();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(r.deletedHere, 12);
    EXPECT_EQ(table->size(), 0u);
}

} // namespace
} // namespace zc::test

namespace zc::test {
namespace {

// The program itself, as a script runs it: one message and exit status 1 for each failure, and
// the store as it was.
TEST_F(CalDavSyncTest, SetupFailuresGiveOneMessageAndLeaveTheStoreAlone) {
    const std::string store = (dir / "cli.db").string();
    // A web server that knows nothing of calendars.
    Helper web;
    ASSERT_TRUE(web.start({"/bin/sh", "-c", "exec " + kPython + " -u -m http.server --bind 127.0.0.1 --directory '" +
                                              dir.string() + "' 0 2>/dev/null"}));
    const std::string plainWeb = "http://127.0.0.1:" + web.firstLine.substr(web.firstLine.find(" port ") + 6,
                                                                          web.firstLine.find(" (") - web.firstLine.find(" port ") - 6) + "/";
    struct Row {
        std::string url, password, environment, message;
    } rows[] = {
        {base, "wrong", "", "The calendar server refused the user name or password."},
        {"http://127.0.0.1:1/", "secret", "", "cannot be reached"},
        {plainWeb, "secret", "", "is not a CalDAV calendar server"},
        {base, "secret", "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent", "no secret service is running"},
        {base, "secret", "", "no calendar named"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url + " " + row.message);
        int code = 0;
        const std::string calendar = row.message == "no calendar named" ? " --calendar Nowhere" : "";
        const std::string err = run("echo " + row.password + " | env " + row.environment + " ZORVELCAL_STORE='" + store +
                                        "' '" ZORVELCAL_EXE "' --sync-setup '" + row.url + "' --user ann" + calendar +
                                        " 2>&1 >/dev/null",
                                    &code);
        EXPECT_EQ(code, 1);
        EXPECT_NE(err.find(row.message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(run("sqlite3 '" + store + "' \"select count(*) from keys where name = 'Sync'\""), "0\n");
    }
    kill(web.pid, SIGTERM);
    web.stop();
}

// SIGKILL at random moments of a first sync of 2,000 entries: the store stays whole, and the
// sync that finally completes leaves both sides with the same 2,000 items, none twice.
TEST_F(CalDavSyncTest, KillsDuringAFirstSyncLoseAndDuplicateNothing) {
    const std::string store = (dir / "kill.db").string();
    {
        setSettingsStore(std::make_unique<SqliteStore>(store));
        saveSyncAccount(account);
        AppointmentTable many(clock, timers, questions);
        StoreBatch batch(settingsStore());
        for (int i = 0; i < 2000; ++i) {
            Appointment& a = many.construct();
            a.setWhen(2031, 1 + i / 28 % 12, 1 + i % 28, 6 + i / 336, 0, -1, "Item " + std::to_string(i));
            a.schedule(true);
        }
    }
    setSettingsStore(nullptr);
    const std::string setup = "echo secret | ZORVELCAL_STORE='" + store + "' '" ZORVELCAL_EXE "' --sync-setup '" +
                              account.calendarUrl + "' --user ann >/dev/null 2>&1";
    ASSERT_EQ(std::system(setup.c_str()), 0);
    std::mt19937 random(2031);
    for (int kill = 0; kill < 20; ++kill) {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("ZORVELCAL_STORE", store.c_str(), 1);
            freopen("/dev/null", "w", stdout);
            execl(ZORVELCAL_EXE, ZORVELCAL_EXE, "--sync", nullptr);
            _exit(127);
        }
        // A moment within the first seconds of the sync, without sleeping the test: the child's
        // progress decides when, by a busy wait on the clock.
        const auto at = std::chrono::steady_clock::now() + std::chrono::milliseconds(random() % 1500);
        int status = 0;
        while (std::chrono::steady_clock::now() < at && waitpid(pid, &status, WNOHANG) == 0) {}
        ::kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        std::string verdict;
        sqlite3_exec(db, "PRAGMA integrity_check", [](void* v, int, char** values, char**) {
            *static_cast<std::string*>(v) += values[0];
            return 0;
        }, &verdict, nullptr);
        sqlite3_close(db);
        EXPECT_EQ(verdict, "ok") << "after kill " << kill;
    }
    int code = 0;
    const std::string out = run("ZORVELCAL_STORE='" + store + "' '" ZORVELCAL_EXE "' --sync 2>&1", &code);
    ASSERT_EQ(code, 0) << out;
    std::istringstream lines(serverList());
    std::set<std::string> texts;
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) texts.insert(line.substr(line.find('|', line.find('|') + 1) + 1));
    EXPECT_EQ(count, 2000);
    EXPECT_EQ(texts.size(), 2000u);
    setSettingsStore(std::make_unique<SqliteStore>(store));
    AppointmentTable after(clock, timers, questions);
    after.loadAll();
    EXPECT_EQ(after.size(), 2000u);
    EXPECT_EQ(run("ZORVELCAL_STORE='" + store + "' '" ZORVELCAL_EXE "' --sync 2>&1"),
              "sync: 0 sent, 0 received, 0 deleted here, 0 deleted on the server, 0 conflicts kept\n");
}

} // namespace
} // namespace zc::test
