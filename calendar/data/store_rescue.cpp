#include "data/store_rescue.h"

#include "data/settings_store.h"
#include "platform/platform.h"
#include "text/translatable.h"

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    platform::localTimeFields(now, tm);
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

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t be16(const unsigned char* p) { return std::uint32_t(p[0]) << 8 | p[1]; }
std::uint32_t be32(const unsigned char* p) { return be16(p) << 16 | be16(p + 2); }

// One field of a record, as the file's record format stores it.
struct Field {
    enum Kind { Null, Int, Real, Text, Blob } kind = Null;
    std::int64_t number = 0;
    std::string bytes;
};

// SQLite's variable-length integer: up to nine bytes, big-endian, seven bits a byte but all eight in
// the ninth. False when it runs past end.
bool varint(const unsigned char*& p, const unsigned char* end, std::uint64_t& v) {
    v = 0;
    for (int i = 0; i < 9; ++i) {
        if (p >= end) return false;
        const unsigned char b = *p++;
        if (i == 8) {
            v = v << 8 | b;
            return true;
        }
        v = v << 7 | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return true;
}

// Splits a record into its fields; false unless its header and body account for every byte.
bool decodeRecord(const std::string& payload, std::vector<Field>& fields) {
    fields.clear();
    const auto* begin = reinterpret_cast<const unsigned char*>(payload.data());
    const unsigned char* end = begin + payload.size();
    const unsigned char* p = begin;
    std::uint64_t headerSize;
    if (!varint(p, end, headerSize) || headerSize > payload.size() || headerSize < std::uint64_t(p - begin))
        return false;
    const unsigned char* headerEnd = begin + headerSize;
    std::size_t body = headerSize;
    while (p < headerEnd) {
        std::uint64_t type;
        if (!varint(p, headerEnd, type) || type == 10 || type == 11) return false;
        static constexpr int kIntBytes[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0};
        const std::uint64_t size = type >= 12 ? (type - 12) / 2 : std::uint64_t(kIntBytes[type]);
        if (size > payload.size() - body) return false;
        Field f;
        const unsigned char* at = begin + body;
        if (type == 0) {
            f.kind = Field::Null;
        } else if (type <= 6 || type == 8 || type == 9) {
            f.kind = Field::Int;
            if (type >= 8) {
                f.number = type - 8;
            } else {
                std::uint64_t v = (at[0] & 0x80) ? ~std::uint64_t(0) : 0; // the sign fills the high bytes
                for (std::uint64_t i = 0; i < size; ++i)
                    v = v << 8 | at[i];
                f.number = static_cast<std::int64_t>(v);
            }
        } else if (type == 7) {
            f.kind = Field::Real;
        } else {
            f.kind = type % 2 ? Field::Text : Field::Blob;
            f.bytes.assign(reinterpret_cast<const char*>(at), size);
        }
        body += size;
        fields.push_back(std::move(f));
    }
    return body == payload.size();
}

// The store file as SQLite lays it out, read page by page without SQLite, for a file that SQLite
// cannot open as a database any more (its first page overwritten, or cut short so that the trees
// lead past its end). Pages that the commits in the log replaced are read from the log.
class PageScan {
  public:
    PageScan(std::string file, const std::string& log) : file_(std::move(file)) {
        const bool headerWhole = file_.size() >= 100 && file_.compare(0, 16, std::string("SQLite format 3\0", 16)) == 0;
        if (headerWhole) {
            pageSize_ = be16(at(16));
            if (pageSize_ == 1) pageSize_ = 65536;
            usable_ = pageSize_ - static_cast<unsigned char>(file_[20]);
        }
        if (!validSize(pageSize_)) {
            pageSize_ = guessPageSize();
            usable_ = pageSize_;
        }
        pageCount_ = file_.size() / pageSize_;
        applyLog(log);
        if (headerWhole) markFreePages();
    }

    // Calls onCell(page, rowid or nothing, payload) for every cell whose record could be read whole,
    // first the pages in use, then pages of the trees that no longer lead to them.
    template <typename OnCell>
    void forEachCell(OnCell onCell) {
        for (std::uint32_t page = 1; page <= pageCount_; ++page) {
            if (free_.count(page) || !isTreePage(page, usable_)) continue;
            const unsigned char* p = pageAt(page);
            const std::uint32_t top = page == 1 ? 100 : 0;
            const unsigned char type = p[top];
            const std::uint32_t headerSize = type == 2 || type == 5 ? 12 : 8;
            const std::uint32_t cells = be16(p + top + 3);
            for (std::uint32_t i = 0; i < cells; ++i) {
                const std::uint32_t offset = be16(p + top + headerSize + 2 * i);
                if (type == 5) continue; // a table's inner cells hold only the way down
                const unsigned char* c = p + offset;
                const unsigned char* end = p + usable_;
                if (type == 2) c += 4;
                std::uint64_t size = 0, rowid = 0;
                if (!varint(c, end, size) || (type == 13 && !varint(c, end, rowid))) continue;
                std::string payload;
                if (!readPayload(c, end, size, type == 13, payload)) continue;
                onCell(type == 13 ? std::optional<std::int64_t>(static_cast<std::int64_t>(rowid)) : std::nullopt,
                       payload);
            }
        }
    }

  private:
    static bool validSize(std::uint32_t size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }
    const unsigned char* at(std::size_t offset) const { return reinterpret_cast<const unsigned char*>(file_.data()) + offset; }
    const unsigned char* pageAt(std::uint32_t page) const {
        const auto replaced = logPages_.find(page);
        if (replaced != logPages_.end()) return reinterpret_cast<const unsigned char*>(replaced->second.data());
        return at(std::size_t(page - 1) * pageSize_);
    }

    // Whether the page reads as a tree page whose every cell lies inside it.
    bool isTreePage(std::uint32_t page, std::uint32_t usable) const {
        const unsigned char* p = pageAt(page);
        const std::uint32_t top = page == 1 ? 100 : 0;
        const unsigned char type = p[top];
        if (type != 2 && type != 5 && type != 10 && type != 13) return false;
        const std::uint32_t headerSize = type == 2 || type == 5 ? 12 : 8;
        const std::uint32_t cells = be16(p + top + 3);
        const std::uint32_t firstCell = top + headerSize + 2 * cells;
        if (cells == 0 || firstCell > usable) return false;
        for (std::uint32_t i = 0; i < cells; ++i) {
            const std::uint32_t offset = be16(p + top + headerSize + 2 * i);
            if (offset < firstCell || offset + 4 > usable) return false;
        }
        return true;
    }

    // A first page too damaged to give the page size: the size under which most of the file reads
    // as tree pages. A size twice the true one reads every other page as well, so the smallest
    // size that covers nearly as much as the best wins.
    std::uint32_t guessPageSize() {
        std::map<std::uint32_t, std::size_t> covered;
        std::size_t best = 0;
        for (std::uint32_t size = 512; size <= 65536; size *= 2) {
            pageSize_ = size;
            std::size_t n = 0;
            for (std::uint32_t page = 2; page <= file_.size() / size; ++page)
                n += isTreePage(page, size) ? size : 0;
            covered[size] = n;
            best = std::max(best, n);
        }
        for (const auto& [size, n] : covered)
            if (n > 0 && n >= best * 9 / 10) return size;
        return 4096;
    }

    // Follows the overflow pages of a record too long for its page; false when the chain is broken.
    bool readPayload(const unsigned char* c, const unsigned char* end, std::uint64_t size, bool tableLeaf,
                     std::string& out) const {
        const std::uint64_t u = usable_;
        const std::uint64_t most = tableLeaf ? u - 35 : (u - 12) * 64 / 255 - 23;
        const std::uint64_t least = (u - 12) * 32 / 255 - 23;
        std::uint64_t local = size;
        if (size > most) {
            local = least + (size - least) % (u - 4);
            if (local > most) local = least;
        }
        if (size > (std::uint64_t(1) << 30) || local > std::uint64_t(end - c)) return false;
        out.assign(reinterpret_cast<const char*>(c), local);
        if (local == size) return true;
        if (local + 4 > std::uint64_t(end - c)) return false;
        std::uint32_t next = be32(c + local);
        for (std::uint32_t hops = 0; out.size() < size; ++hops) {
            if (next < 2 || next > pageCount_ || hops > pageCount_) return false;
            const unsigned char* p = pageAt(next);
            const std::uint64_t take = std::min<std::uint64_t>(u - 4, size - out.size());
            out.append(reinterpret_cast<const char*>(p + 4), take);
            next = be32(p);
        }
        return true;
    }

    // Pages on the list of free pages hold what was deleted; they are not read.
    void markFreePages() {
        std::uint32_t trunk = be32(at(32));
        for (std::uint32_t hops = 0; trunk >= 2 && trunk <= pageCount_ && hops <= pageCount_; ++hops) {
            free_.insert(trunk);
            const unsigned char* p = pageAt(trunk);
            const std::uint32_t leaves = std::min<std::uint32_t>(be32(p + 4), (usable_ - 8) / 4);
            for (std::uint32_t i = 0; i < leaves; ++i)
                free_.insert(be32(p + 8 + 4 * i));
            trunk = be32(p);
        }
    }

    // The write-ahead log: a header, then frames of a page each; only frames up to the last
    // commit whose checksums hold are part of the store.
    void applyLog(const std::string& log) {
        if (log.size() < 32) return;
        const auto* h = reinterpret_cast<const unsigned char*>(log.data());
        const std::uint32_t magic = be32(h);
        if ((magic & ~1u) != 0x377f0682 || be32(h + 8) != pageSize_) return;
        const bool bigEndian = magic & 1;
        std::uint32_t s0 = 0, s1 = 0;
        auto sum = [&](const unsigned char* p, std::size_t n) {
            for (std::size_t i = 0; i + 8 <= n; i += 8) {
                auto word = [&](const unsigned char* w) {
                    return bigEndian ? be32(w) : std::uint32_t(w[0]) | std::uint32_t(w[1]) << 8 |
                                                     std::uint32_t(w[2]) << 16 | std::uint32_t(w[3]) << 24;
                };
                s0 += word(p + i) + s1;
                s1 += word(p + i + 4) + s0;
            }
        };
        sum(h, 24);
        if (s0 != be32(h + 24) || s1 != be32(h + 28)) return;
        std::map<std::uint32_t, std::string> pending, committed;
        std::uint32_t committedCount = 0;
        for (std::size_t f = 32; f + 24 + pageSize_ <= log.size(); f += 24 + pageSize_) {
            const unsigned char* frame = h + f;
            if (be32(frame + 8) != be32(h + 16) || be32(frame + 12) != be32(h + 20)) break;
            sum(frame, 8);
            sum(frame + 24, pageSize_);
            if (s0 != be32(frame + 16) || s1 != be32(frame + 20)) break;
            pending[be32(frame)] = log.substr(f + 24, pageSize_);
            if (const std::uint32_t count = be32(frame + 4); count != 0) {
                for (auto& [page, bytes] : pending)
                    committed[page] = std::move(bytes);
                pending.clear();
                committedCount = count;
            }
        }
        if (committed.empty()) return;
        logPages_ = std::move(committed);
        pageCount_ = committedCount;
        // A page the log does not hold and the file does not reach stays unread.
        for (std::uint32_t page = 1; page <= pageCount_; ++page)
            if (!logPages_.count(page) && std::size_t(page) * pageSize_ > file_.size())
                logPages_[page] = std::string(pageSize_, '\0');
    }

    std::string file_;
    std::uint32_t pageSize_ = 0;
    std::uint32_t usable_ = 0;
    std::uint32_t pageCount_ = 0;
    std::map<std::uint32_t, std::string> logPages_;
    std::set<std::uint32_t> free_;
};

bool isText(const Field& f) { return f.kind == Field::Text; }
bool isInt(const Field& f) { return f.kind == Field::Int; }

// Every key and value the pages still hold, told apart by the shape of their records: a row of
// "keys" (its id is the row's number, stored as null), an entry of the index of names (parent,
// name, id) or of the top keys (name, id), and a row of "vals" (key, name, type, data).
void scanPages(const std::string& path, std::map<std::int64_t, RescuedKey>& keys,
               std::map<std::pair<std::int64_t, std::string>, RescuedValue>& values) {
    // A calendar store of a hundred thousand appointments is some tens of megabytes; a file far
    // beyond that is no calendar store, and reading it whole would only exhaust the memory.
    constexpr std::uintmax_t kLargestStore = 256u << 20;
    std::error_code ec;
    if (fs::file_size(path, ec) > kLargestStore || ec) return;
    PageScan scan(fileBytes(path), fs::file_size(path + "-wal", ec) <= kLargestStore ? fileBytes(path + "-wal") : "");
    std::vector<Field> f;
    scan.forEachCell([&](std::optional<std::int64_t> rowid, const std::string& payload) {
        if (!decodeRecord(payload, f)) return;
        if (rowid && f.size() == 4 && f[0].kind == Field::Null && (f[1].kind == Field::Null || isInt(f[1])) &&
            isText(f[2]) && !f[2].bytes.empty() && (f[3].kind == Field::Null || isText(f[3]))) {
            RescuedKey k{*rowid, isInt(f[1]) ? std::optional<std::int64_t>(f[1].number) : std::nullopt, f[2].bytes,
                         f[3].bytes};
            keys.insert_or_assign(k.id, std::move(k)); // the table's own row beats an index entry
        } else if (!rowid && f.size() == 4 && isInt(f[0]) && isText(f[1]) && isInt(f[2]) &&
                   f[3].kind != Field::Real) {
            RescuedValue v{f[0].number, f[1].bytes, static_cast<int>(f[2].number), f[3].bytes};
            values.try_emplace({v.key, v.name}, std::move(v));
        } else if (!rowid && f.size() == 3 && (isInt(f[0]) || f[0].kind == Field::Null) && isText(f[1]) &&
                   !f[1].bytes.empty() && isInt(f[2])) {
            const auto parent = isInt(f[0]) ? std::optional<std::int64_t>(f[0].number) : std::nullopt;
            keys.try_emplace(f[2].number, RescuedKey{f[2].number, parent, f[1].bytes, "ZorvelCal"});
        } else if (!rowid && f.size() == 2 && isText(f[0]) && !f[0].bytes.empty() && isInt(f[1])) {
            keys.try_emplace(f[1].number, RescuedKey{f[1].number, std::nullopt, f[0].bytes, "ZorvelCal"});
        }
    });
}

} // namespace

