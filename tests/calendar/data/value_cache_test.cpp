// Loading reads an entry from its packed row where it has one; whatever else changes the store
// (a hand edit with sqlite3, an earlier build, a write that was undone) must still load exactly
// what "keys" and "vals" say, before and after the rows are packed again.
#include "data/settings_key.h"

#include "store_fixture.h"

#include <sqlite3.h>

namespace zc {
namespace {

struct Change {
    const char* what;
    const char* byHand;       // run on a connection of its own, as the sqlite3 shell would; KEY_A is Dentist's key
    bool refusePacking;       // the packed row of the next write cannot be stored
    const char* dentistNotes; // loaded at 15 March 9:30; nullptr for no entry there
};
void PrintTo(const Change& c, std::ostream* os) { *os << c.what; }

class ValueCacheTest : public test::StoreTest, public ::testing::WithParamInterface<Change> {
  protected:
    void expectLoaded(const char* dentist) {
        const Appointment* a = restart().findAt(2024, 3, 15, 9, 30);
        EXPECT_EQ(a ? a->stored.notes : "(none)", dentist ? dentist : "(none)");
        ASSERT_NE(table->findAt(2024, 3, 16, 10, 0), nullptr);
        EXPECT_EQ(table->findAt(2024, 3, 16, 10, 0)->stored.notes, "Lunch");
    }
    // The month's entries read all at once, as the sync reads its records, say what "vals" says.
    void expectEntriesReadAtOnceAgree() {
        SettingsKey month;
        ASSERT_TRUE(month.openMonthForRead(2024, 3));
        const auto shown = [](const std::vector<NamedValue>& values) {
            std::string out;
            for (const NamedValue& v : values)
                out += v.name + "=" + std::to_string(static_cast<int>(v.value.type)) + ":" + v.value.data + ";";
            return out;
        };
        for (const SubkeyValues& entry : month.subkeysWithValues())
            EXPECT_EQ(shown(entry.values), shown(store().allValues(entry.key))) << entry.name;
    }
    SqliteStore& store() { return static_cast<SqliteStore&>(settingsStore()); }
};

TEST_P(ValueCacheTest, LoadsWhatTheTablesSayAfterAChangeOfAnyOrigin) {
    const Change& c = GetParam();
    add(2024, 3, 15, 9, 30, "Dentist");
    add(2024, 3, 16, 10, 0, "Lunch");
    if (c.refusePacking) {
        ASSERT_TRUE(store().execute("CREATE TEMP TRIGGER refuse BEFORE INSERT ON value_cache "
                                    "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        table->findAt(2024, 3, 15, 9, 30)->changeNotes("Lost");
        EXPECT_EQ(store().failures().count, 1u) << "a change that did not land whole is a failed write";
    }
    if (c.byHand) {
        std::string sql = c.byHand;
        for (std::size_t at; (at = sql.find("KEY_A")) != std::string::npos;)
            sql.replace(at, 5, "(SELECT id FROM keys WHERE name = '15_9_30')");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(storePath.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    expectLoaded(c.dentistNotes);
    expectEntriesReadAtOnceAgree();
    // The entries read from "vals" are packed again, and their rows say the same.
    EXPECT_FALSE(store().fillValueCache(100));
    expectLoaded(c.dentistNotes);
    expectEntriesReadAtOnceAgree();
    EXPECT_FALSE(store().fillValueCache(0)) << "every entry had its row";
}

const Change kChanges[] = {
    {"NothingElse", nullptr, false, "Dentist"},
    {"ValueChangedByHand", "UPDATE vals SET data = CAST('Surgeon' AS BLOB) WHERE name = 'notes' AND key = KEY_A", false,
     "Surgeon"},
    {"ValueRemovedAndAddedByHand",
     "DELETE FROM vals WHERE name = 'notes' AND key = KEY_A; INSERT INTO vals SELECT id, 'NOTES', 1, 'Again' FROM keys "
     "WHERE name = '15_9_30'",
     false, "Again"},
    {"HourRemovedByHand", "DELETE FROM vals WHERE name = 'hour' AND key = KEY_A", false, nullptr},
    {"KeyDeletedByHand", "DELETE FROM keys WHERE id = KEY_A", false, nullptr},
    {"KeyRenumberedByHand", "UPDATE vals SET key = 9999 WHERE key = KEY_A; UPDATE keys SET id = 9999 WHERE id = KEY_A", false,
     "Dentist"},
    {"PackedRowDamaged", "UPDATE value_cache SET packed = x'01ff' WHERE key = KEY_A", false, "Dentist"},
    {"StoreOfAnEarlierBuild",
     "UPDATE vals SET data = CAST('Old' AS BLOB) WHERE name = 'notes' AND key = KEY_A; DROP TABLE value_cache; "
     "DROP TRIGGER value_cache_value_added; DROP TRIGGER value_cache_value_changed; DROP TRIGGER "
     "value_cache_value_removed; DROP TRIGGER value_cache_key_added; DROP TRIGGER value_cache_key_renumbered; "
     "DROP TRIGGER value_cache_key_removed",
     false, "Old"},
    {"PackingRefusedUndoesTheWrite", nullptr, true, "Dentist"},
};
INSTANTIATE_TEST_SUITE_P(Changes, ValueCacheTest, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.what); });

} // namespace
} // namespace zc
