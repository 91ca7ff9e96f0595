#include "data/settings_catalogue.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"

#include "store_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sqlite3.h>
#include <sys/stat.h>

namespace zc {
namespace {

class SettingsStoreTest : public test::StoreTest {};

TEST_F(SettingsStoreTest, WriteSideOpensCreateAndReportWhetherTheKeyIsNew) {
    SettingsKey key;
    EXPECT_EQ(key.openGroup("reminders"), SettingsKey::kCreated);
    EXPECT_EQ(key.openGroup("reminders"), SettingsKey::kExisted);
    EXPECT_EQ(key.openGroup("REMINDERS"), SettingsKey::kExisted) << "names are case-insensitive";
    EXPECT_EQ(key.openAppointment(2024, 3, 15, 9, 30), SettingsKey::kCreated);
    EXPECT_TRUE(key.openMonthForRead(2024, 3)) << "parents are created on the way";
    EXPECT_FALSE(key.openMonthForRead(2024, 4));
    EXPECT_FALSE(key.isOpen()) << "a failed read-side open holds no key";
    EXPECT_TRUE(key.openAppointmentForRead(2024, 3, "15_9_30"));
    EXPECT_EQ(key.path(), "SOFTWARE\\Ombrix\\ZorvelCal\\Appointments\\2024_3\\15_9_30");
}

TEST_F(SettingsStoreTest, TypedValuesFollowTheRegistryRules) {
    SettingsKey key;
    key.openGroup("g");
    key.writeDword("minus", -1);
    key.writeDword("big", 0x7FFFFFFF);
    key.writeString("text", "hello");
    key.writeString("empty", "");
    const unsigned char blob[4] = {1, 0, 2, 0};
    key.writeBinary("bin", blob, sizeof blob);

    EXPECT_EQ(key.readDword("minus"), -1);
    EXPECT_EQ(key.readDword("MINUS"), -1);
    EXPECT_EQ(key.readDword("big"), 0x7FFFFFFF);
    EXPECT_EQ(key.readDword("missing"), 0);
    EXPECT_EQ(key.readDword("text"), 0) << "a value of another type reads 0";

    std::string target = "before";
    EXPECT_FALSE(key.readString("missing", target));
    EXPECT_EQ(target, "before");
    EXPECT_FALSE(key.readString("minus", target));
    EXPECT_EQ(target, "before") << "a failed text read leaves the target as it was";
    EXPECT_TRUE(key.readString("empty", target));
    EXPECT_EQ(target, "");
    EXPECT_TRUE(key.readString("text", target));
    EXPECT_EQ(target, "hello");

    unsigned char out[8] = {};
    EXPECT_TRUE(key.readBinary("bin", out, sizeof out));
    EXPECT_EQ(out[2], 2);
    EXPECT_FALSE(key.readBinary("text", out, sizeof out));
    EXPECT_FALSE(key.readBinary("bin", out, 2)) << "a buffer too small for the value";

    // On disk: numbers are four little-endian bytes, text has no terminating zero.
    const auto minus = settingsStore().queryValue(settingsStore().openKey(key.path()), "minus");
    ASSERT_TRUE(minus);
    EXPECT_EQ(minus->type, ValueType::Dword);
    EXPECT_EQ(minus->data, std::string(4, '\xFF'));
    EXPECT_EQ(settingsStore().queryValue(settingsStore().openKey(key.path()), "text")->data.size(), 5u);
}

TEST_F(SettingsStoreTest, LongTextsReadBackWhole) {
    // A restore can merge texts past 255 bytes; they must not come back empty.
    SettingsKey key;
    key.openGroup("g");
    for (std::size_t n : {255u, 256u, 1000u, 9990u}) {
        const std::string text(n, 'x');
        key.writeString("t", text);
        std::string back;
        ASSERT_TRUE(key.readString("t", back)) << n;
        EXPECT_EQ(back, text) << n;
    }
}

TEST_F(SettingsStoreTest, SubkeysEnumerateInNameOrderAndDeleteWithEverythingBelow) {
    SettingsKey key;
    for (const char* name : {"b", "C", "a", "2024_10", "2024_9"})
        key.openPath(std::string("T\\") + name);
    key.openPath("T\\a\\deep\\deeper");
    key.openPathForRead("T");
    EXPECT_EQ(key.subkeyNames(), (std::vector<std::string>{"2024_10", "2024_9", "a", "b", "C"}));
    EXPECT_TRUE(key.deleteSubkey("A"));
    EXPECT_FALSE(key.openPathForRead("T\\a\\deep\\deeper"));
    key.openPathForRead("T");
    EXPECT_FALSE(key.deleteSubkey("a")) << "already gone";
    EXPECT_EQ(key.subkeyNames().size(), 4u);
}

TEST_F(SettingsStoreTest, ValuesSurviveReopeningTheFile) {
    {
        SettingsKey key;
        key.openGroup("position");
        key.writeDword("left", 17);
    }
    reopenStore();
    EXPECT_EQ(readPosition("position").left, 17);
    writePosition("weekposition", -5, 40);
    reopenStore();
    EXPECT_EQ(readPosition("weekposition").left, -5);
    EXPECT_EQ(readPosition("weekposition").top, 40);
    EXPECT_EQ(readPosition("yearposition").left, 0) << "missing positions read 0";
}

TEST_F(SettingsStoreTest, TheFileIsPlainSqliteWithTheDocumentedTables) {
    add(2024, 3, 15, 9, 30, "Dentist");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(storePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT v.type, v.data FROM vals v JOIN keys k ON v.key = k.id "
                                 "WHERE k.name = '15_9_30' AND v.name = 'notes'",
                                 -1, &s, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(s, 0), 1);
    EXPECT_EQ(std::string(static_cast<const char*>(sqlite3_column_blob(s, 1)), sqlite3_column_bytes(s, 1)),
              "Dentist");
    sqlite3_finalize(s);
    sqlite3_close(db);
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeUsedIsReportedWithItsNameAndReason) {
    const std::string damaged = (dir / "damaged.db").string();
    std::ofstream(damaged) << std::string(4096, 'Z');
    try {
        SqliteStore store(damaged);
        FAIL() << "a damaged file was accepted";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find(damaged), std::string::npos) << e.what();
    }

