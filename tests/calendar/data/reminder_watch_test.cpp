#include "store_fixture.h"

#include "data/reminder_watch.h"

namespace zc::test {
namespace {

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86400;

// The engine fixture with the watch between the table and the recorded timers, as the main frame
// has it.
class ReminderWatchTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        table.reset();
        watch = std::make_unique<ReminderWatch>(clock, timers);
        table = std::make_unique<AppointmentTable>(clock, *watch, questions);
    }

    // An appointment whose reminder (lead in minutes) falls due `dueIn` seconds from now.
    Appointment& dueIn(std::int64_t seconds, int lead = 15, const std::string& text = "Dentist") {
        const LocalDate at = toLocal(static_cast<Time32>(clock.t + seconds + lead * kMinute));
        return add(at.year, at.month, at.day, at.hour, at.minute, text, lead);
    }

    // The program runs for `seconds`: the clock check fires every few seconds, reminder timers do
    // not (the tests fire them themselves).
    std::vector<Appointment*> run(std::int64_t seconds) {
        std::vector<Appointment*> raised;
        for (std::int64_t passed = 0; passed < seconds; passed += ReminderWatch::kClockCheckSeconds) {
            clock.t += ReminderWatch::kClockCheckSeconds;
            for (Appointment* a : fire(ReminderWatch::kClockCheckTimerId))
                raised.push_back(a);
        }
        return raised;
    }

    std::vector<Appointment*> fire(unsigned id) { return watch->timerFired(*table, id); }

    bool armed(const Appointment& a) const { return a.timerId != 0 && timers.running.count(a.timerId) != 0; }
    std::int64_t armedDelay(const Appointment& a) const { return timers.running.at(a.timerId); }

    std::unique_ptr<ReminderWatch> watch;
};

TEST_F(ReminderWatchTest, ARemindersTimerRaisesItOnceAndOnlyForALeadThatIsNotOff) {
    Appointment& a = dueIn(45 * kMinute);
    Appointment& off = dueIn(45 * kMinute + 30 * kMinute, -1);
    ASSERT_TRUE(armed(a));
    EXPECT_EQ(armedDelay(a), 45 * kMinute * 1000);
    EXPECT_EQ(off.timerId, 0u);

    clock.t += 45 * kMinute;
    const unsigned id = a.timerId;
    EXPECT_EQ(fire(id), std::vector<Appointment*>{&a});
    EXPECT_FALSE(armed(a));
    EXPECT_TRUE(fire(id).empty());
    // A smaller lead, or a clock set back, would put the moment ahead again, but the reminder
    // has come.
    a.stored.early = 5;
    table->rearmReminders();
    EXPECT_FALSE(armed(a));
    clock.t -= 2 * kHour;
    EXPECT_TRUE(run(3 * kHour).empty());
    EXPECT_FALSE(armed(a));

    // Moving the entry makes a new occurrence with a reminder of its own.
    const LocalDate later = toLocal(static_cast<Time32>(clock.t + 2 * kHour));
    a.setWhen(later.year, later.month, later.day, later.hour, later.minute, 15, a.stored.notes);
    a.schedule(true);
    EXPECT_TRUE(armed(a));
}

TEST_F(ReminderWatchTest, AnErasedAppointmentsTimerRaisesNothing) {
    Appointment& a = dueIn(kHour);
    const unsigned id = a.timerId;
    table->remove(a, false);
    clock.t += kHour;
    EXPECT_TRUE(fire(id).empty());
}

TEST_F(ReminderWatchTest, RemindersMoreThanSevenDaysAheadAreArmedOnceTheyComeWithinSevenDays) {
    // 7 days and 30 minutes ahead, across the change to summer time on 31 March 2024.
    Appointment& far = dueIn(7 * kDay + 30 * kMinute);
    EXPECT_FALSE(armed(far));
    const std::int64_t due = far.dueMoment();
    EXPECT_TRUE(run(kHour).empty());
    ASSERT_TRUE(armed(far));
    EXPECT_EQ(armedDelay(far), (due - clock.t) * 1000);
    // Later looks leave a pending timer alone.
    const unsigned id = far.timerId;
    run(kHour + 5);
    EXPECT_EQ(far.timerId, id);
}

