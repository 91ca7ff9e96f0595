#include "data/sqlite_store.h"

#include "data/store_rescue.h"
#include "platform/platform.h"
#include "text/translatable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <system_error>

namespace zc {
namespace {

std::unique_ptr<SettingsStore>& globalStore() {
    static std::unique_ptr<SettingsStore> store;
    return store;
}

thread_local SettingsStore* threadStore = nullptr;

std::string foldCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys (id INTEGER PRIMARY KEY, parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
                                 name TEXT NOT NULL COLLATE NOCASE, class TEXT, UNIQUE (parent, name));
CREATE TABLE IF NOT EXISTS vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
                                 name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB,
                                 PRIMARY KEY (key, name)) WITHOUT ROWID;
CREATE UNIQUE INDEX IF NOT EXISTS keys_top ON keys(name) WHERE parent IS NULL;
CREATE TABLE IF NOT EXISTS told_kept_stores (name TEXT PRIMARY KEY) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS value_cache (key INTEGER PRIMARY KEY, packed BLOB NOT NULL);
CREATE TRIGGER IF NOT EXISTS value_cache_value_added AFTER INSERT ON vals
    BEGIN DELETE FROM value_cache WHERE key = NEW.key; END;
CREATE TRIGGER IF NOT EXISTS value_cache_value_changed AFTER UPDATE ON vals
    BEGIN DELETE FROM value_cache WHERE key IN (OLD.key, NEW.key); END;
CREATE TRIGGER IF NOT EXISTS value_cache_value_removed AFTER DELETE ON vals
    BEGIN DELETE FROM value_cache WHERE key = OLD.key; END;
CREATE TRIGGER IF NOT EXISTS value_cache_key_added AFTER INSERT ON keys
    BEGIN DELETE FROM value_cache WHERE key = NEW.id; END;
CREATE TRIGGER IF NOT EXISTS value_cache_key_renumbered AFTER UPDATE OF id ON keys
    BEGIN DELETE FROM value_cache WHERE key IN (OLD.id, NEW.id); END;
CREATE TRIGGER IF NOT EXISTS value_cache_key_removed AFTER DELETE ON keys
    BEGIN DELETE FROM value_cache WHERE key = OLD.id; END;
)sql";

// The table "value_cache" holds, for a key that this program wrote, all of that key's values packed
// into one row, so that loading reads one row per appointment instead of one per value: a tenth of
// the rows, and most of the time loading took. It only ever repeats "vals": the triggers above drop
// a key's row whenever anything else changes its values or the key itself, so a store changed by
// hand with sqlite3 or by an earlier build, which knows nothing of the row, still loads what "vals"
// says. A key without a row is read from "vals". Earlier builds leave the table alone.
//
// A packed row: a format byte, then for each value its name's length, the name, its type, its
// data's length and the data, each number as a base-128 varint (low seven bits first).
constexpr unsigned char kPackedFormat = 1;

void putVarint(std::string& out, std::uint64_t n) {
    while (n >= 0x80) {
        out.push_back(static_cast<char>((n & 0x7F) | 0x80));
        n >>= 7;
    }
    out.push_back(static_cast<char>(n));
}

bool getVarint(std::string_view& in, std::uint64_t& n) {
    n = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (in.empty()) return false;
        const auto byte = static_cast<unsigned char>(in.front());
        in.remove_prefix(1);
        n |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (byte < 0x80) return true;
    }
    return false;
}

bool getBytes(std::string_view& in, std::string_view& out) {
    std::uint64_t size = 0;
    if (!getVarint(in, size) || size > in.size()) return false;
    out = in.substr(0, static_cast<std::size_t>(size));
    in.remove_prefix(static_cast<std::size_t>(size));
    return true;
}

struct PackedValue {
    std::string_view name;
    ValueType type;
    std::string_view data;
};

// Unpacks a row into views of its bytes; false, with nothing taken from it, when the row is not
// one this program packed (cut short, another format).
bool unpack(std::string_view packed, std::vector<PackedValue>& values) {
    values.clear();
    if (packed.empty() || static_cast<unsigned char>(packed.front()) != kPackedFormat) return false;
    packed.remove_prefix(1);
    while (!packed.empty()) {
        PackedValue v;
        std::uint64_t type = 0;
        if (!getBytes(packed, v.name) || !getVarint(packed, type) || type > UINT32_MAX || !getBytes(packed, v.data))
            return false;
        v.type = static_cast<ValueType>(type);
        values.push_back(v);
    }
    return true;
}

