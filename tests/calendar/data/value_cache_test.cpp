// Loading reads an entry from its packed row where it has one; whatever else changes the store
// (a hand edit with sqlite3, an earlier build, a write that was undone) must still load exactly
// what "keys" and "vals" say, before and after the rows are packed again.
#include "data/settings_key.h"

#include "store_fixture.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <functional>
#include <stdexcept>

namespace zc {
namespace {

// Dentist's key is KEY_A in the statements; they run on a connection of their own, as the
// sqlite3 shell would (which enforces no foreign keys).
struct Change {
    const char* what;
    std::function<void(SqliteStore&, const std::string& byHand)> make;
    const char* sql;
    const char* dentist; // the notes loaded at 15 March 9:30, nullptr for no entry there
};

void PrintTo(const Change& c, std::ostream* os) {
    *os << c.what;
}

class ValueCacheTest : public test::StoreTest, public ::testing::WithParamInterface<Change> {
  protected:
    void runByHand(std::string sql) {
        for (std::size_t at; (at = sql.find("KEY_A")) != std::string::npos;)
            sql.replace(at, 5, "(SELECT id FROM keys WHERE name = '15_9_30')");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(storePath.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    void expectLoaded(const char* dentist) {
        const Appointment* a = restart().findAt(2024, 3, 15, 9, 30);
        EXPECT_EQ(a ? a->stored.notes : "(none)", dentist ? dentist : "(none)");
        ASSERT_NE(table->findAt(2024, 3, 16, 10, 0), nullptr);
        EXPECT_EQ(table->findAt(2024, 3, 16, 10, 0)->stored.notes, "Lunch");
    }
};

void writeNotes(const char* notes) {
    SettingsKey key;
    key.openAppointment(2024, 3, 15, 9, 30);
    key.writeAppointment({2024, 3, 15, 9, 30, -1, notes, 0, 0, "", "", 0});
}

TEST_P(ValueCacheTest, LoadsWhatTheTablesSayAfterAChangeOfAnyOrigin) {
    const Change& c = GetParam();
    add(2024, 3, 15, 9, 30, "Dentist");
    add(2024, 3, 16, 10, 0, "Lunch");
    if (c.make) c.make(static_cast<SqliteStore&>(settingsStore()), storePath);
    if (c.sql) runByHand(c.sql);
    expectLoaded(c.dentist);
    // The entries read from "vals" are packed again, and their rows say the same.
    auto& store = static_cast<SqliteStore&>(settingsStore());
    EXPECT_FALSE(store.fillValueCache(100));
    expectLoaded(c.dentist);
    EXPECT_FALSE(static_cast<SqliteStore&>(settingsStore()).fillValueCache(0)) << "every entry had its row";
}

const Change kChanges[] = {
    {"NothingElse", nullptr, nullptr, "Dentist"},
    {"ValueChangedByHand", nullptr, "UPDATE vals SET data = CAST('Surgeon' AS BLOB) WHERE key = KEY_A AND name = 'notes'",
     "Surgeon"},
    {"ValueRemovedAndAddedByHand", nullptr,
     "DELETE FROM vals WHERE key = KEY_A AND name = 'notes'; INSERT INTO vals VALUES (KEY_A, 'NOTES', 1, 'Again')", "Again"},
    {"HourRemovedByHand", nullptr, "DELETE FROM vals WHERE key = KEY_A AND name = 'hour'", nullptr},
    {"KeyDeletedByHand", nullptr, "DELETE FROM keys WHERE id = KEY_A", nullptr},
    {"KeyRenumberedByHand", nullptr, "UPDATE vals SET key = 9999 WHERE key = KEY_A; UPDATE keys SET id = 9999 WHERE id = KEY_A",
     "Dentist"},
    {"PackedRowDamaged", nullptr, "UPDATE value_cache SET packed = x'01ff' WHERE key = KEY_A", "Dentist"},
    {"StoreOfAnEarlierBuild", nullptr,
     "DROP TRIGGER value_cache_value_added; DROP TRIGGER value_cache_value_changed; "
     "DROP TRIGGER value_cache_value_removed; DROP TRIGGER value_cache_key_added; "
     "DROP TRIGGER value_cache_key_renumbered; DROP TRIGGER value_cache_key_removed; DROP TABLE value_cache; "
     "UPDATE vals SET data = CAST('Old' AS BLOB) WHERE key = KEY_A AND name = 'notes'",
     "Old"},
    {"PackingRefusedUndoesTheWrite",
     [](SqliteStore& store, const std::string&) {
         ASSERT_TRUE(store.execute("CREATE TEMP TRIGGER refuse BEFORE INSERT ON value_cache "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
         writeNotes("Lost");
         EXPECT_EQ(store.failures().count, 1u) << "a change that did not land whole is a failed write";
     },
     nullptr, "Dentist"},
    {"BatchAbandoned",
     [](SqliteStore& store, const std::string&) {
         try {
             StoreBatch batch(store);
             writeNotes("Abandoned");
             throw std::runtime_error("abandoned");
         } catch (const std::runtime_error&) {
         }
     },
     nullptr, "Dentist"},
};

INSTANTIATE_TEST_SUITE_P(Changes, ValueCacheTest, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.what); });

} // namespace
} // namespace zc
