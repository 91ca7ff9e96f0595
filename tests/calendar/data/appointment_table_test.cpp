#include "data/appointment_table.h"
#include "data/settings_key.h"

#include "store_fixture.h"

#include <gtest/gtest.h>

#include <set>

namespace zc {
namespace {

class AppointmentTableTest : public test::StoreTest {
  protected:
    // Writes an appointment key straight into the store, as another start of the program left it.
    void storeRaw(const std::string& monthName, const std::string& name, const AppointmentValues& v) {
        SettingsKey key;
        key.openPath("Appointments\\" + monthName + "\\" + name);
        key.writeAppointment(v);
    }
    static AppointmentValues values(int y, int m, int d, int h, int min, const std::string& notes) {
        AppointmentValues v;
        v.year = y, v.month = m, v.day = d, v.hour = h, v.minute = min, v.early = -1, v.notes = notes;
        return v;
    }
    bool stored(int y, int m, const std::string& name) {
        SettingsKey key;
        return key.openAppointmentForRead(y, m, name);
    }
};

TEST_F(AppointmentTableTest, SavedEntriesComeBackAtTheNextStart) {
    Appointment& a = add(2024, 3, 15, 9, 30, "Dentist", 15);
    a.setRepeat(1, "3rd", "every Friday", 15);
    a.save();
    const Time32 started = a.stored.started;

    AppointmentTable& t = restart();
    ASSERT_EQ(t.size(), 1u);
    const Appointment* b = t.findAt(2024, 3, 15, 9, 30);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->stored.notes, "Dentist");
    EXPECT_EQ(b->stored.early, 15);
    EXPECT_EQ(b->stored.repeats, 1);
    EXPECT_EQ(b->stored.nthweek, "3rd");
    EXPECT_EQ(b->stored.sday, "every Friday");
    EXPECT_EQ(b->stored.nthday, 15);
    EXPECT_EQ(b->stored.started, started);
    EXPECT_EQ(b->time, localTime(2024, 3, 15, 9, 30));
}

TEST_F(AppointmentTableTest, OneEntryPerDateAndMinute) {
    add(2024, 3, 15, 9, 30, "first");
    Appointment& second = table->construct();
    second.setWhen(2024, 3, 15, 9, 30, -1, "second");
    second.schedule(true); // overwrites the key of the first
    EXPECT_EQ(table->findAt(2024, 3, 15, 9, 30)->stored.notes, "first") << "the first in slot order";
    EXPECT_EQ(table->findAt(2024, 3, 15, 9, 30, table->findAt(2024, 3, 15, 9, 30))->stored.notes, "second");

    // Two keys naming the same minute: the table refuses the second and leaves its key alone.
    storeRaw("2024_4", "2_10_0", values(2024, 4, 2, 10, 0, "kept"));
    storeRaw("2024_4", "2_10_00", values(2024, 4, 2, 10, 0, "refused"));
    AppointmentTable& t = restart();
    EXPECT_EQ(t.size(), 2u);
    EXPECT_EQ(t.findAt(2024, 3, 15, 9, 30)->stored.notes, "second");
    EXPECT_EQ(t.findAt(2024, 4, 2, 10, 0)->stored.notes, "kept");
    EXPECT_TRUE(stored(2024, 4, "2_10_00"));
}

TEST_F(AppointmentTableTest, InvalidKeysAreIgnoredAndEmptyMonthsDeleted) {
    AppointmentValues noHour = values(2024, 5, 1, 0, 30, "no hour");
    storeRaw("2024_5", "1_0_30", noHour);
    {
        SettingsKey key; // three empty months in a row: each must go, none skipped
        key.openPath("Appointments\\2024_6");
        key.openPath("Appointments\\2024_7");
        key.openPath("Appointments\\2024_8");
        key.openPath("Appointments\\2024_10");
    }
    add(2024, 9, 1, 9, 0, "stays");
    AppointmentTable& t = restart();
    EXPECT_EQ(t.size(), 1u);
    EXPECT_TRUE(stored(2024, 5, "1_0_30")) << "an invalid entry's key is left untouched";
    SettingsKey key;
    for (int m : {6, 7, 8, 10})
        EXPECT_FALSE(key.openMonthForRead(2024, m)) << m;
    EXPECT_TRUE(key.openMonthForRead(2024, 9));
    EXPECT_TRUE(key.openMonthForRead(2024, 5));
}

TEST_F(AppointmentTableTest, MonthNamesParseLikeTheirWriter) {
    storeRaw("2024_12", "24_18_0", values(2024, 12, 24, 18, 0, "Eve"));
    storeRaw("2025_1", "2_8_0", values(2025, 1, 2, 8, 0, "Back"));
    storeRaw("junk", "1_8_0", values(2025, 1, 1, 8, 0, "never read"));
    AppointmentTable& t = restart();
    EXPECT_EQ(t.size(), 2u);
    EXPECT_TRUE(t.hasAppointmentOn(2024, 12, 24));
    EXPECT_TRUE(t.hasAppointmentOn(2025, 1, 2));
    EXPECT_FALSE(t.hasAppointmentOn(2025, 1, 1));
    SettingsKey key;
    EXPECT_TRUE(key.openPathForRead("Appointments\\junk")) << "a month that cannot be read is kept";
}

// Loading reads every stored value in one pass; each entry must still get only its own values,
// read by the registry's rules, with the keys of other groups written in between.
TEST_F(AppointmentTableTest, LoadingReadsEachValueByTheRegistryRules) {
    const struct {
        const char* name; // the value rewritten after the entry's twelve were written
        ValueType type;
        std::string data;
        int day;           // of the entry; 0 when the entry must be dropped
        const char* notes; // as loaded
        int early;
    } rows[] = {
        {"NOTES", ValueType::String, "Upper-case name", 1, "Upper-case name", -1},
        {"notes", ValueType::String, std::string("Ends at\0the zero", 16), 2, "Ends at", -1},
        {"notes", ValueType::Binary, "binary", 3, "", -1}, // a text of another type is not read
        {"early", ValueType::Binary, dwordBytes(20), 4, "Entry 4", 0},
        {"early", ValueType::Dword, std::string("\x14\0", 2), 5, "Entry 5", 0},
        {"hour", ValueType::String, "9", 0, nullptr, 0}, // hour reads 0: no valid entry
        {"colour", ValueType::Dword, dwordBytes(3), 7, "Entry 7", -1},
    };
    int day = 0;
    for (const auto& row : rows) {
        ++day;
        const std::string name = std::to_string(day) + "_9_0";
        storeRaw("2024_3", name, values(2024, 3, day, 9, 0, "Entry " + std::to_string(day)));
        SettingsKey key;
        key.openPath("Appointments\\2024_3\\" + name);
        settingsStore().setValue(settingsStore().openKey(key.path()), row.name, row.type, row.data);
        SettingsKey other; // a key of another group between two entries
        other.openPath("Group " + std::to_string(day));
        other.writeString("notes", "not an entry's");
        other.writeDword("hour", 11);
    }
    // A month spelt otherwise stands for the month of its number, whose entries load once.
    storeRaw("2024_03", "20_9_0", values(2024, 3, 20, 9, 0, "never read"));
    AppointmentTable& t = restart();
    day = 0;
    for (const auto& row : rows) {
        const Appointment* a = t.findAt(2024, 3, ++day, 9, 0);
        if (!row.day) {
            EXPECT_EQ(a, nullptr) << day;
            continue;
        }
        ASSERT_NE(a, nullptr) << day;
        EXPECT_EQ(a->stored.notes, row.notes) << day;
        EXPECT_EQ(a->stored.early, row.early) << day;
    }
    EXPECT_EQ(t.size(), 6u);
    EXPECT_EQ(t.findAt(2024, 3, 20, 9, 0), nullptr);
}

TEST_F(AppointmentTableTest, ReminderTimersOnlyWithinSevenDays) {
    clock.t = localTime(2024, 3, 15, 12, 0);
    const struct {
        int dayOffsetMinutes; // from now
        int early;
        bool armed;
    } rows[] = {{10, 15, false},          // the reminder lies in the past
                {8 * 24 * 60, 0, false},  // eight days ahead
                {6 * 24 * 60, 0, true},   // six days ahead
                {60, -1, false},          // no reminder
                {60, 30, true},           // half an hour from now
                {7 * 24 * 60, 0, false}}; // exactly seven days: not less than a week
    unsigned expectedId = AppointmentTable::kFirstTimerId;
    for (const auto& r : rows) {
        const LocalDate d = toLocal(static_cast<Time32>(clock.t + r.dayOffsetMinutes * 60));
        timers.running.clear();
        Appointment& a = add(d.year, d.month, d.day, d.hour, d.minute, "x", r.early);
        EXPECT_EQ(!timers.running.empty(), r.armed) << r.dayOffsetMinutes << " " << r.early;
        if (r.armed) {
            EXPECT_EQ(a.timerId, expectedId++);
            EXPECT_EQ(timers.running.begin()->second, (a.time - clock.t - r.early * 60) * 1000LL);
            EXPECT_EQ(table->findByTimer(a.timerId), &a);
        } else {
            EXPECT_EQ(a.timerId, 0u);
        }
    }
}

TEST_F(AppointmentTableTest, RearmStopsTheOldTimerAndTakesANewIdentifier) {
    Appointment& a = add(2024, 3, 15, 14, 0, "x", 5);
    add(2024, 3, 15, 15, 0, "no reminder", -1);
    const unsigned first = a.timerId;
    table->rearmReminders();
    EXPECT_EQ(timers.stopped, std::vector<unsigned>{first});
    EXPECT_EQ(a.timerId, first + 1);
    EXPECT_EQ(timers.running.size(), 1u);
}

TEST_F(AppointmentTableTest, StartedZeroLoadsAsOwnTimeWithoutBeingWrittenBack) {
    storeRaw("2024_3", "20_9_0", values(2024, 3, 20, 9, 0, "x"));
    AppointmentTable& t = restart();
    const Appointment* a = t.findAt(2024, 3, 20, 9, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->stored.started, localTime(2024, 3, 20, 9, 0));
    SettingsKey key;
    key.openAppointmentForRead(2024, 3, "20_9_0");
    EXPECT_EQ(key.readDword("started"), 0);
}

TEST_F(AppointmentTableTest, SlotsGrowByFiftyAndHolesAreReused) {
    std::vector<Appointment*> all;
    for (int i = 0; i < 101; ++i)
        all.push_back(&table->construct());
    EXPECT_EQ(table->slotCount(), 150u);
    table->remove(*all[7], false);
    table->remove(*all[3], false);
    EXPECT_EQ(table->slot(3), nullptr);
    Appointment& reuse = table->construct();
    EXPECT_EQ(table->slot(3), &reuse) << "the first empty slot";
    Appointment& next = table->construct();
    EXPECT_EQ(table->slot(7), &next);
    EXPECT_EQ(table->size(), 101u);
}

TEST_F(AppointmentTableTest, SortByTimeIsStableAndMovesEmptySlotsLast) {
    Appointment& late = add(2024, 3, 20, 9, 0, "late");
    Appointment& gone = add(2024, 3, 18, 9, 0, "gone");
    Appointment& early1 = add(2024, 3, 16, 9, 0, "early1");
    Appointment& twin = table->constructCopy(early1); // same time, after early1 in slot order
    twin.stored.day = 16;
    twin.stored.notes = "twin";
    twin.schedule(false);
    table->remove(gone, false);
    table->sortByTime();
    ASSERT_EQ(table->slot(0), &early1);
    EXPECT_EQ(table->slot(1), &twin);
    EXPECT_EQ(table->slot(2), &late);
    EXPECT_EQ(table->slot(3), nullptr);
    EXPECT_EQ(table->firstLaterThan(early1.time), &late);
    EXPECT_EQ(table->firstLaterThan(late.time), nullptr);
    // The index still finds entries at their new places.
    EXPECT_EQ(table->findAt(2024, 3, 20, 9, 0), &late);
}

TEST_F(AppointmentTableTest, RemoveAndClearDayDeleteStoredKeys) {
    Appointment& a = add(2024, 3, 15, 9, 0, "a", 10);
    add(2024, 3, 15, 10, 0, "b");
    add(2024, 3, 16, 10, 0, "other day");
    const unsigned timer = a.timerId;
    table->clearDay(2024, 3, 15);
    EXPECT_FALSE(table->hasAppointmentOn(2024, 3, 15));
    EXPECT_EQ(timers.running.count(timer), 0u);
    EXPECT_FALSE(stored(2024, 3, "15_9_0"));
    EXPECT_FALSE(stored(2024, 3, "15_10_0"));
    EXPECT_TRUE(stored(2024, 3, "16_10_0"));
    EXPECT_EQ(table->size(), 1u);
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(AppointmentTableTest, ChangeNotesRewritesOnlyStoredEntries) {
    Appointment& a = add(2024, 3, 15, 9, 0, "old");
    a.stored.early = 99; // not written by changeNotes
    a.changeNotes("new");
    Appointment& unsaved = table->construct();
    unsaved.setWhen(2024, 3, 15, 11, 0, -1, "");
    unsaved.changeNotes("never saved");
    AppointmentTable& t = restart();
    EXPECT_EQ(t.findAt(2024, 3, 15, 9, 0)->stored.notes, "new");
    EXPECT_EQ(t.findAt(2024, 3, 15, 9, 0)->stored.early, -1);
    EXPECT_FALSE(stored(2024, 3, "15_11_0"));
}

TEST_F(AppointmentTableTest, SeriesQuestionOnlyForRepeatingEntries) {
    Appointment& plain = add(2024, 3, 15, 9, 0, "Dentist");
    table->remove(plain, true);
    EXPECT_TRUE(questions.asked.empty());

    Appointment& first = add(2024, 3, 15, 9, 0, "Dentist");
    Appointment& second = add(2024, 3, 22, 9, 0, "Dentist");
    Appointment& merged = add(2024, 3, 29, 9, 0, "Dentist Lunch");
    for (Appointment* a : {&first, &second, &merged})
        a->stored.repeats = 1, a->save();
    questions.answers = {true};
    table->remove(first, true);
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(
        questions.asked[0],
        "You have deleted a datebook entry which repeats.  Delete the other \"Dentist\" entries as well?");
    EXPECT_EQ(table->size(), 1u);
    EXPECT_EQ(merged.stored.notes, "Lunch");
    EXPECT_EQ(merged.stored.repeats, 0);
    AppointmentTable& t = restart();
    EXPECT_EQ(t.size(), 1u);
    EXPECT_EQ(t.findAt(2024, 3, 29, 9, 0)->stored.notes, "Lunch");
    (void)second;
}

TEST_F(AppointmentTableTest, PurgeDeletesOnlyTheOldMonths) {
    clock.t = localTime(2024, 3, 15, 12, 0);
    // Month keys for every month of the last seven years.
    const auto monthBack = [](int back) { // (year, month) that many months before March 2024
        const int index = 2024 * 12 + (3 - 1) - back;
        return std::pair<int, int>(index / 12, index % 12 + 1);
    };
    for (int back = 0; back < 84; ++back) {
        SettingsKey key;
        key.openAppointment(monthBack(back).first, monthBack(back).second, 1, 9, 0);
    }
    table->purgeOldMonths(60);
    // Days (61..66) * 30 before 15 March 2024 fall in these months.
    std::set<std::pair<int, int>> purged;
    for (int n = 61; n <= 66; ++n) {
        const LocalDate d = toLocal(static_cast<Time32>(clock.t - n * 30LL * kSecondsPerDay));
        purged.insert({d.year, d.month});
    }
    SettingsKey key;
    for (int back = 0; back < 84; ++back) {
        const auto [y, m] = monthBack(back);
        EXPECT_EQ(key.openMonthForRead(y, m), purged.count({y, m}) == 0) << y << "_" << m;
    }
    EXPECT_EQ(purged.size(), 6u);
    EXPECT_EQ(purged.begin()->first, 2018);
}

} // namespace
} // namespace zc