// Binds a name or text as SQLite text without copying it.
void bindText(sqlite3_stmt* s, int index, std::string_view text) {
    sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

std::string columnBytes(sqlite3_stmt* s, int column) {
    const void* p = sqlite3_column_blob(s, column);
    const int n = sqlite3_column_bytes(s, column);
    return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

// A column's bytes where SQLite keeps them, valid until the statement moves on.
std::string_view columnView(sqlite3_stmt* s, int column) {
    const void* p = sqlite3_column_blob(s, column);
    const int n = sqlite3_column_bytes(s, column);
    return p && n > 0 ? std::string_view(static_cast<const char*>(p), static_cast<std::size_t>(n))
                      : std::string_view();
}

std::string columnText(sqlite3_stmt* s, int column) {
    const unsigned char* p = sqlite3_column_text(s, column);
    const int n = sqlite3_column_bytes(s, column);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

// Why a call failed, as the user would put it: the words of the operating system's error where
// there is one, never "disk I/O error".
std::string plainReason(sqlite3* db) {
    switch (platform::systemFailure(sqlite3_system_errno(db))) {
    case platform::SystemFailure::kDiskFull:
        return text::translated(N_("the disk is full"));
    case platform::SystemFailure::kQuotaExceeded:
        return text::translated(N_("the disk quota is used up"));
    case platform::SystemFailure::kReadOnlyDisk:
        return text::translated(N_("the disk is read-only"));
    case platform::SystemFailure::kNoPermission:
        return text::translated(N_("you have no permission to write it"));
    case platform::SystemFailure::kOther:
        break;
    }
    switch (sqlite3_errcode(db) & 0xFF) {
    case SQLITE_FULL:
        return text::translated(N_("the disk is full"));
    case SQLITE_READONLY:
        return text::translated(N_("the file is read-only"));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return text::translated(N_("another program has locked it"));
    case SQLITE_CORRUPT:
        return text::translated(N_("the file is damaged"));
    case SQLITE_NOTADB:
        return text::translated(N_("it is not a calendar store"));
    case SQLITE_CANTOPEN:
        return text::translated(N_("the file cannot be opened (it may have been moved or removed)"));
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return text::translated(N_("permission was denied"));
    case SQLITE_NOMEM:
        return text::translated(N_("the computer is out of memory"));
    case SQLITE_IOERR:
        return text::formatted(N_("the disk reported an error (%s)"), {sqlite3_errmsg(db)});
    default:
        return sqlite3_errmsg(db);
    }
}

// What stands at the store's path when it is not a file, in the user's words; empty for a file or
// for nothing at all.
std::string notAFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    switch (fs::status(path, ec).type()) {
    case fs::file_type::not_found:
    case fs::file_type::regular:
    case fs::file_type::none:
        return {};
    case fs::file_type::directory:
        return N_("a folder");
    case fs::file_type::fifo:
        return N_("a named pipe");
    case fs::file_type::block:
    case fs::file_type::character:
        return N_("a device");
    case fs::file_type::socket:
        return N_("a socket");
    default:
        return N_("not an ordinary file");
    }
}

// Whether a new file can be made beside the store: SQLite makes its log there, so a folder that
// takes no new files refuses the store as surely as a read-only file would.
bool folderTakesFiles(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path probe = fs::path(path + ".write-test");
    fs::remove(probe, ec);
    const bool made = static_cast<bool>(std::ofstream(probe));
    fs::remove(probe, ec);
    return made;
}

// The tables as design names them; a file with tables of these names but another shape belongs to
// another program.
constexpr const char* kKeyColumns = "id,parent,name,class";
constexpr const char* kValueColumns = "key,name,type,data";

// Below this much free space a store cannot be trusted to take the next change: the log grows by
// a page or more with every commit.
constexpr std::uintmax_t kLeastFreeSpace = 512 * 1024;

} // namespace

SettingsStore& settingsStore() {
    if (threadStore) return *threadStore;
    if (!globalStore()) throw StoreError("No settings store has been opened.");
    return *globalStore();
}

void setSettingsStore(std::unique_ptr<SettingsStore> store) {
    globalStore() = std::move(store);
}

bool hasSettingsStore() {
    return threadStore || globalStore() != nullptr;
}

ThreadSettingsStore::ThreadSettingsStore(SettingsStore& store) : previous_(threadStore) {
    threadStore = &store;
}

ThreadSettingsStore::~ThreadSettingsStore() {
    threadStore = previous_;
}

// Resets a prepared statement when it leaves scope, so every early return leaves it reusable.
class SqliteStore::Statement {
  public:
    explicit Statement(sqlite3_stmt* s) : s_(s) {}
    ~Statement() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return s_; }
    int step() { return sqlite3_step(s_); }

  private:
    sqlite3_stmt* s_;
};

std::string SqliteStore::defaultPath() {
    if (const char* explicitPath = std::getenv("ZORVELCAL_STORE"); explicitPath && *explicitPath)
        return explicitPath;
    const std::string base = platform::userDataFolder();
    return (base.empty() ? std::string(".") : base) + "/zorvelcal/store.db";
}

SqliteStore::SqliteStore(const std::string& path) : path_(path) {
    // SQLite counts the memory it uses under one lock that every connection takes for every
    // allocation; the check of the pages runs on a connection of its own beside the load, and the
    // two then waited for each other most of the time. The program never asks for the count. The
    // setting takes effect only before SQLite's first use in the process, and is otherwise ignored.
    static const bool uncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    static_cast<void>(uncounted);
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(parent, ec);
        if (ec) fail(text::formatted(N_("its folder cannot be created (%s)."), {ec.message()}));
    }
    if (open())
        prepareStatements();
    else
        rescue();
}