TEST_F(ReminderWatchTest, AReminderDueDuringASuspendIsRaisedAtTheFirstCheckAfterWaking) {
    struct Row {
        const char* what;
        std::int64_t dueIn; // from the moment the computer goes to sleep
        int lead;
        bool raised;
        std::int64_t armedIn; // after waking, 0 = no timer
    };
    constexpr std::int64_t kSleep = 9 * kDay;
    const Row rows[] = {
        {"armed, due while asleep", 30 * kMinute, 15, true, 0},
        {"beyond seven days when it slept, due while asleep", 8 * kDay, 15, true, 0},
        {"no reminder", 2 * kHour, -1, false, 0},
        {"due three hours after waking", kSleep + 3 * kHour, 15, false, 3 * kHour},
        {"due eight days after waking", kSleep + 8 * kDay, 0, false, 0},
    };
    std::vector<Appointment*> entries;
    for (const Row& row : rows)
        entries.push_back(&dueIn(row.dueIn, row.lead, row.what));
    Appointment& done = dueIn(10 * kMinute, 0, "raised before the sleep");
    clock.t += 10 * kMinute;
    ASSERT_EQ(fire(done.timerId).size(), 1u);
    run(ReminderWatch::kClockCheckSeconds);

    // The wall clock moves on; monotonic timers do not fire while the machine is suspended.
    clock.t += kSleep;
    const std::vector<Appointment*> raised = fire(ReminderWatch::kClockCheckTimerId);
    std::vector<Appointment*> expected;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        if (rows[i].raised) expected.push_back(entries[i]);
        if (rows[i].armedIn != 0) {
            ASSERT_TRUE(armed(*entries[i])) << rows[i].what;
            EXPECT_EQ(armedDelay(*entries[i]), (entries[i]->dueMoment() - clock.t) * 1000) << rows[i].what;
        } else {
            EXPECT_FALSE(armed(*entries[i])) << rows[i].what;
        }
    }
    EXPECT_EQ(raised, expected);
    // Their old timers fire late, and raise nothing a second time.
    for (Appointment* a : entries) {
        if (a->timerId != 0 && !armed(*a)) {
            EXPECT_TRUE(fire(a->timerId).empty());
        }
    }
    EXPECT_TRUE(run(kHour).empty());
}

TEST_F(ReminderWatchTest, AClockThatJumpsYearsAheadRaisesOnlyWhatWasArmedOrFellDueInTheLastWeek) {
    Appointment& armedOne = dueIn(kHour, 15, "armed");
    Appointment& monthAhead = dueIn(30 * kDay, 15, "a month ahead");
    Appointment& yearAhead = dueIn(365 * kDay, 15, "a year ahead");
    clock.t += 365 * kDay + 10 * kDay;
    const std::vector<Appointment*> raised = fire(ReminderWatch::kClockCheckTimerId);
    EXPECT_EQ(raised, std::vector<Appointment*>{&armedOne});
    EXPECT_FALSE(monthAhead.reminderRaised());
    EXPECT_FALSE(yearAhead.reminderRaised());
}

TEST_F(ReminderWatchTest, ATimerThatFiresEarlyBecauseTheClockWentBackWaitsForTheRest) {
    struct Row {
        const char* what;
        std::int64_t early; // seconds before the moment at which the timer fires
        bool raised;
    };
    const Row rows[] = {
        {"on time", 0, true},
        {"ten seconds early", 10, true},
        {"eleven seconds early", 11, false},
        {"an hour early", kHour, false},
        {"eight days early", 8 * kDay, false},
    };
    for (const Row& row : rows) {
        const std::int64_t start = clock.t;
        Appointment& a = dueIn(2 * kHour, 15, row.what);
        const std::int64_t due = a.dueMoment();
        const unsigned id = a.timerId;
        // The timer runs its two hours, but the wall clock was set back meanwhile.
        clock.t = due - row.early;
        const std::vector<Appointment*> raised = fire(id);
        EXPECT_EQ(raised.size(), row.raised ? 1u : 0u) << row.what;
        if (!row.raised && row.early < 7 * kDay) {
            ASSERT_TRUE(armed(a)) << row.what;
            EXPECT_EQ(armedDelay(a), row.early * 1000) << row.what;
            clock.t = due;
            EXPECT_EQ(fire(a.timerId), std::vector<Appointment*>{&a}) << row.what;
        }
        // Beyond seven days, the hourly look arms it once it comes closer.
        if (row.early >= 7 * kDay) {
            EXPECT_FALSE(armed(a)) << row.what;
        }
        table->remove(a, false);
        clock.t = start + kDay;
        fire(ReminderWatch::kClockCheckTimerId);
    }
}

} // namespace
} // namespace zc::test