    if (::geteuid() != 0) { // root writes through permissions
        const std::filesystem::path locked = dir / "locked";
        std::filesystem::create_directories(locked);
        ::chmod(locked.c_str(), 0500);
        EXPECT_THROW(SqliteStore((locked / "s.db").string()), StoreError);
        ::chmod(locked.c_str(), 0700);
    }
    // A folder in the way of the file.
    const std::filesystem::path blocked = dir / "blocked";
    std::ofstream(blocked.string()) << "x";
    EXPECT_THROW(SqliteStore((blocked / "s.db").string()), StoreError);
}

TEST(SqliteStorePath, EnvironmentDecidesTheDefaultFile) {
    setenv("ZORVELCAL_STORE", "/tmp/x/y.db", 1);
    EXPECT_EQ(SqliteStore::defaultPath(), "/tmp/x/y.db");
    unsetenv("ZORVELCAL_STORE");
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(SqliteStore::defaultPath(), "/data/zorvelcal/store.db");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(SqliteStore::defaultPath(), "/home/u/.local/share/zorvelcal/store.db");
}

class CatalogueTest : public test::StoreTest {};

TEST_F(CatalogueTest, FirstRunSeedsOnceAndGroupsGetTheirDefaults) {
    EXPECT_TRUE(settings::seedFirstRun());
    EXPECT_FALSE(settings::seedFirstRun());
    EXPECT_TRUE(settings::ensureSoundDefaults());
    EXPECT_FALSE(settings::ensureSoundDefaults());
    EXPECT_EQ(settings::soundFile("start"), "Start.wav");
    EXPECT_EQ(settings::soundFile("reminders"), "Notify.wav");
    EXPECT_EQ(settings::soundFile("click"), "Pick.wav");

    const settings::ReminderSettings r = settings::loadReminderSettings();
    EXPECT_EQ(r.age, 60);
    EXPECT_EQ(r.early, 2);
    EXPECT_EQ(r.reminders, 0);
    EXPECT_EQ(r.splash, 1);
    EXPECT_EQ(r.minatstart, 0);
    EXPECT_EQ(r.fastprinting, 0);
    settings::saveReminderSettings(3, 0, 1, 0, 1, 1);
    const settings::ReminderSettings s = settings::loadReminderSettings();
    EXPECT_EQ(s.age, 3);
    EXPECT_EQ(s.reminders, 1);
    EXPECT_EQ(s.fastprinting, 1);

    AppointmentTable& t = restart();
    ASSERT_EQ(t.size(), 3u);
    const Appointment* christmas = t.findAt(1997, 12, 25, 8, 0);
    ASSERT_NE(christmas, nullptr);
    EXPECT_EQ(christmas->stored.notes, "Christmas Day");
    EXPECT_EQ(christmas->stored.repeats, 5);
    EXPECT_EQ(christmas->stored.nthday, 25);
    EXPECT_EQ(christmas->stored.early, 0);
    EXPECT_EQ(christmas->stored.started, christmas->time) << "a stored 0 loads as the entry's own time";
    EXPECT_NE(t.findAt(1998, 1, 1, 8, 0), nullptr);
    EXPECT_NE(t.findAt(1997, 12, 26, 8, 0), nullptr);
}

TEST_F(CatalogueTest, RemovingAppointmentsMakesTheNextStartAFirstRunAgain) {
    ASSERT_TRUE(settings::seedFirstRun());
    SettingsKey key;
    key.openPathForRead("");
    ASSERT_TRUE(key.deleteSubkey("Appointments"));
    EXPECT_TRUE(settings::seedFirstRun());
}

} // namespace
} // namespace zc