void SqliteStore::prepareStatements() {
    findChild_ = prepare("SELECT id FROM keys WHERE parent = ?1 AND name = ?2");
    findTop_ = prepare("SELECT id FROM keys WHERE parent IS NULL AND name = ?2");
    insertKey_ = prepare("INSERT INTO keys (parent, name, class) VALUES (?1, ?2, 'ZorvelCal')");
    listChildren_ = prepare("SELECT name FROM keys WHERE parent = ?1 ORDER BY name COLLATE NOCASE");
    deleteKey_ = prepare("DELETE FROM keys WHERE parent = ?1 AND name = ?2");
    setValue_ = prepare("INSERT OR REPLACE INTO vals (key, name, type, data) VALUES (?1, ?2, ?3, ?4)");
    getValue_ = prepare("SELECT type, data FROM vals WHERE key = ?1 AND name = ?2");
    allValues_ = prepare("SELECT name, type, data FROM vals WHERE key = ?1");
    childKeys_ = prepare("SELECT id, name FROM keys WHERE parent = ?1 ORDER BY name COLLATE NOCASE, id");
    // Both walk an index in its order: the tree's (parent, name) and the values' (key, name).
    grandchildKeys_ = prepare("SELECT c.id, c.name, g.id FROM keys c LEFT JOIN keys g ON g.parent = c.id "
                              "WHERE c.parent = ?1 ORDER BY c.name COLLATE NOCASE, g.name COLLATE NOCASE");
    valuesFrom_ = prepare("SELECT key, name, type, data FROM vals WHERE key >= ?1 ORDER BY key");
    packedFrom_ = prepare("SELECT key, packed FROM value_cache WHERE key >= ?1 ORDER BY key");
    putPacked_ = prepare("INSERT OR REPLACE INTO value_cache (key, packed) VALUES (?1, ?2)");
    dataVersion_ = prepare("PRAGMA data_version");
    if (!dataVersion_ || !findChild_ || !findTop_ || !insertKey_ || !listChildren_ || !deleteKey_ || !setValue_ ||
        !getValue_ || !allValues_ || !childKeys_ || !grandchildKeys_ || !valuesFrom_ || !packedFrom_ ||
        !putPacked_)
        fail(std::string(sqlite3_errmsg(db_)) + ".");
}

void SqliteStore::fail(const std::string& reason) {
    close();
    throw StoreError(text::formatted(N_("The calendar's store \"%s\" cannot be used: %s"), {path_, reason}));
}

std::string SqliteStore::columnsOf(const char* table) {
    std::string columns;
    sqlite3_stmt* s = nullptr;
    const std::string sql = std::string("PRAGMA table_info(") + table + ")";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) return columns;
    while (sqlite3_step(s) == SQLITE_ROW) {
        if (!columns.empty()) columns += ',';
        const unsigned char* name = sqlite3_column_text(s, 1);
        columns += name ? reinterpret_cast<const char*>(name) : "";
    }
    sqlite3_finalize(s);
    return columns;
}

std::string SqliteStore::openFailure() {
    if (!db_) return text::translated(N_("the computer is out of memory."));
    const int code = sqlite3_errcode(db_) & 0xFF;
    const bool refused =
        platform::systemFailure(sqlite3_system_errno(db_)) == platform::SystemFailure::kNoPermission;
    if ((code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM || refused) &&
        !folderTakesFiles(path_)) {
        std::error_code ec;
        const std::string folder = std::filesystem::absolute(path_, ec).parent_path().string();
        return text::formatted(N_("its folder \"%s\" is read-only."), {folder});
    }
    return plainReason(db_) + ".";
}

bool SqliteStore::open() {
    // SQLite would take a named pipe or a device for a file and fail on its first read with an
    // error that names neither.
    if (const std::string kind = notAFile(path_); !kind.empty())
        fail(text::formatted(N_("it is %s, not a file."), {text::translated(kind.c_str())}));
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        fail(openFailure());
    sqlite3_busy_timeout(db_, 5000);
    // SQLite quietly opens a file it may not write for reading only; every change would then be
    // lost.
    if (sqlite3_db_readonly(db_, "main") == 1) fail(text::translated(N_("the file is read-only.")));

    // Everything up to the set-up below only reads: a file of another program, or a damaged one,
    // is left exactly as it was found.
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_schema WHERE type = 'table'", -1, &s, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(s);
    const int tables = rc == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
    sqlite3_finalize(s);
    if ((rc & 0xFF) == SQLITE_CORRUPT) return damaged();
    // A first page overwritten takes the file's header with it; the calendar's keys in its other
    // pages tell a damaged store from another program's file.
    if ((rc & 0xFF) == SQLITE_NOTADB && holdsCalendarKeys(path_)) return damaged();
    if (rc != SQLITE_ROW) fail(openFailure());
    const std::string keyColumns = columnsOf("keys"), valueColumns = columnsOf("vals");
    if ((!keyColumns.empty() && keyColumns != kKeyColumns) || (!valueColumns.empty() && valueColumns != kValueColumns))
        fail(text::translated(N_("it belongs to another program (its tables are not the calendar's).")));
    if (tables > 0 && keyColumns.empty() && valueColumns.empty())
        fail(text::translated(N_("it belongs to another program (it holds no calendar tables).")));
    // Checking every page costs about ten milliseconds of processor time for ten thousand
    // appointments; it runs on its own connection and thread while the program builds its window
    // and loads, and the first write waits for its verdict (see awaitIntegrityCheck()). Its thread
    // yields to the others, so that on two cores the load, the first paint and the display server
    // are not slowed by it.
    if (tables > 0)
        integrity_ = std::async(std::launch::async, [path = path_] {
            platform::lowerThreadPriority();
            return isWhole(path);
        });

    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(path_, ec).parent_path();
    if (const auto space = std::filesystem::space(folder, ec); !ec && space.available < kLeastFreeSpace)
        fail(text::translated(N_("the disk is full.")));

    // Every change the user makes is final at once, so each commit reaches the disk (synchronous
    // FULL); a saved entry costs well under a millisecond this way. Before that, the file's header
    // is written again, unchanged, and committed: only a write proves that a read-only file, a
    // locked one or a full disk will not drop the changes to come.
    int version = 0;
    if (sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
        version = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    const std::string rewrite = "PRAGMA user_version = " + std::to_string(version);
    // The header's commit is not flushed to the disk: a full disk, a read-only file or a lock
    // show when the log is written, and the flush would only add a wait to every start.
    // Pages are read through a mapping of the file rather than copied into memory of the
    // connection's own, one system call each: loading reads every page of the packed rows once,
    // and the copies and calls took about half of its time. Writes still go through the log.
    const char* setup[] = {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=OFF",  "PRAGMA temp_store=MEMORY",
                           "PRAGMA foreign_keys=ON",  "PRAGMA mmap_size=268435456", kSchema,
                           "BEGIN IMMEDIATE",         rewrite.c_str(),           "COMMIT",
                           "PRAGMA synchronous=FULL"};
    for (const char* sql : setup) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            const std::string reason = openFailure();
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            fail(reason);
        }
    }
    return true;
}

