#include "data/sqlite_store.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zc {
namespace {

std::unique_ptr<SettingsStore>& globalStore() {
    static std::unique_ptr<SettingsStore> store;
    return store;
}

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
)sql";

// Binds a name or text as SQLite text without copying it.
void bindText(sqlite3_stmt* s, int index, std::string_view text) {
    sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

std::string columnBytes(sqlite3_stmt* s, int column) {
    const void* p = sqlite3_column_blob(s, column);
    const int n = sqlite3_column_bytes(s, column);
    return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

std::string columnText(sqlite3_stmt* s, int column) {
    const unsigned char* p = sqlite3_column_text(s, column);
    const int n = sqlite3_column_bytes(s, column);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

// Why a write failed, as the user would put it.
std::string plainReason(sqlite3* db) {
    switch (sqlite3_errcode(db)) {
    case SQLITE_FULL:
        return "the disk is full";
    case SQLITE_READONLY:
        return "the file is read-only";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "another program has locked it";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "the file is damaged";
    case SQLITE_CANTOPEN:
        return "the file cannot be opened (it may have been moved or removed)";
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return "permission was denied";
    case SQLITE_NOMEM:
        return "the computer is out of memory";
    case SQLITE_IOERR:
        return "the disk reported an error (" + std::string(sqlite3_errmsg(db)) + ")";
    default:
        return sqlite3_errmsg(db);
    }
}

} // namespace

SettingsStore& settingsStore() {
    if (!globalStore()) throw StoreError("No settings store has been opened.");
    return *globalStore();
}

void setSettingsStore(std::unique_ptr<SettingsStore> store) {
    globalStore() = std::move(store);
}

bool hasSettingsStore() {
    return globalStore() != nullptr;
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
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        base = ".";
    return base + "/zorvelcal/store.db";
}

SqliteStore::SqliteStore(const std::string& path) : path_(path) {
    auto fail = [&](const std::string& reason) {
        close();
        throw StoreError("The calendar's store \"" + path_ + "\" cannot be used: " + reason);
    };
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(parent, ec);
        if (ec) fail("its folder cannot be created (" + ec.message() + ").");
    }
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        fail(std::string(db_ ? sqlite3_errmsg(db_) : "out of memory") + ".");
    sqlite3_busy_timeout(db_, 5000);
    // Every change the user makes is final at once, so each commit reaches the disk (synchronous
    // FULL); a saved entry costs well under a millisecond this way. Each step touches the file, so a damaged
    // file, a read-only file or a full disk shows here, before the program starts working with data it could
    // not save.
    const char* setup[] = {"PRAGMA journal_mode=WAL",
                           "PRAGMA synchronous=FULL",
                           "PRAGMA temp_store=MEMORY",
                           "PRAGMA foreign_keys=ON",
                           kSchema,
                           "BEGIN IMMEDIATE",
                           "COMMIT"};
    for (const char* sql : setup) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            std::string reason = message ? message : sqlite3_errmsg(db_);
            sqlite3_free(message);
            fail(reason + ".");
        }
    }
    findChild_ = prepare("SELECT id FROM keys WHERE parent = ?1 AND name = ?2");
    findTop_ = prepare("SELECT id FROM keys WHERE parent IS NULL AND name = ?2");
    insertKey_ = prepare("INSERT INTO keys (parent, name, class) VALUES (?1, ?2, 'ZorvelCal')");
    listChildren_ = prepare("SELECT name FROM keys WHERE parent = ?1 ORDER BY name COLLATE NOCASE");
    deleteKey_ = prepare("DELETE FROM keys WHERE parent = ?1 AND name = ?2");
    setValue_ = prepare("INSERT OR REPLACE INTO vals (key, name, type, data) VALUES (?1, ?2, ?3, ?4)");
    getValue_ = prepare("SELECT type, data FROM vals WHERE key = ?1 AND name = ?2");
    allValues_ = prepare("SELECT name, type, data FROM vals WHERE key = ?1");
    childValues_ =
        prepare("SELECT k.id, k.name, v.name, v.type, v.data FROM keys k LEFT JOIN vals v ON v.key = k.id "
                "WHERE k.parent = ?1 ORDER BY k.name COLLATE NOCASE, k.id");
    if (!findChild_ || !findTop_ || !insertKey_ || !listChildren_ || !deleteKey_ || !setValue_ ||
        !getValue_ || !allValues_)
        fail(std::string(sqlite3_errmsg(db_)) + ".");
}

