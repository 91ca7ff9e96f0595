#include "data/store_rescue.h"

#include "data/settings_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

namespace zc {
namespace {

namespace fs = std::filesystem;

std::string columnBytes(sqlite3_stmt* s, int column) {
    const void* p = sqlite3_column_blob(s, column);
    const int n = sqlite3_column_bytes(s, column);
    return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

class Query {
  public:
    Query(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
    ~Query() { sqlite3_finalize(s_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    explicit operator bool() const { return s_ != nullptr; }
    sqlite3_stmt* get() const { return s_; }

  private:
    sqlite3_stmt* s_ = nullptr;
};

std::string datedName(const fs::path& path) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &tm);
    const std::string stem = path.stem().string() + ".damaged-" + stamp;
    for (int n = 1;; ++n) {
        fs::path candidate = path;
        candidate.replace_filename(stem + (n > 1 ? "-" + std::to_string(n) : "") + path.extension().string());
        std::error_code ec;
        if (!fs::exists(candidate, ec)) return candidate.string();
    }
}

// Walks a table in key order and steps over what cannot be read: after an error the walk starts
// again just past the last row it reached, so one damaged page costs only the rows it held.
template <typename OnRow>
void walkAround(sqlite3* db, const char* sql, std::int64_t highest, OnRow onRow) {
    Query q(db, sql);
    if (!q) return;
    std::int64_t from = -1;
    std::string fromName;
    while (from <= highest) {
        sqlite3_reset(q.get());
        sqlite3_bind_int64(q.get(), 1, from);
        if (sqlite3_bind_parameter_count(q.get()) > 1)
            sqlite3_bind_text(q.get(), 2, fromName.data(), static_cast<int>(fromName.size()), SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(q.get())) == SQLITE_ROW)
            onRow(q.get(), from, fromName);
        if (rc == SQLITE_DONE) return;
        // The rows up to `from` were read; skip past the rest of this key.
        ++from;
        fromName.clear();
    }
}

} // namespace

std::string moveDamagedStoreAside(const std::string& path) {
    const std::string kept = datedName(fs::path(path));
    std::error_code ec;
    fs::rename(path, kept, ec);
    if (ec)
        throw StoreError("The calendar's store \"" + path + "\" is damaged, and it could not be moved aside to \"" +
                         kept + "\" (" + ec.message() + "), so it is left as it is.");
    // The log holds the last commits; it keeps its place beside the file it belongs to.
    if (fs::exists(path + "-wal", ec)) fs::rename(path + "-wal", kept + "-wal", ec);
    fs::remove(path + "-shm", ec);
    return kept;
}

RescuedStore readWhatRemains(const std::string& path) {
    RescuedStore out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return out;
    }
    std::int64_t highest = 0;
    for (const char* sql : {"SELECT max(id) FROM keys", "SELECT max(key) FROM vals"}) {
        Query q(db, sql);
        if (q && sqlite3_step(q.get()) == SQLITE_ROW) highest = std::max<std::int64_t>(highest, sqlite3_column_int64(q.get(), 0));
    }
    std::map<std::int64_t, RescuedKey> keys;
    walkAround(db, "SELECT id, parent, name, class FROM keys WHERE id > ?1 ORDER BY id", highest,
               [&](sqlite3_stmt* s, std::int64_t& from, std::string&) {
                   RescuedKey k;
                   k.id = from = sqlite3_column_int64(s, 0);
                   if (sqlite3_column_type(s, 1) != SQLITE_NULL) k.parent = sqlite3_column_int64(s, 1);
                   k.name = columnBytes(s, 2);
                   k.keyClass = columnBytes(s, 3);
                   keys[k.id] = std::move(k);
               });
    // The index of names holds every key's parent, name and id as well: it fills in keys whose
    // table page was lost.
    {
        Query q(db, "SELECT id, parent, name FROM keys INDEXED BY sqlite_autoindex_keys_1 WHERE parent IS NOT NULL");
        while (q && sqlite3_step(q.get()) == SQLITE_ROW) {
            const std::int64_t id = sqlite3_column_int64(q.get(), 0);
            if (keys.count(id)) continue;
            keys[id] = {id, sqlite3_column_int64(q.get(), 1), columnBytes(q.get(), 2), "ZorvelCal"};
        }
    }
    // Only keys whose whole chain of parents survived can be reached by their path.
    std::map<std::int64_t, bool> reachable;
    auto isReachable = [&](std::int64_t id) {
        std::vector<std::int64_t> chain;
        bool ok = true;
        for (std::int64_t at = id;;) {
            if (auto known = reachable.find(at); known != reachable.end()) {
                ok = known->second;
                break;
            }
            chain.push_back(at);
            auto k = keys.find(at);
            if (k == keys.end() || chain.size() > keys.size()) {
                ok = false;
                break;
            }
            if (!k->second.parent) break;
            at = *k->second.parent;
        }
        for (std::int64_t c : chain)
            reachable[c] = ok;
        return ok;
    };
    std::vector<std::pair<std::size_t, std::int64_t>> order; // depth, id
    for (const auto& [id, key] : keys) {
        if (!isReachable(id)) continue;
        std::size_t depth = 0;
        for (auto p = key.parent; p; p = keys[*p].parent)
            ++depth;
        order.emplace_back(depth, id);
    }
    std::sort(order.begin(), order.end());
    std::set<std::int64_t> reached;
    for (const auto& [depth, id] : order)
        reached.insert(id);
    std::vector<RescuedValue> values;
    std::set<std::int64_t> withValues;
    walkAround(db, "SELECT key, name, type, data FROM vals WHERE (key, name) > (?1, ?2) ORDER BY key, name",
               highest, [&](sqlite3_stmt* s, std::int64_t& from, std::string& fromName) {
                   from = sqlite3_column_int64(s, 0);
                   fromName = columnBytes(s, 1);
                   if (!reached.count(from)) return;
                   withValues.insert(from);
                   values.push_back({from, fromName, sqlite3_column_int(s, 2), columnBytes(s, 3)});
               });
    // A key that lost all its values and holds no subkeys carries nothing; an appointment key of
    // that kind would only be a key without values. Deepest first, so an emptied month goes too.
    std::map<std::int64_t, int> children;
    for (const auto& [depth, id] : order)
        if (keys[id].parent) ++children[*keys[id].parent];
    std::set<std::int64_t> dropped;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const RescuedKey& k = keys[it->second];
        if (withValues.count(k.id) || children[k.id] > 0) continue;
        dropped.insert(k.id);
        if (k.parent) --children[*k.parent];
    }
    for (const auto& [depth, id] : order)
        if (!dropped.count(id)) out.keys.push_back(keys[id]);
    for (RescuedValue& v : values)
        if (!dropped.count(v.key)) out.values.push_back(std::move(v));
    sqlite3_close_v2(db);
    return out;
}

} // namespace zc