bool SqliteStore::damaged() {
    close();
    return false;
}

bool SqliteStore::isWhole(const std::string& path) {
    sqlite3* db = nullptr;
    bool whole = true;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK) {
        // Read through a mapping, as the store's own connection reads: the start shows its window
        // only once the check is done, and the calls to read each page took a third of it.
        sqlite3_exec(db, "PRAGMA mmap_size=268435456", nullptr, nullptr, nullptr);
        sqlite3_stmt* s = nullptr;
        int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &s, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_step(s);
        if (rc == SQLITE_ROW)
            whole = sqlite3_column_type(s, 0) == SQLITE_TEXT &&
                    std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) == "ok";
        else
            whole = (rc & 0xFF) != SQLITE_CORRUPT; // anything else says nothing about the file
        sqlite3_finalize(s);
    }
    sqlite3_close_v2(db);
    return whole;
}

const std::string& SqliteStore::awaitIntegrityCheck() {
    if (integrity_.valid() && !integrity_.get()) rescue();
    if (!noticeComposed_) {
        noticeComposed_ = true;
        notice_ = rescueNotice_;
        // A kept store the user has not been told of (the program ended before its message was
        // read, or the store was rebuilt and then refused) is named at every start until then.
        for (const std::string& kept : untoldKeptStores()) {
            untold_.push_back(std::filesystem::path(kept).filename().string());
            if (kept == keptNow_) continue;
            notice_ += (notice_.empty() ? "" : "\n\n") +
                       text::formatted(
                           N_("An earlier, damaged copy of the calendar's store is kept as \"%s\". The "
                              "calendar does not read it; keep it until you no longer need what it holds."),
                           {kept});
        }
    }
    return notice_;
}

std::vector<std::string> SqliteStore::untoldKeptStores() {
    std::vector<std::string> untold;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db_, "SELECT 1 FROM told_kept_stores WHERE name = ?1", -1, &s, nullptr);
    for (const std::string& kept : keptStores(path_)) {
        const std::string name = std::filesystem::path(kept).filename().string();
        bindText(s, 1, name);
        if (!s || sqlite3_step(s) != SQLITE_ROW) untold.push_back(kept);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    return untold;
}

void SqliteStore::noticeShown() {
    for (const std::string& name : untold_) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, "INSERT OR IGNORE INTO told_kept_stores (name) VALUES (?1)", -1, &s, nullptr) ==
            SQLITE_OK) {
            bindText(s, 1, name);
            // A note that cannot be written only means the user is told again at the next start.
            sqlite3_step(s);
        }
        sqlite3_finalize(s);
    }
    untold_.clear();
}

bool SqliteStore::readyToWrite() {
    if (!integrity_.valid()) return true;
    try {
        awaitIntegrityCheck();
        return true;
    } catch (const StoreError& error) {
        noteFailure(error.what());
        return false;
    }
}

void SqliteStore::rescue() {
    // The file is damaged. Nothing is written to it (not even the log folded back in on closing).
    // What can still be read of it goes into a new store beside it, written whole and flushed;
    // only then does the new store take the damaged one's place, and the damaged one is kept, so
    // that a full disk or a crash half-way never leaves the calendar without its appointments.
    if (db_) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    close();
    const RescuedStore rescued = readWhatRemains(path_);
    const std::string kept = keptStoreName(path_);
    const std::string rebuilt = path_ + ".rebuilding";
    const std::size_t appointments = buildStore(rebuilt, rescued);
    replaceDamagedStore(path_, rebuilt, kept);
    keptNow_ = kept;
    if (!open()) fail(text::translated(N_("a new store cannot be made in its place.")));
    prepareStatements();
    // The new store keeps every rescued key's number, so open keys stay valid; lost ones are gone.
    pathCache_.clear();
    if (appointments > 0)
        rescueNotice_ =
            text::formatted(appointments == 1 ? N_("The calendar's store \"%s\" was damaged. It has been "
                                                   "kept, unchanged, as \"%s\". What could "
                                                   "still be read of it (%d appointment and the settings) "
                                                   "was carried into a new store, which the "
                                                   "calendar uses from now on.")
                                              : N_("The calendar's store \"%s\" was damaged. It has been "
                                                   "kept, unchanged, as \"%s\". What could "
                                                   "still be read of it (%d appointments and the settings) "
                                                   "was carried into a new store, which the "
                                                   "calendar uses from now on."),
                            {path_, kept, std::to_string(appointments)});
    else
        rescueNotice_ = text::formatted(
            rescued.values.empty()
                ? N_("The calendar's store \"%s\" was damaged, and none of its appointments could be read. "
                     "It has "
                     "been kept, unchanged, as \"%s\". The calendar starts with a new store.")
                : N_("The calendar's store \"%s\" was damaged, and none of its appointments could be read. "
                     "It has "
                     "been kept, unchanged, as \"%s\". The calendar starts with a new store, which keeps the "
                     "settings that could be read."),
            {path_, kept});
}

