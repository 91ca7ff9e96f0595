#include "data/repeat_rules.h"

#include "data/settings_key.h"
#include "repeat_backup_fixture.h"

namespace zc::rbtest {
namespace {

TEST(RepeatTexts, OrdinalsWeeksAndHorizons) {
    const std::pair<int, const char*> ordinals[] = {{1, "1st"},   {2, "2nd"},   {3, "3rd"},   {4, "4th"},
                                                    {11, "11th"}, {12, "12th"}, {13, "13th"}, {21, "21st"},
                                                    {22, "22nd"}, {23, "23rd"}, {24, "24th"}, {31, "31st"}};
    for (const auto& [day, text] : ordinals)
        EXPECT_EQ(dayOrdinal(day), text) << day;

    const std::pair<int, const char*> weeks[] = {{1, "1st"},  {7, "1st"},  {8, "2nd"},  {14, "2nd"},
                                                 {15, "3rd"}, {21, "3rd"}, {22, "4th"}, {28, "4th"},
                                                 {29, "5th"}, {31, "5th"}};
    for (const auto& [day, text] : weeks)
        EXPECT_EQ(weekOfMonth(day), text) << day;

    const std::pair<int, std::int64_t> horizons[] = {{0, 0},       {1, 3888000},  {2, 3888000}, {3, 5702400},
                                                     {4, 5702400}, {5, 31622400}, {6, 0},       {-1, 0}};
    for (const auto& [kind, seconds] : horizons)
        EXPECT_EQ(repeatHorizon(kind), seconds) << kind;
}

struct AdvanceRow {
    const char* what;
    int kind;
    int y, m, d, h, min;
    const char* sday;
    const char* nthweek;
    const char* expected; // date and time after one advance
};

void PrintTo(const AdvanceRow& row, std::ostream* os) {
    *os << row.what;
}

class AdvanceTest : public TableTest, public ::testing::WithParamInterface<AdvanceRow> {};

TEST_P(AdvanceTest, MovesToTheNextOccurrence) {
    const AdvanceRow& row = GetParam();
    Appointment& a = add(row.y, row.m, row.d, row.h, row.min, "x");
    a.setRepeat(row.kind, row.nthweek, row.sday, row.d);
    ASSERT_TRUE(advance(a));
    EXPECT_EQ(format(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute), row.expected);
    EXPECT_EQ(a.time, localTime(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute));
    // The table's date index follows the move.
    EXPECT_EQ(table->findAt(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute), &a);
}

// Europe/Berlin: summer time began on 31 March 2024 and ended on 27 October 2024 and on
// 31 October 2021. A step of whole 86,400-second days would put the late and early entries below on
// the wrong date.
INSTANTIATE_TEST_SUITE_P(
    Kinds, AdvanceTest,
    ::testing::Values(
        AdvanceRow{"weekly", 1, 2024, 3, 15, 9, 30, "", "", "2024-03-22 09:30"},
        AdvanceRow{"weekly 23:30 into summer time", 1, 2024, 3, 26, 23, 30, "", "", "2024-04-02 23:30"},
        AdvanceRow{"weekly 0:30 out of summer time", 1, 2024, 10, 22, 0, 30, "", "", "2024-10-29 00:30"},
        AdvanceRow{"every second week over a month end", 2, 2024, 3, 19, 23, 30, "", "", "2024-04-02 23:30"},
        AdvanceRow{"monthly", 3, 2024, 4, 30, 10, 0, "", "", "2024-05-30 10:00"},
        AdvanceRow{"monthly 31st cut to a leap February", 3, 2024, 1, 31, 10, 0, "", "", "2024-02-29 10:00"},
        AdvanceRow{"monthly 31st cut to February", 3, 2023, 1, 31, 10, 0, "", "", "2023-02-28 10:00"},
        AdvanceRow{"monthly over the year end", 3, 2024, 12, 31, 10, 0, "", "", "2025-01-31 10:00"},
        AdvanceRow{"monthly 0:30 over a month ending in winter time", 3, 2021, 10, 15, 0, 30, "", "",
                   "2021-11-15 00:30"},
        AdvanceRow{"3rd Tuesday", 4, 2024, 5, 21, 10, 0, "every Tuesday", "3rd", "2024-06-18 10:00"},
        AdvanceRow{"1st Friday", 4, 2024, 1, 5, 10, 0, "every Friday", "1st", "2024-02-02 10:00"},
        AdvanceRow{"unknown week text counts as the 1st", 4, 2024, 1, 5, 10, 0, "every Friday", "",
                   "2024-02-02 10:00"},
        AdvanceRow{"2nd Monday 0:30 after the change to winter time", 4, 2021, 10, 11, 0, 30, "every Monday",
                   "2nd", "2021-11-08 00:30"},
        AdvanceRow{"4th Saturday", 4, 2024, 2, 24, 18, 0, "every Saturday", "4th", "2024-03-23 18:00"},
        // The fifth Tuesday: February and March 2024 have none, April has one.
        AdvanceRow{"5th Tuesday skips months without one", 4, 2024, 1, 30, 10, 0, "every Tuesday", "5th",
                   "2024-04-30 10:00"},
        AdvanceRow{"5th Friday in the very next month", 4, 2024, 3, 29, 10, 0, "every Friday", "5th",
                   "2024-05-31 10:00"},
        AdvanceRow{"yearly", 5, 2024, 12, 25, 10, 0, "", "", "2025-12-25 10:00"},
        AdvanceRow{"yearly from 29 February", 5, 2024, 2, 29, 10, 0, "", "", "2025-02-28 10:00"}),
    [](const ::testing::TestParamInfo<AdvanceRow>& info) { return "row" + std::to_string(info.index); });

TEST_F(TableTest, AdvanceOfAnUnknownKindFailsAndClearsIt) {
    Appointment& a = add(2024, 3, 15, 9, 30, "x");
    a.stored.repeats = 9;
    EXPECT_FALSE(advance(a));
    EXPECT_EQ(a.stored.repeats, 0);
    EXPECT_EQ(format(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute), "2024-03-15 09:30");
}

// Sets a repeat on a new entry the way the repeat dialog does, on the entry's own date.
Appointment& setRepeatOn(TableTest& t, Appointment& a, int kind) {
    RepeatDialogModel model;
    model.prepareRepeatDialog(a.stored.day, a.stored.month, a.stored.year, a.stored.notes, t.table->clock().now());
    model.presetRepeatDialog(kind, a.stored.nthweek);
    model.openRepeatDialog();
    model.applyTo(a);
    return a;
}

struct SeriesRow {
    const char* what;
    int kind;
    int y, m, d, h, min;               // the entry, also "now" at 8:00 of that day unless nowDay is given
    int nowM, nowD;                    // 0: the entry's date
    std::vector<std::string> expected; // every entry of the series, the source first
};

void PrintTo(const SeriesRow& row, std::ostream* os) {
    *os << row.what;
}

class SeriesTest : public TableTest, public ::testing::WithParamInterface<SeriesRow> {};

TEST_P(SeriesTest, GeneratesUpToTheHorizon) {
    const SeriesRow& row = GetParam();
    clock.t = localTime(row.y, row.nowM ? row.nowM : row.m, row.nowD ? row.nowD : row.d, 8, 0);
    Appointment& source = add(row.y, row.m, row.d, row.h, row.min, "Dentist", 5);
    setRepeatOn(*this, source, row.kind);
    EXPECT_EQ(datesOf("Dentist"), row.expected);

    // Every occurrence is stored, shares the source's started and carries the wanted day.
    const Time32 started = source.stored.started;
    AppointmentTable& loaded = restart();
    EXPECT_EQ(loaded.size(), row.expected.size());
    loaded.forEach([&](const Appointment& a) {
        EXPECT_EQ(a.stored.started, started);
        EXPECT_EQ(a.stored.repeats, row.kind);
        EXPECT_EQ(a.stored.nthday, row.d);
        EXPECT_EQ(a.stored.early, 5);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SeriesTest,
    ::testing::Values(
        // Seven occurrences, up to the first one past 45 days.
        SeriesRow{"weekly set today",
                  1,
                  2024,
                  3,
                  15,
                  10,
                  0,
                  0,
                  0,
                  {"2024-03-15 10:00", "2024-03-22 10:00", "2024-03-29 10:00", "2024-04-05 10:00",
                   "2024-04-12 10:00", "2024-04-19 10:00", "2024-04-26 10:00", "2024-05-03 10:00"}},
        // Counted from Tuesday the 2nd; the weeks in between stay free.
        SeriesRow{"every second week",
                  2,
                  2024,
                  4,
                  2,
                  9,
                  0,
                  0,
                  0,
                  {"2024-04-02 09:00", "2024-04-16 09:00", "2024-04-30 09:00", "2024-05-14 09:00",
                   "2024-05-28 09:00"}},
        // The wanted day comes back after February, and stays 31 in every occurrence.
        SeriesRow{"monthly on the 31st",
                  3,
                  2024,
                  1,
                  31,
                  10,
                  0,
                  0,
                  0,
                  {"2024-01-31 10:00", "2024-02-29 10:00", "2024-03-31 10:00", "2024-04-30 10:00"}},
        SeriesRow{"monthly on the 31st, common year",
                  3,
                  2023,
                  1,
                  31,
                  10,
                  0,
                  0,
                  0,
                  {"2023-01-31 10:00", "2023-02-28 10:00", "2023-03-31 10:00", "2023-04-30 10:00"}},
        SeriesRow{"third Tuesday",
                  4,
                  2024,
                  5,
                  21,
                  10,
                  0,
                  0,
                  0,
                  {"2024-05-21 10:00", "2024-06-18 10:00", "2024-07-16 10:00", "2024-08-20 10:00"}},
        SeriesRow{"yearly set five days ahead",
                  5,
                  2024,
                  12,
                  25,
                  10,
                  0,
                  12,
                  20,
                  {"2024-12-25 10:00", "2025-12-25 10:00"}},
        // Each occurrence keeps its weekday and hour across the start of summer time.
        SeriesRow{"weekly 23:30 over the change of summer time",
                  1,
                  2024,
                  3,
                  19,
                  23,
                  30,
                  0,
                  0,
                  {"2024-03-19 23:30", "2024-03-26 23:30", "2024-04-02 23:30", "2024-04-09 23:30",
                   "2024-04-16 23:30", "2024-04-23 23:30", "2024-04-30 23:30", "2024-05-07 23:30"}}),
    [](const ::testing::TestParamInfo<SeriesRow>& info) { return "row" + std::to_string(info.index); });

TEST_F(TableTest, SeriesStopsAtAnOccupiedSlotAndLeavesItsEntry) {
    clock.t = localTime(2024, 3, 1, 8, 0);
    add(2024, 3, 15, 10, 0, "Lunch");
    Appointment& source = add(2024, 3, 1, 10, 0, "Dentist");
    setRepeatOn(*this, source, 1);
    EXPECT_EQ(datesOf("Dentist"), (std::vector<std::string>{"2024-03-01 10:00", "2024-03-08 10:00"}));
    restart();
    EXPECT_EQ(datesOf("Lunch"), std::vector<std::string>{"2024-03-15 10:00"});
    EXPECT_EQ(table->findAt(2024, 3, 15, 10, 0)->stored.repeats, 0);
}

// The monthly occurrence after 29 February is advanced to the 29th and then put back on the 31st:
// the entry already on the 31st must stop the series, not be overwritten by the occurrence.
TEST_F(TableTest, MonthlySeriesTestsTheWantedDayBeforeSaving) {
    clock.t = localTime(2024, 1, 31, 8, 0);
    add(2024, 3, 31, 10, 0, "Lunch");
    Appointment& source = add(2024, 1, 31, 10, 0, "Dentist");
    setRepeatOn(*this, source, 3);
    EXPECT_EQ(datesOf("Dentist"), (std::vector<std::string>{"2024-01-31 10:00", "2024-02-29 10:00"}));
    restart();
    EXPECT_EQ(datesOf("Lunch"), std::vector<std::string>{"2024-03-31 10:00"});
    EXPECT_EQ(datesOf("Dentist").size(), 2u);
}

TEST_F(TableTest, SeriesStopsWhereThe32BitTimeEnds) {
    clock.t = localTime(2037, 12, 1, 8, 0);
    Appointment& source = add(2037, 12, 1, 10, 0, "Dentist");
    setRepeatOn(*this, source, 1);
    // 19 January 2038 is the last representable day; no occurrence may wrap to 1901.
    const std::vector<std::string> dates = datesOf("Dentist");
    ASSERT_FALSE(dates.empty());
    EXPECT_EQ(dates.back(), "2038-01-12 10:00");
    table->forEach([](const Appointment& a) { EXPECT_GE(a.stored.year, 2037); });
}

// The month view repaints through the table's listeners: a new series must reach them.
TEST_F(TableTest, ApplyRepeatTellsTheTableListenersOfTheSeries) {
    int changes = 0;
    const int listener = table->addChangeListener([&changes] { ++changes; });
    Appointment& weekly = add(2024, 3, 21, 10, 0, "Weekly");
    const int before = changes;
    setRepeatOn(*this, weekly, 1);
    EXPECT_GT(table->size(), 1u);
    EXPECT_GT(changes, before);
    table->removeChangeListener(listener);
}

TEST_F(TableTest, DialogModelDescribesTheEntrysDate) {
    clock.t = localTime(2024, 3, 10, 14, 25);
    struct Row {
        int day, repeats;
        const char* entryNthweek;
        const char* weekday;
        const char* nthweek;
        const char* ordinal;
        const char* title;
    } rows[] = {
        {15, 0, "", "Friday", "3rd", "15th", "Friday, March 15   Dentist"},
        {30, 4, "", "Saturday", "5th", "30th", "Saturday, March 30   Dentist"},
        {2, 1, "4th", "Saturday", "4th", "2nd", "Saturday, March 2   Dentist"},
        {21, 9, "", "Thursday", "3rd", "21st", "Thursday, March 21   Dentist"},
    };
    for (const Row& r : rows) {
        RepeatDialogModel m;
        m.prepareRepeatDialog(r.day, 3, 2024, "Dentist", clock.now());
        m.presetRepeatDialog(r.repeats, r.entryNthweek);
        m.openRepeatDialog();
        EXPECT_EQ(m.time, localTime(2024, 3, r.day, 14, 25));
        EXPECT_EQ(m.kind, r.repeats);
        EXPECT_EQ(m.chosenKind(), r.repeats <= 5 ? r.repeats : 0);
        EXPECT_EQ(m.nthweek, r.nthweek);
        EXPECT_EQ(m.title, r.title);
        const std::string w = r.weekday;
        EXPECT_EQ(m.descriptions(),
                  (std::array<std::string, 6>{"does not repeat", "every " + w, "every second " + w,
                                              std::string("every month on the ") + r.ordinal,
                                              std::string(r.nthweek) + " " + w + " of every month",
                                              "every year on this day"}));
    }
}

TEST_F(TableTest, ClosingTheDialogCopiesTheChoiceIntoTheEntry) {
    clock.t = localTime(2024, 5, 21, 8, 0);
    Appointment& a = add(2024, 5, 21, 10, 0, "Dentist");
    a.setRepeat(0, "", "", 0);
    RepeatDialogModel m;
    m.prepareRepeatDialog(a.stored.day, a.stored.month, a.stored.year, a.stored.notes, clock.now());
    m.presetRepeatDialog(a.stored.repeats, a.stored.nthweek);
    m.openRepeatDialog();
    m.kind = 4;
    m.applyTo(a);
    EXPECT_EQ(a.stored.repeats, 4);
    EXPECT_EQ(a.stored.nthweek, "3rd");
    EXPECT_EQ(a.stored.sday, "every Tuesday");
    EXPECT_EQ(a.stored.nthday, 21);
    SettingsKey key;
    ASSERT_TRUE(key.openAppointmentForRead(2024, 5, "21_10_0"));
    EXPECT_EQ(key.readDword("repeats"), 4);
    std::string sday;
    EXPECT_TRUE(key.readString("sday", sday));
    EXPECT_EQ(sday, "every Tuesday");
    EXPECT_EQ(datesOf("Dentist").size(), 4u);
}

struct SeriesQuestionRow {
    const char* what;
    bool answer;
    std::vector<std::string> remaining; // "text@YYYY-MM-DD HH:MM repeats"
};

void PrintTo(const SeriesQuestionRow& row, std::ostream* os) {
    *os << row.what;
}

class SeriesQuestionTest : public TableTest, public ::testing::WithParamInterface<SeriesQuestionRow> {};

TEST_P(SeriesQuestionTest, EmptyingARepeatingEntry) {
    const SeriesQuestionRow& row = GetParam();
    const auto entry = [&](int d, int h, const char* text, int kind) -> Appointment& {
        Appointment& a = add(2024, 3, d, h, 0, text);
        a.setRepeat(kind, "3rd", "every Friday", d);
        a.save();
        return a;
    };
    Appointment& emptied = entry(1, 10, "Dentist", 1);
    entry(8, 10, "Dentist", 1);
    entry(15, 10, "Dentist Lunch", 1); // merged by a restore: keeps Lunch, stops repeating
    entry(22, 10, "Dentist", 2);       // another kind
    entry(22, 11, "Dentist", 1);       // another time of day
    entry(29, 10, "Gym", 1);
    questions.answers = {row.answer};
    table->remove(emptied, true);
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(
        questions.asked[0],
        "You have deleted a datebook entry which repeats.  Delete the other \"Dentist\" entries as well?");

    const auto seen = [&] {
        std::vector<std::string> out;
        table->sortByTime();
        table->forEach([&](const Appointment& a) {
            out.push_back(a.stored.notes + "@" + format(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute) + " " +
                          std::to_string(a.stored.repeats));
        });
        return out;
    };
    EXPECT_EQ(seen(), row.remaining);
    restart();
    EXPECT_EQ(seen(), row.remaining) << "after a new start";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SeriesQuestionTest,
    ::testing::Values(SeriesQuestionRow{"yes",
                                        true,
                                        {"Lunch@2024-03-15 10:00 0", "Dentist@2024-03-22 10:00 2",
                                         "Dentist@2024-03-22 11:00 1", "Gym@2024-03-29 10:00 1"}},
                      SeriesQuestionRow{"no",
                                        false,
                                        {"Dentist@2024-03-08 10:00 1", "Dentist Lunch@2024-03-15 10:00 1",
                                         "Dentist@2024-03-22 10:00 2", "Dentist@2024-03-22 11:00 1",
                                         "Gym@2024-03-29 10:00 1"}}),
    [](const ::testing::TestParamInfo<SeriesQuestionRow>& info) { return std::string(info.param.what); });

TEST_F(TableTest, SeriesQuestionOnlyForRepeatingEntriesAndEmptyTextTakesNoOthers) {
    Appointment& plain = add(2024, 3, 1, 10, 0, "Dentist");
    table->remove(plain, true);
    EXPECT_TRUE(questions.asked.empty());

    Appointment& empty = add(2024, 3, 1, 10, 0, "");
    empty.setRepeat(1, "", "", 1);
    Appointment& other = add(2024, 3, 8, 10, 0, "Gym");
    other.setRepeat(1, "", "", 8);
    questions.answers = {true};
    table->remove(empty, true);
    EXPECT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(table->size(), 1u);
    EXPECT_EQ(other.stored.notes, "Gym");
    EXPECT_EQ(other.stored.repeats, 1);
}

} // namespace
} // namespace zc::rbtest
