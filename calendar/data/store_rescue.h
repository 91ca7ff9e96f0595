#pragma once
// What can still be read of a damaged store file, and the moving aside of that file, so that a new
// store can take its place without anything being written over the damaged one.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zc {

struct RescuedKey {
    std::int64_t id = 0;
    std::optional<std::int64_t> parent;
    std::string name;
    std::string keyClass;
};

struct RescuedValue {
    std::int64_t key = 0;
    std::string name;
    int type = 0;
    std::string data;
};

struct RescuedStore {
    std::vector<RescuedKey> keys; // parents before their children; keys whose parent was lost are left out
    std::vector<RescuedValue> values; // only of the keys above
};

// A dated name in the store's folder for keeping a damaged store ("store.damaged-2026-12-09-143005.db").
std::string keptStoreName(const std::string& path);

// Puts the store rebuilt in the file `rebuilt` (complete and closed) in place of the damaged one,
// which is kept, unchanged and with its write-ahead log, under the name `kept`. Throws StoreError
// naming the files when the damaged one cannot be kept; it is then left as it was.
void replaceDamagedStore(const std::string& path, const std::string& rebuilt, const std::string& kept);

// Whether a file that SQLite does not take for a database at all (its header overwritten) still
// holds the keys of a calendar store in its pages.
bool holdsCalendarKeys(const std::string& path);

// The damaged stores kept beside the store, by their full names.
std::vector<std::string> keptStores(const std::string& path);

// Reads every key and value that can still be reached in a damaged store file: through SQLite,
// walking round damaged pages, and page by page where SQLite cannot read the file as a database
// at all. Never writes to the file.
RescuedStore readWhatRemains(const std::string& path);

} // namespace zc