std::size_t SqliteStore::buildStore(const std::string& file, const RescuedStore& rescued) {
    std::error_code ec;
    for (const char* leftover : {"", "-journal"})
        std::filesystem::remove(file + leftover, ec);
    sqlite3* db = nullptr;
    std::string reason;
    auto run = [&](const char* sql) {
        if (reason.empty() && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) reason = plainReason(db);
        return reason.empty();
    };
    // The damaged file may need as much room again; a disk that cannot hold that would only fail
    // half-way.
    const std::uintmax_t needed = std::filesystem::file_size(path_, ec) + kLeastFreeSpace;
    if (const auto space = std::filesystem::space(std::filesystem::absolute(file, ec).parent_path(), ec);
        !ec && space.available < needed)
        reason = "the disk is full";
    else if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr) != SQLITE_OK)
        reason = db ? plainReason(db) : "the computer is out of memory";
    // A plain journal leaves one whole file behind once the transaction is committed and flushed.
    for (const char* sql : {"PRAGMA journal_mode=DELETE", "PRAGMA synchronous=FULL", kSchema, "BEGIN IMMEDIATE"})
        run(sql);
    sqlite3_stmt* key = nullptr;
    sqlite3_stmt* value = nullptr;
    std::size_t appointments = 0;
    if (reason.empty()) {
        sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO keys (id, parent, name, class) VALUES (?1, ?2, ?3, ?4)", -1,
                           &key, nullptr);
        sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO vals (key, name, type, data) VALUES (?1, ?2, ?3, ?4)", -1,
                           &value, nullptr);
        // A key that a namesake under the same parent kept out has no place, nor has anything below it.
        std::set<std::int64_t> placed;
        int rc = key && value ? SQLITE_DONE : SQLITE_ERROR;
        for (const RescuedKey& k : rescued.keys) {
            if (rc != SQLITE_DONE) break;
            if (k.parent && !placed.count(*k.parent)) continue;
            sqlite3_bind_int64(key, 1, k.id);
            if (k.parent)
                sqlite3_bind_int64(key, 2, *k.parent);
            else
                sqlite3_bind_null(key, 2);
            bindText(key, 3, k.name);
            bindText(key, 4, k.keyClass);
            rc = sqlite3_step(key);
            if (rc == SQLITE_DONE && sqlite3_changes(db) > 0) placed.insert(k.id);
            sqlite3_reset(key);
        }
        for (const RescuedValue& v : rescued.values) {
            if (rc != SQLITE_DONE) break;
            if (!placed.count(v.key)) continue;
            sqlite3_bind_int64(value, 1, v.key);
            bindText(value, 2, v.name);
            sqlite3_bind_int(value, 3, v.type);
            sqlite3_bind_blob(value, 4, v.data.data(), static_cast<int>(v.data.size()), SQLITE_STATIC);
            rc = sqlite3_step(value);
            sqlite3_reset(value);
        }
        if (rc != SQLITE_DONE) reason = plainReason(db);
        run("COMMIT");
        // An appointment is a key two levels below "Appointments".
        sqlite3_stmt* s = nullptr;
        if (reason.empty() &&
            sqlite3_prepare_v2(db,
                               "SELECT count(*) FROM keys a JOIN keys m ON a.parent = m.id JOIN keys r ON m.parent = "
                               "r.id WHERE r.name = 'Appointments'",
                               -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            appointments = static_cast<std::size_t>(sqlite3_column_int64(s, 0));
        sqlite3_finalize(s);
    }
    sqlite3_finalize(key);
    sqlite3_finalize(value);
    if (db && sqlite3_close(db) != SQLITE_OK) {
        if (reason.empty()) reason = plainReason(db);
        sqlite3_close_v2(db);
    }
    if (!reason.empty()) {
        for (const char* leftover : {"", "-journal"})
            std::filesystem::remove(file + leftover, ec);
        throw StoreError(
            text::formatted(N_("The calendar's store \"%s\" is damaged, and a new store cannot be made "
                               "from what can still be read of it: %s. The damaged store is left as it "
                               "is; start Zorvel Calendar again once that is mended."),
                            {path_, reason}));
    }
    return appointments;
}

SqliteStore::~SqliteStore() {
    if (integrity_.valid()) integrity_.wait();
    close();
}

void SqliteStore::close() {
    // A statement left unfinalized would keep the connection, and its memory, alive.
    for (auto& [count, s] : multiValue_)
        sqlite3_finalize(s);
    multiValue_.clear();
    for (sqlite3_stmt** s : {&findChild_, &findTop_, &insertKey_, &listChildren_, &deleteKey_, &setValue_,
                             &getValue_, &allValues_, &childKeys_, &grandchildKeys_, &valuesFrom_,
                             &packedFrom_, &putPacked_, &dataVersion_}) {
        sqlite3_finalize(*s);
        *s = nullptr;
    }
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

sqlite3_stmt* SqliteStore::prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    return sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) == SQLITE_OK ? s
                                                                                                 : nullptr;
}