std::string keptStoreName(const std::string& path) {
    return datedName(fs::path(path));
}

void replaceDamagedStore(const std::string& path, const std::string& rebuilt, const std::string& kept) {
    // A second name for the damaged file costs no space, and the store keeps its own name until the
    // rebuilt one takes it over in one step. Where the file system has no such names, the damaged
    // file is renamed.
    std::error_code ec;
    fs::create_hard_link(path, kept, ec);
    const bool linked = !ec;
    if (!linked) fs::rename(path, kept, ec);
    // The log holds the last commits of the damaged file and must never be read as the rebuilt
    // one's: it goes with the kept file.
    bool logMoved = false;
    if (!ec && fs::exists(path + "-wal")) {
        fs::rename(path + "-wal", kept + "-wal", ec);
        logMoved = !ec;
    }
    if (!ec) {
        fs::remove(path + "-shm", ec);
        fs::rename(rebuilt, path, ec);
        if (!ec) return;
    }
    // Everything goes back to where it was.
    const std::string reason = ec.message();
    std::error_code ignored;
    if (logMoved) fs::rename(kept + "-wal", path + "-wal", ignored);
    if (linked)
        fs::remove(kept, ignored);
    else
        fs::rename(kept, path, ignored);
    throw StoreError(text::formatted(N_("The calendar's store \"%s\" is damaged, and it could not be kept as "
                                        "\"%s\" (%s), so it is left as it is."),
                                     {path, kept, reason}));
}

