#pragma once
// The settings store in one SQLite file: table "keys" holds the tree, table "vals" the typed values.
// WAL journal; every write is committed at once.
#include "data/settings_store.h"

#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace zc {

class SqliteStore final : public SettingsStore {
  public:
    // Opens (or creates) the store file and checks that it can be written. Throws StoreError, with
    // the file's name and the reason, when the file cannot be opened, read or written.
    explicit SqliteStore(const std::string& path);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // $ZORVELCAL_STORE when set, else ${XDG_DATA_HOME:-$HOME/.local/share}/zorvelcal/store.db.
    static std::string defaultPath();

    const std::string& path() const { return path_; }
    // Runs statements on the store's own connection, for maintenance tools and tests (for example
    // "PRAGMA max_page_count" stands in for a full disk). A failure counts as a failed write.
    bool execute(const std::string& sql) { return exec(sql.c_str()); }

    KeyId createKey(std::string_view path, Disposition* disposition = nullptr) override;
    KeyId openKey(std::string_view path) override;
    std::vector<std::string> subkeyNames(KeyId key) override;
    bool deleteSubkey(KeyId parent, std::string_view name) override;
    bool setValue(KeyId key, std::string_view name, ValueType type, std::string_view data) override;
    bool setValues(KeyId key, const std::vector<NamedValue>& values) override;
    std::optional<StoredValue> queryValue(KeyId key, std::string_view name) override;
    std::vector<NamedValue> allValues(KeyId key) override;
    std::vector<SubkeyValues> subkeysWithValues(KeyId key) override;
    void beginBatch() override;
    void endBatch() override;

  private:
    class Statement;
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
    sqlite3_stmt* childValues_ = nullptr;
    // Paths already walked, folded to lower case, so that repeated opens of the same groups and
    // months do not walk the tree again. Deleting a key empties it.
    std::unordered_map<std::string, KeyId> pathCache_;
    std::unordered_map<std::size_t, sqlite3_stmt*> multiValue_; // by number of values
    int batchDepth_ = 0;
    bool batchOpen_ = false; // the outermost batch's transaction began
};

} // namespace zc
