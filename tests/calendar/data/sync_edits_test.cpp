// The windows go on changing entries while a background sync writes the same store through a
// connection of its own; afterwards the windows' table is loaded again and their changes made
// again over the sync's writes. Guards against a window's stale copy overwriting a change the
// server made, against a sync's write silently undoing what the user typed meanwhile, and against
// the windows' connection writing into a key the sync's connection had deleted (it remembered
// where the key was; "typed, server deleted (window last)" lost the entry so).
#include "store_fixture.h"

#include "data/caldav_sync.h"
#include "data/settings_key.h"
#include "data/todo_list.h"

#include <optional>

namespace zc::test {
namespace {

class SyncEditsTest : public StoreTest {
  protected:
    // What the sync does with the slot 20 March 2024 9:00 through its own connection: the
    // server's text written to the entry, and recorded as what the server holds (none: the
    // server deleted the item, and the entry and its record go).
    void syncWrites(const std::optional<std::string>& serverText) {
        SqliteStore own(storePath);
        ThreadSettingsStore here(own);
        AppointmentTable its(clock, timers, questions);
        its.loadAll();
        StoreBatch batch(own);
        record("item1", "2024 3 20 9 0 -1 0 ", serverText);
        Appointment* entry = its.findAt(2024, 3, 20, 9, 0);
        if (!serverText) {
            if (entry) its.remove(*entry, false);
            return;
        }
        if (!entry) {
            entry = &its.construct();
            entry->setWhen(2024, 3, 20, 9, 0, -1, *serverText);
        }
        entry->stored.notes = *serverText;
        entry->schedule(true);
    }

    // The same for to-do line 3, a VTODO on the server.
    void syncWritesToDo(const std::optional<std::string>& serverText) {
        SqliteStore own(storePath);
        ThreadSettingsStore here(own);
        StoreBatch batch(own);
        record("todo1", "0 0 3 0 0 -1 0 ", serverText);
        TodoList its;
        its.save(3, serverText.value_or(""));
    }

    // What the sync records of the server's item: its entry with the server's text.
    static void record(const std::string& item, const std::string& entryHead, const std::optional<std::string>& text) {
        SettingsKey items;
        ASSERT_NE(items.openPath("Sync\\Items"), SettingsKey::kFailed);
        if (!text) {
            items.deleteSubkey(item);
            return;
        }
        SettingsKey record;
        ASSERT_NE(record.openPath("Sync\\Items\\" + item), SettingsKey::kFailed);
        record.writeString("href", "/ann/cal/" + item + ".ics");
        record.writeString("etag", "\"2\"");
        record.writeString("entries", entryHead + *text + "\n");
    }
};

// The same rows hold for the to-do list (line 3), whose window keeps a copy of the twenty items.
TEST_F(SyncEditsTest, WindowEditsDuringASyncSurviveAndJoinTheServersChange) {
    struct Row {
        const char* name;
        std::optional<std::string> typed;  // the window's change ("" erases), none: untouched
        std::optional<std::string> server; // the sync's write, none: the server deleted the item
        bool serverChanges;                // false: the sync leaves the slot alone
        bool windowLast;                   // the window's write reaches the store after the sync's
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"typed, server quiet", "Mine", {}, false, true, "Mine"},
        {"typed, then sync wrote over it", "Mine", "Theirs", true, false, "Theirs / Mine"},
        {"sync wrote, then the stale window", "Mine", "Theirs", true, true, "Theirs / Mine"},
        {"erased, server changed (sync last)", "", "Theirs", true, false, "Theirs"},
        {"erased, server changed (window last)", "", "Theirs", true, true, "Theirs"},
        {"erased, server quiet", "", {}, false, true, std::nullopt},
        {"typed, server deleted (sync last)", "Mine", std::nullopt, true, false, "Mine"},
        {"typed, server deleted (window last)", "Mine", std::nullopt, true, true, "Mine"},
        {"untouched, server changed", std::nullopt, "Theirs", true, false, "Theirs"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TearDown();
        SetUp();
        add(2024, 3, 20, 9, 0, "Base");
        // The last sync's records.
        syncWrites(std::string("Base"));
        syncWritesToDo(std::string("Base"));
        table->reloadAll();
        TodoList list;
        list.load();
        const EntryTexts atStart = entryTexts(*table);
        const TodoTexts listAtStart = list.items();
        const auto syncRuns = [&] {
            syncWrites(row.server);
            syncWritesToDo(row.server);
        };
        if (row.windowLast && row.serverChanges) syncRuns();
        if (row.typed) {
            table->setSlotText(2024, 3, 20, 9, 0, *row.typed, -1);
            list.save(3, *row.typed);
        }
        if (!row.windowLast && row.serverChanges) syncRuns();
        const EntryTexts atEnd = entryTexts(*table);
        const TodoTexts listAtEnd = list.items();
        table->reloadAll();
        list.load();
        keepEditsMadeDuringSync(*table, atStart, atEnd);
        keepTodoEditsMadeDuringSync(list, listAtStart, listAtEnd);
        EXPECT_EQ(list.item(3), row.expected.value_or(""));

        // In the windows' table, and in the store the next start reads.
        for (const bool restarted : {false, true}) {
            const Appointment* a = (restarted ? restart() : *table).findAt(2024, 3, 20, 9, 0);
            if (!row.expected) {
                EXPECT_EQ(a, nullptr);
                continue;
            }
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->stored.notes, *row.expected);
        }
        TodoList stored;
        stored.load();
        EXPECT_EQ(stored.item(3), row.expected.value_or(""));
    }
}

} // namespace
} // namespace zc::test