namespace zc {
namespace {

class StoreFailureTest : public test::StoreTest {};

TEST_F(StoreFailureTest, AFailedWriteIsCountedWithTheFileAndAPlainReason) {
    auto& store = static_cast<SqliteStore&>(settingsStore());
    add(2024, 3, 15, 9, 0, "Kept");
    EXPECT_EQ(store.failures().count, 0u);
    // No page may be added any more: the store behaves as on a full disk.
    ASSERT_TRUE(store.execute("PRAGMA max_page_count = " + std::to_string(1)));
    add(2024, 3, 16, 9, 0, std::string(8000, 'x'));
    EXPECT_GT(store.failures().count, 0u);
    EXPECT_EQ(store.failures().lastMessage,
              "Zorvel Calendar could not save to \"" + storePath + "\": the disk is full.");
    // What was saved before is untouched.
    EXPECT_EQ(restart().findAt(2024, 3, 15, 9, 0)->stored.notes, "Kept");
}

TEST_F(SettingsStoreTest, RegionChoicesOverTheLocaleAreStoredOnlyOnceTheUserMakesThem) {
    const RegionSettings german{true, 2}, american{false, 1};
    settings::saveRegionSettings(german, german); // OK without a change
    EXPECT_FALSE(SettingsKey().openPathForRead(settings::kRegion));
    // Only the week is chosen: the clock still follows the locale.
    settings::saveRegionSettings({true, 1}, german);
    EXPECT_EQ(settings::loadRegionSettings(american), (RegionSettings{false, 1}));
    SettingsKey key; // a week start the calendar does not offer
    key.openGroup(settings::kRegion);
    key.writeDword(settings::kWeekStart, 5);
    EXPECT_EQ(settings::loadRegionSettings(german).firstWeekday, 2);
}

} // namespace
} // namespace zc
