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

// Renames the store file, and its write-ahead log when there is one, to a dated name in the same
// folder ("store.damaged-2026-12-09-143005.db") and returns that name. Throws StoreError naming
// both files when the file cannot be moved.
std::string moveDamagedStoreAside(const std::string& path);

// Reads every key and value that can still be reached in a damaged store file, walking round
// damaged pages. Opens the file read-only; never writes to it.
RescuedStore readWhatRemains(const std::string& path);

} // namespace zc