std::vector<std::string> keptStores(const std::string& path) {
    std::vector<std::string> kept;
    const fs::path store(path);
    const std::string prefix = store.stem().string() + ".damaged-";
    const std::string extension = store.extension().string();
    std::error_code ec;
    fs::path folder = store.parent_path();
    if (folder.empty()) folder = ".";
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() + extension.size() && name.rfind(prefix, 0) == 0 &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            kept.push_back(it->path().string());
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

namespace {

// What SQLite itself can still read, walking round damaged pages. A file it cannot open as a
// database at all gives nothing here.
void readThroughSqlite(const std::string& path, std::map<std::int64_t, RescuedKey>& keys,
                       std::map<std::pair<std::int64_t, std::string>, RescuedValue>& values) {
    // Reading a store kept in the log's mode makes the log and its index beside it; what reading
    // made goes again, so that a store that cannot be rescued is left as it was found.
    std::vector<std::string> made;
    for (const char* companion : {"-wal", "-shm"})
        if (std::error_code ec; !fs::exists(path + companion, ec)) made.push_back(path + companion);
    struct Cleanup {
        std::vector<std::string>& files;
        ~Cleanup() {
            for (const std::string& file : files)
                if (std::error_code ec; fs::file_size(file, ec) == 0 || file.back() == 'm') fs::remove(file, ec);
        }
    } cleanup{made};
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return;
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    std::int64_t highest = 0;
    for (const char* sql : {"SELECT max(id) FROM keys", "SELECT max(key) FROM vals"}) {
        Query q(db, sql);
        if (q && sqlite3_step(q.get()) == SQLITE_ROW) highest = std::max<std::int64_t>(highest, sqlite3_column_int64(q.get(), 0));
    }
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
    walkAround(db, "SELECT key, name, type, data FROM vals WHERE (key, name) > (?1, ?2) ORDER BY key, name",
               highest, [&](sqlite3_stmt* s, std::int64_t& from, std::string& fromName) {
                   from = sqlite3_column_int64(s, 0);
                   fromName = columnBytes(s, 1);
                   values.try_emplace({from, fromName},
                                      RescuedValue{from, fromName, sqlite3_column_int(s, 2), columnBytes(s, 3)});
               });
    sqlite3_close_v2(db);
}

} // namespace

RescuedStore readWhatRemains(const std::string& path) {
    RescuedStore out;
    std::map<std::int64_t, RescuedKey> keys;
    std::map<std::pair<std::int64_t, std::string>, RescuedValue> found;
    readThroughSqlite(path, keys, found);
    // What SQLite read is what the store held last; the pages fill in what it could not reach (a
    // file cut short, a first page overwritten, a lost page of a tree's inner levels).
    {
        std::map<std::int64_t, RescuedKey> pageKeys;
        std::map<std::pair<std::int64_t, std::string>, RescuedValue> pageValues;
        scanPages(path, pageKeys, pageValues);
        for (auto& [id, key] : pageKeys)
            keys.try_emplace(id, std::move(key));
        for (auto& [at, value] : pageValues)
            found.try_emplace(at, std::move(value));
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
    for (auto& [at, value] : found) {
        if (!reached.count(value.key)) continue;
        withValues.insert(value.key);
        values.push_back(std::move(value));
    }
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
    return out;
}

bool holdsCalendarKeys(const std::string& path) {
    return !readWhatRemains(path).keys.empty();
}

} // namespace zc