bool SqliteStore::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || failed();
}

bool SqliteStore::failed() {
    noteFailure(
        text::formatted(N_("Zorvel Calendar could not save to \"%s\": %s."), {path_, plainReason(db_)}));
    // The batch around this write cannot land whole any more; it is undone at its end.
    if (batchDepth_ > 0) batchFailed_ = true;
    return false;
}

SettingsStore::KeyId SqliteStore::findChild(KeyId parent, std::string_view name) {
    Statement s(parent == kNoKey ? findTop_ : findChild_);
    if (parent != kNoKey) sqlite3_bind_int64(s.get(), 1, parent);
    bindText(s.get(), 2, name);
    return s.step() == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0) : kNoKey;
}

SettingsStore::KeyId SqliteStore::insertChild(KeyId parent, std::string_view name) {
    if (batchFailed_ || !readyToWrite()) return kNoKey;
    Statement s(insertKey_);
    if (parent == kNoKey)
        sqlite3_bind_null(s.get(), 1);
    else
        sqlite3_bind_int64(s.get(), 1, parent);
    bindText(s.get(), 2, name);
    if (s.step() == SQLITE_DONE) return sqlite3_last_insert_rowid(db_);
    failed();
    return kNoKey;
}

SettingsStore::KeyId SqliteStore::walk(std::string_view path, bool create, Disposition* disposition) {
    if (disposition) *disposition = Disposition::OpenedExisting;
    std::string folded = foldCase(path);
    while (!folded.empty() && folded.back() == '\\')
        folded.pop_back();
    // Inside a batch this connection holds the write lock, which it checked for others' commits
    // when it took it.
    if (batchDepth_ == 0) forgetPathsOthersChanged();
    if (auto hit = pathCache_.find(folded); hit != pathCache_.end()) return hit->second;

    // Start below the longest prefix walked before: opening every appointment of a month then
    // costs one look-up each instead of one per level.
    KeyId key = kNoKey;
    std::size_t start = 0;
    for (std::size_t cut = folded.rfind('\\'); cut != std::string::npos && cut > 0;
         cut = folded.rfind('\\', cut - 1)) {
        if (auto hit = pathCache_.find(folded.substr(0, cut)); hit != pathCache_.end()) {
            key = hit->second;
            start = cut + 1;
            break;
        }
    }
    while (start < path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        KeyId child = findChild(key, name);
        if (child == kNoKey) {
            if (!create) return kNoKey;
            child = insertChild(key, name);
            if (child == kNoKey) return kNoKey;
            if (disposition) *disposition = Disposition::CreatedNew;
        } else if (disposition) {
            *disposition = Disposition::OpenedExisting;
        }
        key = child;
        pathCache_.emplace(folded.substr(0, std::min(end, folded.size())), key);
    }
    return key;
}

SettingsStore::KeyId SqliteStore::createKey(std::string_view path, Disposition* disposition) {
    return walk(path, true, disposition);
}

SettingsStore::KeyId SqliteStore::openKey(std::string_view path) {
    return walk(path, false, nullptr);
}

std::vector<std::string> SqliteStore::subkeyNames(KeyId key) {
    std::vector<std::string> names;
    Statement s(listChildren_);
    sqlite3_bind_int64(s.get(), 1, key);
    while (s.step() == SQLITE_ROW)
        names.push_back(columnText(s.get(), 0));
    return names;
}

bool SqliteStore::deleteSubkey(KeyId parent, std::string_view name) {
    if (batchFailed_ || !readyToWrite()) return false;
    Statement s(deleteKey_);
    sqlite3_bind_int64(s.get(), 1, parent);
    bindText(s.get(), 2, name);
    if (s.step() != SQLITE_DONE) return failed();
    // Cached paths may lead below the deleted key; deletes are rare, so start afresh.
    pathCache_.clear();
    return sqlite3_changes(db_) > 0;
}

