// The to-do list model over what a store may hold: values of another type or name, keys beyond the
// twenty, any bytes, and writes the store refuses.
#include "data/todo_list.h"

#include "data/settings_key.h"
#include "data/sqlite_store.h"
#include "store_fixture.h"

#include <gtest/gtest.h>

namespace zc::test {
namespace {

class TodoListTest : public StoreTest {
  protected:
    static std::string path(const std::string& below) { return std::string(kBasePath) + "\\" + below; }
    static void put(const char* key, const char* name, ValueType type, const std::string& data) {
        SettingsStore& store = settingsStore();
        store.setValue(store.createKey(path(key)), name, type, data);
    }
    static void forgetAll() { settingsStore().deleteSubkey(settingsStore().createKey(kBasePath), "ToDo"); }
};

TEST_F(TodoListTest, LoadReadsOnlyTheTextOfEachOfTheTwentyKeys) {
    const struct {
        const char* key;
        const char* name;
        ValueType type;
        std::string data;
        int item;
        std::string text; // item's text after loading
        std::size_t filled;
    } rows[] = {
        {"ToDo\\0", "notes", ValueType::String, "Buy milk", 0, "Buy milk", 1},
        {"todo\\19", "NOTES", ValueType::String, "last", 19, "last", 1}, // names ignore case
        {"ToDo\\2", "notes", ValueType::Dword, dwordBytes(7), 2, "", 0},
        {"ToDo\\3", "notes", ValueType::Binary, "bytes", 3, "", 0},
        {"ToDo\\4", "text", ValueType::String, "another value", 4, "", 0},
        {"ToDo\\05", "notes", ValueType::String, "not item 5", 5, "", 0},
        {"ToDo\\20", "notes", ValueType::String, "beyond the list", 20, "", 0},
        {"ToDo\\6", "notes", ValueType::String, "caf\xE9 \xFF\xFE", 6, "caf\xE9 \xFF\xFE", 1}, // kept as stored
        {"ToDo\\7", "notes", ValueType::String, " \t ", 7, " \t ", 0},
        {"ToDo\\8", "notes", ValueType::String, std::string(5000, 'w'), 8, std::string(5000, 'w'), 1},
    };
    for (const auto& r : rows) {
        forgetAll();
        put(r.key, r.name, r.type, r.data);
        TodoList list;
        list.load();
        EXPECT_EQ(list.item(r.item), r.text) << r.key;
        EXPECT_EQ(list.filledItems().size(), r.filled) << r.key;
    }
}

TEST_F(TodoListTest, OnlyTheWindowsLoadCreatesTheKeys) {
    TodoList list;
    list.load();
    EXPECT_EQ(settingsStore().openKey(path("ToDo")), SettingsStore::kNoKey);
    list.loadCreatingKeys();
    EXPECT_EQ(settingsStore().subkeyNames(settingsStore().openKey(path("ToDo"))).size(), 20u);
}

TEST_F(TodoListTest, SaveStoresWhatTheNextLoadReads) {
    const struct {
        int item;
        std::string text;
        bool saved;
    } rows[] = {{0, "Renew passport", true}, {19, "", true}, {5, "tab\tand \xFF", true}, {-1, "x", false},
                {20, "x", false}};
    TodoList list;
    for (const auto& r : rows) {
        EXPECT_EQ(list.save(r.item, r.text), r.saved) << r.item;
        TodoList next;
        next.load();
        EXPECT_EQ(next.item(r.item), r.saved ? r.text : std::string()) << r.item;
    }
    EXPECT_EQ(settingsStore().subkeyNames(settingsStore().openKey(path("ToDo"))).size(), 3u);
}

TEST_F(TodoListTest, ASaveTheStoreRefusesIsReportedAndKeptInTheList) {
    TodoList list;
    ASSERT_TRUE(list.save(1, "before"));
    static_cast<SqliteStore&>(settingsStore()).execute("PRAGMA query_only = 1");
    EXPECT_FALSE(list.save(1, "after"));
    EXPECT_EQ(list.item(1), "after");
    TodoList stored;
    stored.load();
    EXPECT_EQ(stored.item(1), "before");
}

} // namespace
} // namespace zc::test
