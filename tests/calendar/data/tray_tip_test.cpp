#include "tray_tip_fixture.h"

#include "text/text_utils.h"

#include <gtest/gtest.h>

namespace zc::test {
namespace {

TEST_F(TrayTipTest, NamesTheNextAppointmentInTheFormItsDistanceAsks) {
    struct Row {
        int year, month, day, hour, minute;
        std::string expected;
    };
    const Row rows[] = {
        {2015, 8, 12, 14, 5, " 2:05pm: Notes  "},
        {2015, 8, 12, 12, 0, " 12:00pm: Notes  "},
        {2015, 8, 12, 11, 59, " 11:59am: Notes  "},
        {2015, 8, 13, 9, 0, " Tommorrow at 9:00am: Notes  "},
        {2015, 8, 13, 0, 15, " Tommorrow at 0:15am: Notes  "},
        {2015, 8, 15, 10, 30, " Saturday 10:30am: Notes  "},
        {2015, 8, 19, 9, 59, " Wednesday 9:59am: Notes  "}, // just under a week ahead
        {2015, 8, 21, 20, 0, " Friday, August 21 8:00pm: Notes  "},
        // The same day of the year, a year ahead, is not today.
        {2016, 8, 12, 14, 0, " Friday, August 12 2:00pm: Notes  "},
    };
    for (const Row& row : rows) {
        table = std::make_unique<AppointmentTable>(clock, timers, questions);
        add(row.year, row.month, row.day, row.hour, row.minute, "Notes");
        EXPECT_EQ(tip(), row.expected);
    }
}

// The moment the tip may change by itself: just before it the tip reads as now (no change is
// missed), at it differently unless only the day turned far ahead of the appointment.
// The rows cross midnight, the week boundary and, in late October, the end of summer time.
TEST_F(TrayTipTest, KnowsWhenItsTextChangesWithoutAChangeToTheTable) {
    struct Row {
        Time32 now, when, changes;
        bool differs = true;
    };
    const Row rows[] = {
        {localTime(2015, 8, 12, 10, 0), localTime(2015, 8, 12, 14, 5), localTime(2015, 8, 12, 14, 5)},
        {localTime(2015, 8, 12, 10, 0), localTime(2015, 8, 13, 9, 0), localTime(2015, 8, 13, 0, 0)},
        {localTime(2015, 8, 12, 23, 59), localTime(2015, 8, 13, 0, 15), localTime(2015, 8, 13, 0, 0)},
        {localTime(2015, 8, 12, 10, 0), localTime(2015, 8, 19, 11, 0), localTime(2015, 8, 12, 11, 0) + 1},
        {localTime(2015, 8, 12, 10, 0), localTime(2015, 8, 21, 20, 0), localTime(2015, 8, 13, 0, 0), false},
        {localTime(2015, 10, 20, 10, 0), localTime(2015, 10, 27, 11, 0), localTime(2015, 10, 20, 11, 0) + 1},
        {localTime(2015, 10, 24, 23, 0), localTime(2015, 10, 26, 9, 0), localTime(2015, 10, 25, 0, 0)},
    };
    for (const Row& row : rows) {
        const std::int64_t changes = tipChangesAt(row.when, row.now);
        EXPECT_EQ(changes, row.changes) << row.now << " " << row.when;
        const auto describe = [&row](Time32 at) { return describeNext(row.when, 9, 0, "Notes", at); };
        if (row.changes < row.when) {
            EXPECT_EQ(describe(static_cast<Time32>(changes - 1)), describe(row.now)) << row.when;
            EXPECT_EQ(describe(static_cast<Time32>(changes)) != describe(row.now), row.differs) << row.when;
        }
    }
    EXPECT_EQ(tipChangesAt(localTime(2015, 8, 12, 10, 0), localTime(2015, 8, 12, 10, 0)), kTipNeverChanges);
}

TEST_F(TrayTipTest, SaysSoWhenNothingLiesAhead) {
    EXPECT_EQ(tip(), "Zorvel Calendar: no appointments are scheduled");
    add(2015, 8, 12, 9, 0, "Already past");
    EXPECT_EQ(tip(), "Zorvel Calendar: no appointments are scheduled");
}

TEST_F(TrayTipTest, TakesTheEarliestLaterAppointment) {
    add(2015, 8, 20, 9, 0, "Later");
    add(2015, 8, 12, 9, 30, "Past");
    add(2015, 8, 12, 16, 45, "Next");
    EXPECT_EQ(tip(), " 4:45pm: Next  ");
}

TEST_F(TrayTipTest, LongNotesAreCutTo63Characters) {
    add(2015, 8, 12, 14, 5, std::string(80, 'x'));
    const std::string t = tip();
    EXPECT_EQ(t.size(), kMaxTipLength);
    EXPECT_EQ(t, " 2:05pm: " + std::string(51, 'x') + "...");

    // A tip of exactly 62 characters stays whole.
    table = std::make_unique<AppointmentTable>(clock, timers, questions);
    add(2015, 8, 12, 14, 5, std::string(62 - 11, 'y'));
    EXPECT_EQ(tip().size(), 62u);

    // A cut never splits a character of a UTF-8 text.
    std::string notes = "x";
    for (int i = 0; i < 40; ++i)
        notes += "\xC3\xA9";
    table = std::make_unique<AppointmentTable>(clock, timers, questions);
    add(2015, 8, 12, 14, 5, notes);
    const std::string cut = tip();
    EXPECT_EQ(text::validUtf8(cut), cut);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    EXPECT_LE(cut.size(), kMaxTipLength);
}

TEST_F(TrayTipTest, StrayBytesShowAsLatin1) {
    add(2015, 8, 12, 14, 5, "Caf\xE9");
    // How cuts keep whole characters is the text library's to test.
    EXPECT_EQ(text::validUtf8(tip()), " 2:05pm: Caf\xC3\xA9  ");
}

} // namespace
} // namespace zc::test