bool SqliteStore::writeValue(KeyId key, std::string_view name, ValueType type, std::string_view data) {
    if (batchFailed_ || !readyToWrite()) return false;
    Statement s(setValue_);
    sqlite3_bind_int64(s.get(), 1, key);
    bindText(s.get(), 2, name);
    sqlite3_bind_int(s.get(), 3, static_cast<int>(type));
    sqlite3_bind_blob(s.get(), 4, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    if (s.step() != SQLITE_DONE) return failed();
    written_.push_back(key);
    return true;
}

bool SqliteStore::setValue(KeyId key, std::string_view name, ValueType type, std::string_view data) {
    if (key == kNoKey) return false;
    // The key's packed row is written in the same transaction as its value (see endBatch).
    const std::uint64_t before = failures().count;
    beginBatch();
    const bool written = writeValue(key, name, type, data);
    endBatch();
    return written && failures().count == before;
}

bool SqliteStore::writeValues(KeyId key, const std::vector<NamedValue>& values) {
    if (batchFailed_ || !readyToWrite()) return false;
    sqlite3_stmt*& cached = multiValue_[values.size()];
    if (!cached) {
        std::string sql = "INSERT OR REPLACE INTO vals (key, name, type, data) VALUES ";
        for (std::size_t i = 0; i < values.size(); ++i)
            sql += i ? ",(?,?,?,?)" : "(?,?,?,?)";
        cached = prepare(sql.c_str());
        if (!cached) return failed();
    }
    Statement s(cached);
    int n = 1;
    for (const NamedValue& v : values) {
        sqlite3_bind_int64(s.get(), n++, key);
        bindText(s.get(), n++, v.name);
        sqlite3_bind_int(s.get(), n++, static_cast<int>(v.value.type));
        sqlite3_bind_blob(s.get(), n++, v.value.data.data(), static_cast<int>(v.value.data.size()),
                          SQLITE_STATIC);
    }
    if (s.step() != SQLITE_DONE) return failed();
    written_.push_back(key);
    return true;
}

bool SqliteStore::setValues(KeyId key, const std::vector<NamedValue>& values) {
    if (key == kNoKey) return false;
    if (values.empty()) return true;
    // One statement writes up to 64 values; the batch around it makes the key's values and its
    // packed row (see endBatch) land together, and inside a batch it adds no commit of its own.
    constexpr std::size_t kValuesPerStatement = 64;
    const std::uint64_t before = failures().count;
    beginBatch();
    bool written = true;
    if (values.size() <= kValuesPerStatement)
        written = writeValues(key, values);
    else
        for (const NamedValue& v : values)
            if (!(written = writeValue(key, v.name, v.value.type, v.value.data))) break;
    endBatch();
    return written && failures().count == before;
}

std::optional<StoredValue> SqliteStore::queryValue(KeyId key, std::string_view name) {
    Statement s(getValue_);
    sqlite3_bind_int64(s.get(), 1, key);
    bindText(s.get(), 2, name);
    if (s.step() != SQLITE_ROW) return std::nullopt;
    return StoredValue{static_cast<ValueType>(sqlite3_column_int(s.get(), 0)), columnBytes(s.get(), 1)};
}

std::vector<NamedValue> SqliteStore::allValues(KeyId key) {
    std::vector<NamedValue> values;
    Statement s(allValues_);
    sqlite3_bind_int64(s.get(), 1, key);
    while (s.step() == SQLITE_ROW)
        values.push_back({columnText(s.get(), 0),
                          {static_cast<ValueType>(sqlite3_column_int(s.get(), 1)), columnBytes(s.get(), 2)}});
    return values;
}

void SqliteStore::beginBatch() {
    // A nested batch is part of the outer one's transaction: the outermost lands whole or not at all.
    if (batchDepth_++ > 0) return;
    batchFailed_ = !readyToWrite();
    if (batchFailed_) return;
    exec("BEGIN IMMEDIATE"); // when even this fails, every write of the batch is refused
    forgetPathsOthersChanged();
}

void SqliteStore::forgetPathsOthersChanged() {
    Statement s(dataVersion_);
    if (s.step() != SQLITE_ROW) return;
    // The number changes only with another connection's commits.
    const std::int64_t version = sqlite3_column_int64(s.get(), 0);
    if (version != seenVersion_) pathCache_.clear();
    seenVersion_ = version;
}

void SqliteStore::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) return;
    if (!batchFailed_ && packWritten() && exec("COMMIT")) return;
    undoBatch();
}

bool SqliteStore::packWritten() {
    // Once per key and transaction, however many of its values were written, from what "vals"
    // holds now: that takes in values the program did not write itself.
    std::sort(written_.begin(), written_.end());
    written_.erase(std::unique(written_.begin(), written_.end()), written_.end());
    const bool packed = std::all_of(written_.begin(), written_.end(), [this](KeyId key) { return pack(key); });
    written_.clear();
    return packed || failed();
}

bool SqliteStore::pack(KeyId key) {
    packing_.assign(1, static_cast<char>(kPackedFormat));
    {
        Statement s(allValues_);
        sqlite3_bind_int64(s.get(), 1, key);
        int rc;
        while ((rc = s.step()) == SQLITE_ROW) {
            const std::string_view name = columnView(s.get(), 0), data = columnView(s.get(), 2);
            putVarint(packing_, name.size());
            packing_.append(name);
            putVarint(packing_, static_cast<std::uint32_t>(sqlite3_column_int(s.get(), 1)));
            putVarint(packing_, data.size());
            packing_.append(data);
        }
        if (rc != SQLITE_DONE) return false;
    }
    // A key deleted since, or left without values, has no row: its triggers took it away.
    if (packing_.size() == 1) return true;
    Statement s(putPacked_);
    sqlite3_bind_int64(s.get(), 1, key);
    sqlite3_bind_blob(s.get(), 2, packing_.data(), static_cast<int>(packing_.size()), SQLITE_STATIC);
    return s.step() == SQLITE_DONE;
}

bool SqliteStore::fillValueCache(std::size_t most) {
    const std::size_t count = std::min(most, uncached_.size());
    if (batchDepth_ > 0 || count == 0) return !uncached_.empty();
    const std::vector<KeyId> keys(uncached_.end() - static_cast<std::ptrdiff_t>(count), uncached_.end());
    uncached_.resize(uncached_.size() - count);
    // The rows only save time: a store that does not take them now loads from "vals" as before,
    // and no write of the user's failed.
    if (!readyToWrite() || sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        uncached_.clear();
        return false;
    }
    const bool packed = std::all_of(keys.begin(), keys.end(), [this](KeyId key) { return pack(key); });
    if (!packed || sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        uncached_.clear();
        return false;
    }
    return !uncached_.empty();
}

void SqliteStore::abortBatch() {
    if (batchDepth_ == 0) return;
    if (--batchDepth_ > 0) {
        batchFailed_ = true;
        return;
    }
    undoBatch();
}