SqliteStore::~SqliteStore() {
    close();
}

void SqliteStore::close() {
    // A statement left unfinalized would keep the connection, and its memory, alive.
    for (auto& [count, s] : multiValue_)
        sqlite3_finalize(s);
    multiValue_.clear();
    for (sqlite3_stmt** s : {&findChild_, &findTop_, &insertKey_, &listChildren_, &deleteKey_, &setValue_,
                             &getValue_, &allValues_, &childValues_}) {
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
    noteFailure("Zorvel Calendar could not save to \"" + path_ + "\": " + plainReason(db_) + ".");
    return false;
}

SettingsStore::KeyId SqliteStore::findChild(KeyId parent, std::string_view name) {
    Statement s(parent == kNoKey ? findTop_ : findChild_);
    if (parent != kNoKey) sqlite3_bind_int64(s.get(), 1, parent);
    bindText(s.get(), 2, name);
    return s.step() == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0) : kNoKey;
}

SettingsStore::KeyId SqliteStore::insertChild(KeyId parent, std::string_view name) {
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
    Statement s(deleteKey_);
    sqlite3_bind_int64(s.get(), 1, parent);
    bindText(s.get(), 2, name);
    if (s.step() != SQLITE_DONE) return failed();
    // Cached paths may lead below the deleted key; deletes are rare, so start afresh.
    pathCache_.clear();
    return sqlite3_changes(db_) > 0;
}

bool SqliteStore::writeValue(KeyId key, std::string_view name, ValueType type, std::string_view data) {
    Statement s(setValue_);
    sqlite3_bind_int64(s.get(), 1, key);
    bindText(s.get(), 2, name);
    sqlite3_bind_int(s.get(), 3, static_cast<int>(type));
    sqlite3_bind_blob(s.get(), 4, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    return s.step() == SQLITE_DONE || failed();
}

bool SqliteStore::setValue(KeyId key, std::string_view name, ValueType type, std::string_view data) {
    return key != kNoKey && writeValue(key, name, type, data);
}

bool SqliteStore::writeValues(KeyId key, const std::vector<NamedValue>& values) {
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
    return s.step() == SQLITE_DONE || failed();
}

bool SqliteStore::setValues(KeyId key, const std::vector<NamedValue>& values) {
    if (key == kNoKey) return false;
    if (values.empty()) return true;
    // One statement writes all of a key's values: it is all or nothing by itself, and inside a
    // batch it adds no commit of its own.
    constexpr std::size_t kValuesPerStatement = 64;
    if (values.size() <= kValuesPerStatement) return writeValues(key, values);
    const bool nested = batchOpen_;
    if (!exec(nested ? "SAVEPOINT key_values" : "BEGIN IMMEDIATE")) return false;
    for (const NamedValue& v : values) {
        if (!writeValue(key, v.name, v.value.type, v.value.data)) {
            exec(nested ? "ROLLBACK TO key_values" : "ROLLBACK");
            if (nested) exec("RELEASE key_values");
            return false;
        }
    }
    if (exec(nested ? "RELEASE key_values" : "COMMIT")) return true;
    exec(nested ? "ROLLBACK TO key_values" : "ROLLBACK");
    if (nested) exec("RELEASE key_values");
    return false;
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
    if (batchDepth_++ == 0) batchOpen_ = exec("BEGIN IMMEDIATE");
}

void SqliteStore::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ != 0 || !batchOpen_) return;
    batchOpen_ = false;
    if (exec("COMMIT")) return;
    exec("ROLLBACK");
    // Keys created inside the batch are gone again, and the cache may still name them.
    pathCache_.clear();
}

} // namespace zc

namespace zc {

std::vector<SubkeyValues> SqliteStore::subkeysWithValues(KeyId key) {
    std::vector<SubkeyValues> out;
    Statement s(childValues_);
    sqlite3_bind_int64(s.get(), 1, key);
    while (s.step() == SQLITE_ROW) {
        const KeyId child = sqlite3_column_int64(s.get(), 0);
        if (out.empty() || out.back().key != child) {
            out.push_back({child, columnText(s.get(), 1), {}});
            out.back().values.reserve(12); // an appointment's values
        }
        if (sqlite3_column_type(s.get(), 2) != SQLITE_NULL)
            out.back().values.push_back(
                {columnText(s.get(), 2),
                 {static_cast<ValueType>(sqlite3_column_int(s.get(), 3)), columnBytes(s.get(), 4)}});
    }
    return out;
}

} // namespace zc
