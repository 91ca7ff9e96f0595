#pragma once
// The calendar's hierarchical key/value store, with the semantics of a system registry: keys form a
// tree addressed by paths of names ("SOFTWARE\Ombrix\ZorvelCal\Appointments\2024_3"), names are
// case-insensitive, and each key holds typed values. The store is an interface so that a Windows
// build can put the registry itself behind it; Linux uses one SQLite file (SqliteStore).
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zc {

// Value types, numbered as the registry numbers them.
enum class ValueType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };

struct StoredValue {
    ValueType type = ValueType::Binary;
    std::string data; // raw bytes: text without a terminating zero, numbers as 4 bytes little-endian
};

struct NamedValue {
    std::string name;
    StoredValue value;
};

// One subkey with all its values, as loading reads a month at once.
struct SubkeyValues {
    std::int64_t key = 0;
    std::string name;
    std::vector<NamedValue> values;
};

// Takes what SettingsStore::readGrandchildren reads, as it is read. The keys come first: each
// subkey of the key read, in name order, followed by its own subkeys (the grandchildren), in name
// order; grandchildren are numbered from 0 in the order they are named. Then come the values of
// the grandchildren, in no particular order.
class GrandchildReader {
  public:
    virtual ~GrandchildReader() = default;
    // How many grandchildren are about to be named, where the store knows it beforehand.
    virtual void expect(std::size_t /*grandchildren*/) {}
    virtual void child(std::string_view name) = 0;
    // A subkey of the child named last.
    virtual void grandchild() = 0;
    // The views are valid only during the call.
    virtual void value(std::size_t grandchild, std::string_view name, ValueType type,
                       std::string_view data) = 0;
};

// A store file that cannot be used at all: it cannot be opened, it is not a calendar store, a write
// does not reach it. Thrown only when the store is opened; what() names the file and the reason.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A write that did not reach the store. Writing operations keep their silent signatures (a
// missing value reads as its default, as the callers expect), but every failed write is counted
// here with its reason, so the windows can tell the user that a change was not saved: compare
// the count before and after a change, and show the text.
struct StoreFailures {
    std::uint64_t count = 0;
    // In the user's words, naming the store file and the reason, e.g.
    // "Zorvel Calendar could not save to \"/home/ann/.local/share/zorvelcal/store.db\": the disk is full."
    std::string lastMessage;
};

class SettingsStore {
  public:
    using KeyId = std::int64_t;
    static constexpr KeyId kNoKey = 0;

    enum class Disposition { CreatedNew = 1, OpenedExisting = 2 };

    virtual ~SettingsStore() = default;

    // Opens the key at path, creating it and every missing parent; kNoKey when that fails.
    virtual KeyId createKey(std::string_view path, Disposition* disposition = nullptr) = 0;
    // Opens an existing key; kNoKey when it is missing.
    virtual KeyId openKey(std::string_view path) = 0;

    // The names of a key's direct subkeys, in case-insensitive name order.
    virtual std::vector<std::string> subkeyNames(KeyId key) = 0;
    // Deletes the subkey name of parent with everything below it; false when it did not exist.
    virtual bool deleteSubkey(KeyId parent, std::string_view name) = 0;

    virtual bool setValue(KeyId key, std::string_view name, ValueType type, std::string_view data) = 0;
    // Writes several values of one key in one transaction, so a key is never left half-written.
    virtual bool setValues(KeyId key, const std::vector<NamedValue>& values) = 0;
    virtual std::optional<StoredValue> queryValue(KeyId key, std::string_view name) = 0;
    // Every value of a key, read at once (loading reads whole keys).
    virtual std::vector<NamedValue> allValues(KeyId key) = 0;
    // Every direct subkey of a key with all its values, in name order, read at once.
    virtual std::vector<SubkeyValues> subkeysWithValues(KeyId key) = 0;
    // Every key two levels below a key, with all its values (loading reads the months of
    // appointments and their entries so); see GrandchildReader. This version reads one child at a
    // time; a store that can read faster in one pass does so.
    virtual void readGrandchildren(KeyId key, GrandchildReader& reader);

    // Groups the writes up to the matching endBatch into one transaction: a restore or a repeat
    // series pays one disk commit, and a change of many keys (a series removed, a day cleared, a key
    // and its values) lands whole or not at all, even when the program is killed midway. Batches
    // nest; the outermost one commits. A write that fails inside a batch undoes the whole batch
    // (and is counted in failures()), so a change is never half stored. abortBatch undoes the
    // writes since the matching beginBatch. A store without transactions ignores all three.
    virtual void beginBatch() {}
    virtual void endBatch() {}
    virtual void abortBatch() {}

    // The failed writes so far; see StoreFailures.
    const StoreFailures& failures() const { return failures_; }

  protected:
    void noteFailure(std::string message) {
        ++failures_.count;
        failures_.lastMessage = std::move(message);
    }

  private:
    StoreFailures failures_;
};

// One batch of writes for the lifetime of the object: committed when the scope ends normally,
// undone when an exception leaves it.
class StoreBatch {
  public:
    explicit StoreBatch(SettingsStore& store) : store_(store), exceptions_(std::uncaught_exceptions()) {
        store_.beginBatch();
    }
    ~StoreBatch() {
        if (std::uncaught_exceptions() > exceptions_)
            store_.abortBatch();
        else
            store_.endBatch();
    }
    StoreBatch(const StoreBatch&) = delete;
    StoreBatch& operator=(const StoreBatch&) = delete;

  private:
    SettingsStore& store_;
    int exceptions_;
};

// The store every SettingsKey uses unless it is given another. The application installs it at
// start; tests install one on a temporary file.
SettingsStore& settingsStore();
void setSettingsStore(std::unique_ptr<SettingsStore> store);
bool hasSettingsStore();

// Makes settingsStore() answer with another store on the calling thread only, for the lifetime
// of the object. One store connection serves one thread: the background sync opens a connection
// of its own and installs it so, while the windows go on using theirs.
class ThreadSettingsStore {
  public:
    explicit ThreadSettingsStore(SettingsStore& store);
    ~ThreadSettingsStore();
    ThreadSettingsStore(const ThreadSettingsStore&) = delete;
    ThreadSettingsStore& operator=(const ThreadSettingsStore&) = delete;

  private:
    SettingsStore* previous_;
};

} // namespace zc