void SqliteStore::undoBatch() {
    // SQLite may have rolled the transaction back itself already (a full disk does that).
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    batchFailed_ = false;
    written_.clear();
    // Keys created inside the batch are gone again, and the cache may still name them.
    pathCache_.clear();
}

} // namespace zc

namespace zc {

std::vector<SubkeyValues> SqliteStore::subkeysWithValues(KeyId key) {
    // The children come from the tree's index in name order; each one's values from its packed
    // row, by a look-up of its own (a pass in key order would run over every row between keys
    // made years apart), or from "vals" where it has no usable row. The sync reads its record of
    // every server item so at each run: the join over "vals" took six times as long.
    std::vector<SubkeyValues> out;
    {
        Statement s(childKeys_);
        sqlite3_bind_int64(s.get(), 1, key);
        while (s.step() == SQLITE_ROW)
            out.push_back({sqlite3_column_int64(s.get(), 0), columnText(s.get(), 1), {}});
    }
    std::vector<PackedValue> packed;
    for (SubkeyValues& child : out) {
        {
            Statement s(packedFrom_);
            sqlite3_bind_int64(s.get(), 1, child.key);
            if (s.step() == SQLITE_ROW && sqlite3_column_int64(s.get(), 0) == child.key &&
                unpack(columnView(s.get(), 1), packed)) {
                child.values.reserve(packed.size());
                for (const PackedValue& v : packed)
                    child.values.push_back({std::string(v.name), {v.type, std::string(v.data)}});
                continue;
            }
        }
        child.values = allValues(child.key);
    }
    return out;
}

} // namespace zc

namespace zc {

void SqliteStore::readGrandchildren(KeyId key, GrandchildReader& reader) {
    // The keys come from the tree's index alone, in name order. They are counted before they are
    // named, so that the reader can make room for all of them at once.
    std::vector<std::pair<KeyId, std::size_t>> numbers; // each grandchild's key and number
    std::vector<std::pair<std::string, std::size_t>> children; // each child's name and grandchildren
    {
        Statement s(grandchildKeys_);
        sqlite3_bind_int64(s.get(), 1, key);
        KeyId child = kNoKey;
        while (s.step() == SQLITE_ROW) {
            if (const KeyId id = sqlite3_column_int64(s.get(), 0); id != child) {
                child = id;
                children.emplace_back(columnView(s.get(), 1), 0);
            }
            if (sqlite3_column_type(s.get(), 2) == SQLITE_NULL) continue;
            numbers.emplace_back(sqlite3_column_int64(s.get(), 2), numbers.size());
            ++children.back().second;
        }
    }
    reader.expect(numbers.size());
    for (const auto& [name, grandchildren] : children) {
        reader.child(name);
        for (std::size_t i = 0; i < grandchildren; ++i)
            reader.grandchild();
    }
    uncached_.clear();
    if (numbers.empty()) return;
    std::sort(numbers.begin(), numbers.end());
    // The packed rows come in one pass from the first grandchild's key on, in key order, and meet
    // the keys, in the same order, in step; rows of other keys in between are passed over. The
    // scan has no upper bound of its own: it stops past the last key, which saves the statement a
    // comparison on every row.
    std::vector<std::pair<KeyId, std::size_t>> unpacked; // the keys without a usable row
    {
        Statement s(packedFrom_);
        sqlite3_bind_int64(s.get(), 1, numbers.front().first);
        std::vector<PackedValue> values;
        auto next = numbers.begin();
        while (next != numbers.end() && s.step() == SQLITE_ROW) {
            const KeyId owner = sqlite3_column_int64(s.get(), 0);
            for (; next != numbers.end() && next->first < owner; ++next)
                unpacked.push_back(*next);
            if (next == numbers.end() || next->first != owner) continue;
            if (unpack(columnView(s.get(), 1), values))
                for (const PackedValue& v : values)
                    reader.value(next->second, v.name, v.type, v.data);
            else
                unpacked.push_back(*next);
            ++next;
        }
        unpacked.insert(unpacked.end(), next, numbers.end());
    }
    if (unpacked.empty()) return;
    // The others are read from "vals" (and packed later, see fillValueCache()): a few by a look-up
    // each, many in one ordered pass over the table from the first of them.
    for (const auto& [id, number] : unpacked)
        uncached_.push_back(id);
    if (unpacked.size() * 2 <= numbers.size()) {
        for (const auto& [id, number] : unpacked) {
            Statement s(allValues_);
            sqlite3_bind_int64(s.get(), 1, id);
            while (s.step() == SQLITE_ROW)
                reader.value(number, columnView(s.get(), 0), static_cast<ValueType>(sqlite3_column_int(s.get(), 1)),
                             columnView(s.get(), 2));
        }
        return;
    }
    Statement s(valuesFrom_);
    sqlite3_bind_int64(s.get(), 1, unpacked.front().first);
    auto next = unpacked.begin();
    while (s.step() == SQLITE_ROW) {
        const KeyId owner = sqlite3_column_int64(s.get(), 0);
        while (next != unpacked.end() && next->first < owner)
            ++next;
        if (next == unpacked.end()) break;
        if (next->first != owner) continue;
        reader.value(next->second, columnView(s.get(), 1),
                     static_cast<ValueType>(sqlite3_column_int(s.get(), 2)), columnView(s.get(), 3));
    }
}

} // namespace zc
