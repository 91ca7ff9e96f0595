#pragma once
// The settings store in one SQLite file: table "keys" holds the tree, table "vals" the typed values.
// WAL journal; every write is committed at once.
#include "data/settings_store.h"

#include <future>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zc {

struct RescuedStore;

class SqliteStore final : public SettingsStore {
  public:
    // Opens (or creates) the store file and proves, before the program works with it, that it is a
    // calendar store, that it is whole and that a write reaches the disk (writing the header back
    // unchanged). Throws StoreError, with the file's name and the reason in plain words, when the
    // file cannot be used: a calendar that cannot save would lose everything typed into it. A
    // damaged store is never written to: what can still be read of it is written into a new store,
    // which then takes its path, and the damaged file is kept under a dated name beside it (see
    // awaitIntegrityCheck()). Without room for the new store, the damaged one stays as it is.
    explicit SqliteStore(const std::string& path);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // $ZORVELCAL_STORE when set, else ${XDG_DATA_HOME:-$HOME/.local/share}/zorvelcal/store.db.
    static std::string defaultPath();

    const std::string& path() const { return path_; }
    // Waits for the check of every page that opening started, and rescues a damaged file (see the
    // constructor). Returns the message for the user when the file was damaged (where it is kept,
    // what was carried over) or when a damaged store kept earlier has not been named to the user
    // yet, else an empty text. The program calls it once its window is built; the first write
    // calls it as well, so nothing is ever written to a damaged file. May throw StoreError when
    // no new store can be made.
    const std::string& awaitIntegrityCheck();
    // The user has read the message above: the kept stores it names are not named again.
    void noticeShown();
    // Runs statements on the store's own connection, for maintenance tools and tests (for example
    // "PRAGMA max_page_count" stands in for a full disk). A failure counts as a failed write.
    bool execute(const std::string& sql) { return exec(sql.c_str()); }
    // Packs the values of up to most of the keys that the last readGrandchildren() found without
    // a packed row (written by hand or by an earlier build), so that the next load reads them
    // faster; the program calls it once it has shown its window. Returns whether keys are left.
    // A store that does not take the rows is left as it is and no failure is counted: the rows
    // only save time.
    bool fillValueCache(std::size_t most);

    KeyId createKey(std::string_view path, Disposition* disposition = nullptr) override;
    KeyId openKey(std::string_view path) override;
    std::vector<std::string> subkeyNames(KeyId key) override;
    bool deleteSubkey(KeyId parent, std::string_view name) override;
    bool setValue(KeyId key, std::string_view name, ValueType type, std::string_view data) override;
    bool setValues(KeyId key, const std::vector<NamedValue>& values) override;
    std::optional<StoredValue> queryValue(KeyId key, std::string_view name) override;
    std::vector<NamedValue> allValues(KeyId key) override;
    std::vector<SubkeyValues> subkeysWithValues(KeyId key) override;
    void readGrandchildren(KeyId key, GrandchildReader& reader) override;
    void beginBatch() override;
    void endBatch() override;
    void abortBatch() override;

  private:
    class Statement;
    // Opens the file and makes it ready; false when it is damaged (and then closed again).
    bool open();
    bool damaged();
    void prepareStatements();
    static bool isWhole(const std::string& path);
    void rescue();
    // False (and counted as a failed write) when the store could not be rescued.
    bool readyToWrite();
    [[noreturn]] void fail(const std::string& reason);
    std::string columnsOf(const char* table);
    // Writes what was rescued from a damaged file into a new store file, whole and flushed, and
    // returns the number of appointments among it. Throws StoreError, leaving no part of the new
    // file behind, when it cannot be written.
    std::size_t buildStore(const std::string& file, const RescuedStore& rescued);
    // Why the file could not be opened or set up, with the folder named when it is the folder
    // that refuses.
    std::string openFailure();
    std::vector<std::string> untoldKeptStores();
    void undoBatch();
    void close();
    sqlite3_stmt* prepare(const char* sql);
    bool exec(const char* sql);
    // Records why the last statement failed, in words a user understands; returns false.
    bool failed();
    KeyId findChild(KeyId parent, std::string_view name);
    KeyId insertChild(KeyId parent, std::string_view name);
    KeyId walk(std::string_view path, bool create, Disposition* disposition);
    bool writeValue(KeyId key, std::string_view name, ValueType type, std::string_view data);
    bool writeValues(KeyId key, const std::vector<NamedValue>& values);
    // Writes the packed rows of the keys written in the open transaction; false (counted as a
    // failed write) when the store did not take them.
    bool packWritten();
    // Writes the packed row of one key from what "vals" holds for it.
    bool pack(KeyId key);

    std::string path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* findChild_ = nullptr;
    sqlite3_stmt* findTop_ = nullptr;
    sqlite3_stmt* insertKey_ = nullptr;
    sqlite3_stmt* listChildren_ = nullptr;
    sqlite3_stmt* deleteKey_ = nullptr;
    sqlite3_stmt* setValue_ = nullptr;
    sqlite3_stmt* getValue_ = nullptr;
    sqlite3_stmt* allValues_ = nullptr;
    sqlite3_stmt* childKeys_ = nullptr;
    sqlite3_stmt* grandchildKeys_ = nullptr;
    sqlite3_stmt* valuesFrom_ = nullptr;
    sqlite3_stmt* packedFrom_ = nullptr;
    sqlite3_stmt* putPacked_ = nullptr;
    // Paths already walked, folded to lower case, so that repeated opens of the same groups and
    // months do not walk the tree again. Deleting a key empties it, and so does a commit of
    // another connection (the background sync has one): a key it deleted may have lent its
    // number to a new one.
    std::unordered_map<std::string, KeyId> pathCache_;
    sqlite3_stmt* dataVersion_ = nullptr;
    std::int64_t seenVersion_ = -1;
    void forgetPathsOthersChanged();
    std::unordered_map<std::size_t, sqlite3_stmt*> multiValue_; // by number of values
    int batchDepth_ = 0;
    std::vector<KeyId> written_;  // keys whose values the open transaction wrote, to be packed
    std::vector<KeyId> uncached_; // keys the last readGrandchildren() found without a packed row
    std::string packing_;         // the row being packed, kept for its memory
    bool batchFailed_ = false; // a write of the open batch failed: the rest is refused, all is undone
    std::string rescueNotice_;
    std::string keptNow_; // where this start kept the damaged store
    bool noticeComposed_ = false;
    std::string notice_;
    std::vector<std::string> untold_; // names of the kept stores the notice names
    std::future<bool> integrity_; // the check of every page; true when the file is whole
};

} // namespace zc
