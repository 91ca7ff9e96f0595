// The store under faults: files it cannot write, a full disk, a foreign or damaged file, writes that
// fail in the middle of a change of many keys, and dates no time can hold.
#include "data/backup.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include "store_fixture.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zc {
namespace {

namespace fs = std::filesystem;

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs body in a child process (which may drop root or mount a small disk there, out of this
// process's sight) and returns what it wrote back.
std::string inChild(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string result = body();
        [[maybe_unused]] auto n = ::write(fds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        result.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    return result;
}

// Opens the store in a child process prepared by `prepare` and returns what happened: "opened", or
// the error. Returns nothing when the child could not be prepared (no permission for it here).
std::optional<std::string> openInChild(const std::function<bool()>& prepare, const std::string& path) {
    const std::string result = inChild([&]() -> std::string {
        if (!prepare()) return "unprepared";
        try {
            SqliteStore store(path);
            return "opened";
        } catch (const StoreError& e) {
            return e.what();
        }
    });
    if (result == "unprepared") return std::nullopt;
    return result;
}

bool mountSmallDisk(const fs::path& at, std::uintmax_t bytes) {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", at.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) == 0;
}

class StoreFaultTest : public test::StoreTest {
  protected:
    SqliteStore& store() { return static_cast<SqliteStore&>(settingsStore()); }
    // Makes every write that touches a key of this name fail, as a failing disk would.
    void failWritesOf(const std::string& keyName) {
        for (const char* when : {"BEFORE DELETE ON keys WHEN old.name", "BEFORE INSERT ON keys WHEN new.name"})
            ASSERT_TRUE(store().execute(std::string("CREATE TEMP TRIGGER \"") + when + keyName +
                                        "\" " + when + " = '" + keyName + "' BEGIN SELECT RAISE(ABORT, 'x'); END"));
    }
    // A closed store of 600 appointments and one setting, with one page in the middle of the file
    // overwritten, as a failing disk or a crash of the machine can leave it; returns its bytes.
    std::string damagedStore() {
        {
            StoreBatch batch(settingsStore());
            for (int i = 0; i < 600; ++i)
                add(2020 + i / 300, 1 + i / 25 % 12, 1 + i % 25, 9, 0, "Entry " + std::to_string(i) + std::string(80, '.'));
        }
        SettingsKey sounds;
        sounds.openGroup("sounds");
        sounds.writeString("start", "Chime.wav");
        table.reset();
        setSettingsStore(nullptr); // the last close folds the log into the file
        std::string bytes = fileBytes(storePath);
        const std::size_t pages = bytes.size() / 4096;
        EXPECT_GT(pages, 20u);
        // The damage hits the middle one of the pages that hold values, wherever the file keeps
        // them among its other tables.
        std::vector<std::size_t> valuePages;
        sqlite3* db = nullptr;
        sqlite3_stmt* s = nullptr;
        sqlite3_open_v2(storePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = 'vals' AND pagetype = 'leaf' ORDER BY pageno",
                           -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW)
            valuePages.push_back(static_cast<std::size_t>(sqlite3_column_int64(s, 0)) - 1);
        sqlite3_finalize(s);
        sqlite3_close(db);
        EXPECT_GT(valuePages.size(), 10u);
        const std::size_t damaged = valuePages.empty() ? pages / 2 : valuePages[valuePages.size() / 2];
        for (std::size_t i = 0; i < 4096; ++i)
            bytes[damaged * 4096 + i] = static_cast<char>(i * 7 + 13);
        std::ofstream(storePath, std::ios::binary | std::ios::trunc) << bytes;
        return bytes;
    }
    fs::path keptFile() {
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename().string().rfind("store.damaged-", 0) == 0 && entry.path().extension() == ".db")
                return entry.path();
        return {};
    }
    // Every appointment key in the file with the number of its values.
    std::map<std::string, int> storedKeys() {
        std::map<std::string, int> keys;
        SettingsKey root;
        if (!root.openAppointmentsForRead()) return keys;
        for (const std::string& month : root.subkeyNames()) {
            SettingsKey m;
            m.openPathForRead("Appointments\\" + month);
            for (const SubkeyValues& entry : m.subkeysWithValues())
                keys[month + "\\" + entry.name] = static_cast<int>(entry.values.size());
        }
        return keys;
    }
};

TEST_F(StoreFaultTest, AStoreThatCannotBeWrittenIsRefusedAtStartAndLeftAsItWas) {
    add(2024, 3, 15, 9, 0, "Kept");
    setSettingsStore(nullptr);
    const std::string before = fileBytes(storePath);
    ::chmod(dir.c_str(), 0777);

    // A read-only file (as a user without root would meet it).
    ::chmod(storePath.c_str(), 0444);
    const auto readOnly = openInChild([] { return ::geteuid() != 0 || ::setuid(65534) == 0; }, storePath);
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(*readOnly, "The calendar's store \"" + storePath + "\" cannot be used: the file is read-only.");
    ::chmod(storePath.c_str(), 0644);

    // A disk with a few kilobytes left.
    const fs::path small = dir / "small";
    fs::create_directories(small);
    const std::string smallStore = (small / "store.db").string();
    const auto full = openInChild(
        [&] {
            if (!mountSmallDisk(small, 64 * 1024)) return false;
            fs::copy_file(storePath, smallStore);
            std::ofstream(small / "filler", std::ios::binary) << std::string(40 * 1024, 'x');
            return true;
        },
        smallStore);
    if (full)
        EXPECT_EQ(*full, "The calendar's store \"" + smallStore + "\" cannot be used: the disk is full.");
    else
        std::printf("(no small disk could be mounted here; the full disk is not tried)\n");

    EXPECT_EQ(fileBytes(storePath), before);
    EXPECT_FALSE(fs::exists(storePath + "-wal"));
    reopenStore();
    EXPECT_EQ(restart().findAt(2024, 3, 15, 9, 0)->stored.notes, "Kept");
}

// Fault mended: a read-only folder was reported as a read-only file, and a named pipe given as the
// store as a disk error.
TEST_F(StoreFaultTest, AFolderOrPipeThatCannotHoldTheStoreIsNamedAsTheReason) {
    setSettingsStore(nullptr);
    const fs::path locked = dir / "locked";
    fs::create_directories(locked);
    fs::copy_file(storePath, locked / "store.db");
    ::chmod((locked / "store.db").c_str(), 0666);
    ::chmod(locked.c_str(), 0555);
    ASSERT_EQ(::mkfifo((dir / "pipe.db").c_str(), 0666), 0);
    fs::create_directories(dir / "folder.db");
    const std::string lockedReason = "its folder \"" + locked.string() + "\" is read-only.";
    const struct {
        std::string path, reason;
    } cases[] = {{(locked / "store.db").string(), lockedReason},
                 {(locked / "new.db").string(), lockedReason},
                 {(dir / "pipe.db").string(), "it is a named pipe, not a file."},
                 {(dir / "folder.db").string(), "it is a folder, not a file."}};
    for (const auto& c : cases) {
        const auto result = openInChild([] { return ::geteuid() != 0 || ::setuid(65534) == 0; }, c.path);
        ASSERT_TRUE(result);
        EXPECT_EQ(*result, "The calendar's store \"" + c.path + "\" cannot be used: " + c.reason);
    }
    ::chmod(locked.c_str(), 0755);
}

TEST_F(StoreFaultTest, AForeignFileIsRefusedBeforeAnythingInItChanges) {
    const std::string foreign = (dir / "other.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE keys (fingerprint TEXT, owner TEXT)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string photos = (dir / "photos.db").string();
    ASSERT_EQ(sqlite3_open(photos.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE album (name TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    for (const std::string& file : {foreign, photos}) {
        const std::string before = fileBytes(file);
        try {
            SqliteStore store(file);
            ADD_FAILURE() << file << " was accepted";
        } catch (const StoreError& e) {
            EXPECT_NE(std::string(e.what()).find("belongs to another program"), std::string::npos) << e.what();
        }
        EXPECT_EQ(fileBytes(file), before) << file; // the journal mode is still the file's own
        EXPECT_FALSE(fs::exists(file + "-wal"));
    }
}

TEST_F(StoreFaultTest, ADamagedStoreIsKeptAsideAndWhatCanBeReadIsCarriedOver) {
    const std::string bytes = damagedStore();
    SqliteStore* opened = nullptr;
    {
        auto rebuilt = std::make_unique<SqliteStore>(storePath);
        opened = rebuilt.get();
        setSettingsStore(std::move(rebuilt));
    }
    const std::string notice = opened->awaitIntegrityCheck();
    ASSERT_FALSE(notice.empty());
    const fs::path kept = keptFile();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(fileBytes(kept), bytes) << "the damaged file was written to";
    EXPECT_NE(notice.find(kept.string()), std::string::npos) << notice;

    table = std::make_unique<AppointmentTable>(clock, timers, questions);
    table->loadAll();
    EXPECT_GT(table->size(), 300u);
    EXPECT_LT(table->size(), 600u);
    // Every key that kept a value was carried over; the ones whose date was lost are not loaded.
    const auto carried = storedKeys();
    EXPECT_NE(notice.find("(" + std::to_string(carried.size()) + " appointments"), std::string::npos) << notice;
    EXPECT_GE(carried.size(), table->size());
    EXPECT_LE(carried.size(), table->size() + 2);
    for (const auto& [key, values] : carried)
        EXPECT_GT(values, 0) << key;
    SettingsKey soundsKey;
    std::string start;
    ASSERT_TRUE(soundsKey.openPathForRead("sounds"));
    soundsKey.readString("start", start);
    EXPECT_EQ(start, "Chime.wav");
    // The new store is whole: once the message was read, the next start says nothing.
    opened->noticeShown();
    table.reset();
    reopenStore();
    EXPECT_TRUE(static_cast<SqliteStore&>(settingsStore()).awaitIntegrityCheck().empty());
}

// Fault mended: a store cut to half its length, or with its first page damaged, was rescued with
// no appointment at all, although most could still be read page by page.
TEST_F(StoreFaultTest, TheRescueCarriesWhatTheDamagedPagesStillHold) {
    std::map<std::string, std::string> written; // "y_m_d_h_m" -> notes
    {
        StoreBatch batch(settingsStore());
        for (int i = 0; i < 1000; ++i) {
            const int y = 2022 + i / 360, m = 1 + i / 30 % 12, d = 1 + i % 30, h = 6 + i % 17;
            const std::string notes = "Appointment " + std::to_string(i) + std::string(i % 90, '.');
            add(y, m, d, h, 30, notes, i % 7 == 0 ? 15 : -1);
            written[std::to_string(y) + "_" + std::to_string(m) + "_" + std::to_string(d) + "_" + std::to_string(h)] = notes;
        }
    }
    table.reset();
    setSettingsStore(nullptr);
    const std::string whole = fileBytes(storePath);
    const std::size_t pages = whole.size() / 4096;
    auto overwrite = [](std::string& bytes, std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to && i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 7 + 13);
    };
    const struct {
        const char* damage;
        std::function<void(std::string&)> apply;
        std::size_t least; // appointments carried over whole, at least
    } cases[] = {
        {"cut to half its length", [](std::string& b) { b.resize(b.size() / 2); }, 450},
        {"first page overwritten", [&](std::string& b) { overwrite(b, 0, 4096); }, 1000},
        {"first page's tree overwritten", [&](std::string& b) { overwrite(b, 100, 4096); }, 1000},
        {"an inner page overwritten", [&](std::string& b) { overwrite(b, pages / 2 * 4096, pages / 2 * 4096 + 4096); }, 980},
        {"every page but the header overwritten", [&](std::string& b) { overwrite(b, 100, b.size()); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.damage);
        std::string bytes = whole;
        c.apply(bytes);
        setSettingsStore(nullptr);
        for (const fs::path& file : {keptFile(), fs::path(storePath + "-wal"), fs::path(storePath + "-shm")})
            if (!file.empty()) fs::remove(file);
        std::ofstream(storePath, std::ios::binary | std::ios::trunc) << bytes;
        reopenStore();
        const std::string notice = store().awaitIntegrityCheck();
        ASSERT_FALSE(keptFile().empty());
        EXPECT_TRUE(fileBytes(keptFile()) == bytes) << "the damaged file was written to";
        EXPECT_NE(notice.find(keptFile().string()), std::string::npos) << notice;
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        table->loadAll();
        std::size_t carried = 0;
        table->forEach([&](const Appointment& a) {
            const auto at = written.find(std::to_string(a.stored.year) + "_" + std::to_string(a.stored.month) + "_" +
                                         std::to_string(a.stored.day) + "_" + std::to_string(a.stored.hour));
            carried += at != written.end() && at->second == a.stored.notes && a.stored.minute == 30;
        });
        std::printf("%s: %zu of 1000 appointments carried over\n", c.damage, carried);
        EXPECT_GE(carried, c.least);
        EXPECT_EQ(carried, table->size());
        if (c.least == 0) {
            EXPECT_NE(notice.find("none of its appointments could be read"), std::string::npos) << notice;
        }
        table.reset();
    }
}

// Fault mended: a damaged store on a nearly full disk was moved aside and an empty store left in
// its place; once space was freed the calendar opened empty and never named the kept file.
TEST_F(StoreFaultTest, ADamagedStoreOnAFullDiskStaysUntilItsRescueIsWholeAndIsNamedUntilRead) {
    std::string bytes = damagedStore();
    for (std::size_t i = 100; i < 4096; ++i)
        bytes[i] = static_cast<char>(i * 7 + 13);
    const fs::path small = dir / "small";
    fs::create_directories(small);
    const std::string path = (small / "store.db").string();
    const std::string report = inChild([&]() -> std::string {
        if (!mountSmallDisk(small, bytes.size() + 256 * 1024)) return "unprepared";
        std::ofstream(path, std::ios::binary) << bytes;
        std::string out;
        auto start = [&] {
            try {
                SqliteStore store(path);
                const std::string notice = store.awaitIntegrityCheck();
                out += notice.find(path + "\" was damaged. It has been kept, unchanged, as \"" + (small / "store.damaged-").string()) != std::string::npos
                           ? "rescued; "
                           : notice.find("An earlier, damaged copy") != std::string::npos ? "named; " : notice + "; ";
                store.noticeShown();
            } catch (const StoreError& e) {
                out += std::string(e.what()).find("the disk is full. The damaged store is left as it is") != std::string::npos
                           ? "refused; "
                           : e.what() + std::string("; ");
            }
        };
        start();
        out += std::string(fileBytes(path) == bytes ? "whole" : "changed") + ", " +
               std::to_string(std::distance(fs::directory_iterator(small), {})) + " file; ";
        ::mount(nullptr, small.c_str(), nullptr, MS_REMOUNT, ("size=" + std::to_string(bytes.size() * 4 + (1 << 20))).c_str());
        start();
        start();
        // A kept file the user never heard of, as an earlier version left one beside an empty store.
        fs::copy_file(path, (small / "store.damaged-2020-01-01-000000.db").string());
        start();
        start();
        return out;
    });
    if (report == "unprepared") GTEST_SKIP() << "no small disk could be mounted here";
    EXPECT_EQ(report, "refused; whole, 1 file; rescued; ; named; ; ");
}

TEST_F(StoreFaultTest, TheFirstWriteToADamagedStoreWaitsForTheRescue) {
    const std::string bytes = damagedStore();
    reopenStore();
    table = std::make_unique<AppointmentTable>(clock, timers, questions);
    add(2024, 6, 1, 9, 0, "After the damage");
    ASSERT_FALSE(keptFile().empty());
    EXPECT_EQ(fileBytes(keptFile()), bytes);
    EXPECT_EQ(store().failures().count, 0u);
    EXPECT_FALSE(store().awaitIntegrityCheck().empty());
    AppointmentTable& next = restart();
    EXPECT_EQ(next.findAt(2024, 6, 1, 9, 0)->stored.notes, "After the damage");
    EXPECT_GT(next.size(), 300u);
}

TEST_F(StoreFaultTest, AKeyIsNeverStoredWithoutItsValues) {
    Appointment& a = table->construct();
    a.setWhen(2024, 3, 20, 9, 0, -1, "Dentist");
    ASSERT_TRUE(store().execute(
        "CREATE TEMP TRIGGER no_values BEFORE INSERT ON vals BEGIN SELECT RAISE(ABORT, 'x'); END"));
    a.schedule(true);
    EXPECT_EQ(store().failures().count, 1u);
    EXPECT_TRUE(storedKeys().empty()); // neither the key nor its month
}

TEST_F(StoreFaultTest, ChangesOfManyKeysLandWholeOrNotAtAll) {
    add(2024, 3, 20, 9, 0, "One");
    add(2024, 3, 20, 10, 0, "Two");
    add(2024, 3, 20, 11, 0, "Three");
    for (int d : {4, 11, 18}) {
        Appointment& a = add(2024, 4, d, 8, 0, "Gym");
        a.stored.repeats = 1;
        a.save();
    }
    Appointment& mixed = add(2024, 4, 25, 8, 0, "Gym Swim");
    mixed.stored.repeats = 1;
    mixed.save();
    const auto stored = storedKeys();

    // Clear Day where the second key cannot be deleted: all three stay, in the table and the file.
    failWritesOf("20_10_0");
    EXPECT_FALSE(table->clearDay(2024, 3, 20));
    EXPECT_EQ(store().failures().count, 1u);
    for (int h : {9, 10, 11})
        EXPECT_NE(table->findAt(2024, 3, 20, h, 0), nullptr) << h;
    // The series question's Yes where one entry cannot be deleted.
    failWritesOf("18_8_0");
    questions.answers = {true};
    EXPECT_FALSE(table->remove(*table->findAt(2024, 4, 4, 8, 0), true));
    EXPECT_EQ(table->findAt(2024, 4, 25, 8, 0)->stored.notes, "Gym Swim");
    EXPECT_EQ(table->findAt(2024, 4, 25, 8, 0)->stored.repeats, 1);
    EXPECT_EQ(storedKeys(), stored);

    // Without the faults both land whole.
    ASSERT_TRUE(store().execute("DROP TRIGGER \"BEFORE DELETE ON keys WHEN old.name20_10_0\""));
    ASSERT_TRUE(store().execute("DROP TRIGGER \"BEFORE DELETE ON keys WHEN old.name18_8_0\""));
    EXPECT_TRUE(table->clearDay(2024, 3, 20));
    questions.answers = {true};
    EXPECT_TRUE(table->remove(*table->findAt(2024, 4, 4, 8, 0), true));
    AppointmentTable& next = restart();
    EXPECT_EQ(next.size(), 1u);
    EXPECT_EQ(next.findAt(2024, 4, 25, 8, 0)->stored.notes, "Swim");
}

// The day planner's slot: what typing a text does to the entry, with and without the store
// taking it. A change the store refuses leaves the table as it was.
TEST_F(StoreFaultTest, ASlotTextTheStoreCannotTakeLeavesTheSlotAsItWas) {
    using Kind = AppointmentTable::SlotChange::Kind;
    const struct {
        const char* before; // the slot's entry, nullptr for none
        const char* typed;
        bool fails;
        Kind kind;
        bool stored;
        const char* after; // the slot's entry afterwards, in the table and at the next start
    } rows[] = {
        {nullptr, "Lunch", false, Kind::Created, true, "Lunch"},
        {nullptr, "Lunch", true, Kind::Created, false, nullptr},
        {"Old", "New", false, Kind::Changed, true, "New"},
        {"Old", "New", true, Kind::Changed, false, "Old"},
        {"Old", " \t ", false, Kind::Removed, true, nullptr},
        {"Old", "", true, Kind::Removed, false, "Old"},
        {"Old", "Old", true, Kind::None, true, "Old"},
        {nullptr, " ", true, Kind::None, true, nullptr},
    };
    int hour = 8;
    for (const auto& row : rows) {
        ++hour;
        if (row.before) add(2024, 3, 15, hour, 0, row.before);
        const std::string key = "15_" + std::to_string(hour) + "_0";
        if (row.fails) {
            failWritesOf(key);
            ASSERT_TRUE(store().execute(
                "CREATE TEMP TRIGGER \"notes of " + key +
                "\" BEFORE INSERT ON vals WHEN new.key = (SELECT id FROM keys WHERE name = '" + key +
                "') BEGIN SELECT RAISE(ABORT, 'x'); END"));
        }
        const std::uint64_t failures = store().failures().count;
        const auto change = table->setSlotText(2024, 3, 15, hour, 0, row.typed, 15);
        EXPECT_EQ(change.kind, row.kind) << hour;
        EXPECT_EQ(change.stored, row.stored) << hour;
        EXPECT_EQ(store().failures().count != failures, !row.stored) << hour;
        EXPECT_EQ(change.entry, table->findAt(2024, 3, 15, hour, 0)) << hour;
        EXPECT_EQ(change.entry ? change.entry->stored.notes : "-", row.after ? row.after : "-") << hour;
    }
    AppointmentTable& next = restart();
    hour = 8;
    for (const auto& row : rows) {
        const Appointment* a = next.findAt(2024, 3, 15, ++hour, 0);
        EXPECT_EQ(a ? a->stored.notes : "-", row.after ? row.after : "-") << hour;
    }
    EXPECT_EQ(next.findAt(2024, 3, 15, 9, 0)->stored.early, 15) << "a new entry takes the lead given";
}

TEST_F(StoreFaultTest, ASeriesTheStoreCannotTakeIsNotShownEither) {
    Appointment& choir = add(2024, 4, 4, 18, 0, "Choir");
    failWritesOf("25_18_0");
    choir.setRepeat(1, "1st", "every Thursday", 4);
    choir.schedule(true);
    choir.applyRepeat();
    EXPECT_EQ(table->size(), 1u);
    EXPECT_TRUE(timers.running.empty());
    EXPECT_EQ(storedKeys().size(), 1u);
}

TEST_F(StoreFaultTest, ARestoreTheStoreCannotTakeChangesNothing) {
    add(2024, 5, 1, 9, 0, "Here");
    const std::string file = (dir / kBackupFileName).string();
    std::string records;
    for (const char* line : {"2024|5|1|9|0|0|0|0|0|-1|||Also\n", "2024|5|2|9|0|0|0|0|0|15|||New\n"}) {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "%04zu|", std::strlen(line));
        records += prefix + std::string(line);
    }
    std::ofstream(file, std::ios::binary) << records;
    failWritesOf("2_9_0");
    const RestoreCounts counts = restore(*table, file);
    EXPECT_EQ(counts.added, 0);
    EXPECT_EQ(counts.modified, 0);
    EXPECT_EQ(table->size(), 1u);
    EXPECT_EQ(table->findAt(2024, 5, 1, 9, 0)->stored.notes, "Here");
    EXPECT_TRUE(timers.running.empty());
    ASSERT_EQ(questions.messages.size(), 1u);
    EXPECT_EQ(questions.messages[0], store().failures().lastMessage + "\nNothing was restored.");
    EXPECT_EQ(restart().findAt(2024, 5, 1, 9, 0)->stored.notes, "Here");
}

TEST_F(StoreFaultTest, EveryRestoreSeedMergesAndBacksUpWhole) {
    int seeds = 0;
    for (const auto& seed : fs::directory_iterator(fs::path(ZORVEL_FUZZ_CORPUS) / "backup_restore_fuzz")) {
        SCOPED_TRACE(seed.path().filename().string());
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        const RestoreCounts counts = restore(*table, seed.path().string());
        EXPECT_GE(counts.duplicates(), 0);
        const std::string out = (dir / "again.zvl").string();
        fs::remove(out);
        const int written = backup(*table, out);
        const RestoreCounts again = restore(*table, out);
        EXPECT_EQ(again.read, written);
        EXPECT_EQ(again.added + again.modified, 0);
        table->forEach([](const Appointment& a) { EXPECT_NE(a.time, -1) << a.stored.notes; });
        ++seeds;
    }
    EXPECT_GE(seeds, 8);
    EXPECT_EQ(store().failures().count, 0u);
}

class TimeRangeTest : public test::StoreTest {
  public:
    TimeRangeTest() : StoreTest("Europe/London") {}
};

TEST_F(TimeRangeTest, ADateNoTimeCanHoldIsMinusOneAndNeverShownOrArmed) {
    const struct {
        int y, m, d, h, min;
    } outside[] = {{2160, 1, 1, 6, 30}, {2038, 1, 20, 9, 0}, {1901, 12, 1, 9, 0}, {2024, 1, 999999999, 9, 0},
                   {999999999, 1, 1, 9, 0}, {2024, 1, 1, 999999999, 0}};
    for (const auto& r : outside)
        EXPECT_EQ(localTime(r.y, r.m, r.d, r.h, r.min), -1) << r.y << "-" << r.m << "-" << r.d << " " << r.h;
    EXPECT_EQ(toLocal(localTime(2038, 1, 19, 3, 0)).year, 2038);

    // A damaged backup record of 2160 adds no phantom entry; a stored one is not loaded.
    clock.t = localTime(2024, 1, 1, 6, 0);
    const std::string file = (dir / kBackupFileName).string();
    std::ofstream(file, std::ios::binary) << "0030|2160|1|2|6|30|2|0|0|0|0|||Ghost\n";
    EXPECT_EQ(restore(*table, file).added, 0);
    EXPECT_EQ(table->size(), 0u);
    SettingsKey key;
    key.openAppointment(2160, 1, 2, 6, 30);
    key.writeAppointment({2160, 1, 2, 6, 30, 0, "Ghost", 0, 0, "", "", 0});
    EXPECT_EQ(restart().size(), 0u);
    EXPECT_TRUE(timers.running.empty());
}

TEST_F(TimeRangeTest, TheRepeatedHourResolvesToItsFirstInstantWhateverCameBefore) {
    // 1:30 on 27 October 2024 happens twice in London: 00:30 UTC (summer time) and 01:30 UTC.
    const Time32 first = 1729989000;
    for (const auto& before : {std::make_pair(7, 1), std::make_pair(1, 1), std::make_pair(10, 27)}) {
        localTime(2024, before.first, before.second, 12, 0);
        toLocal(first + 3600);
        EXPECT_EQ(localTime(2024, 10, 27, 1, 30), first) << before.first;
        EXPECT_EQ(addCalendarDays(localTime(2024, 10, 26, 1, 30), 1), first);
    }
    // The skipped hour is read with the offset before the change, as the C library reads it.
    EXPECT_EQ(toLocal(localTime(2024, 3, 31, 1, 30)).hour, 2);
    Appointment& a = add(2024, 10, 27, 1, 30, "Night shift");
    EXPECT_EQ(a.time, first);
    EXPECT_EQ(a.stored.started, first);
}

} // namespace
} // namespace zc
