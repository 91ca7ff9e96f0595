#include "data/date_helpers.h"

#include "store_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <optional>

namespace zc {
namespace {

TEST(DateNames, TablesAndTheirBounds) {
    EXPECT_STREQ(shortMonthName(9), "Sept");
    EXPECT_STREQ(shortMonthName(3), "March");
    EXPECT_STREQ(shortMonthName(1), "Jan");
    EXPECT_STREQ(monthName(12), "December");
    EXPECT_STREQ(weekdayName(1), "Sunday");
    EXPECT_STREQ(weekdayName(7), "Saturday");
    for (int bad : {0, 13, -1}) {
        EXPECT_EQ(shortMonthName(bad), nullptr) << bad;
        EXPECT_EQ(monthName(bad), nullptr) << bad;
    }
    EXPECT_EQ(weekdayName(0), nullptr);
    EXPECT_EQ(weekdayName(8), nullptr);
}

TEST(DateNames, WeekdayFromText) {
    const struct {
        const char* text;
        int weekday;
    } rows[] = {{"Thursday", 5},
                {"Tuesday", 3},
                {"", 7},
                {"Saturday", 7},
                {"every Monday", 2},
                {"Sunday", 1},
                {"Wednesday", 4},
                {"Friday", 6},
                {"thursday", 7},     // the abbreviations are matched
                                     // with their capitals
                {"Mon and Fri", 2}}; // the first abbreviation of the list wins, not the first in the text
    for (const auto& r : rows)
        EXPECT_EQ(weekdayFromText(r.text), r.weekday) << r.text;
}

TEST(DateNames, DaysToWeekday) {
    EXPECT_EQ(daysToWeekday(7, "Sunday"), 1);
    EXPECT_EQ(daysToWeekday(1, "Sunday"), 0);
    EXPECT_EQ(daysToWeekday(3, "Monday"), 6);
    EXPECT_EQ(daysToWeekday(2, "Saturday"), 5);
}

TEST(DateNames, DaysInMonth) {
    const int rows[][3] = {{2000, 2, 29},  {1999, 2, 28}, {2024, 13, 30}, {2024, 0, 30},
                           {2100, 2, 29},  {2023, 4, 30}, {2023, 6, 30},  {2023, 9, 30},
                           {2023, 11, 30}, {2023, 1, 31}, {2023, 12, 31}, {2023, 7, 31}};
    for (const auto& r : rows)
        EXPECT_EQ(daysInMonth(r[0], r[1]), r[2]) << r[0] << "-" << r[1];
}

class LocalTimeTest : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override { test::setTimeZone(GetParam()); }
};

TEST_P(LocalTimeTest, RoundTripsAndNormalises) {
    const Time32 t = localTime(2024, 2, 29, 8, 30);
    const LocalDate d = toLocal(t);
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(d.hour, 8);
    EXPECT_EQ(d.minute, 30);
    EXPECT_EQ(d.weekday, 5); // a Thursday
    // Day 32 of January is the 1st of February.
    EXPECT_EQ(toLocal(localTime(2023, 1, 32, 9, 0)).month, 2);
}

TEST_P(LocalTimeTest, CalendarDaysKeepTheTimeOfDay) {
    // Each row crosses a change of daylight saving in Europe and America (or none in UTC).
    const struct {
        int y, m, d, h, min, days;
        int ey, em, ed;
    } rows[] = {{2024, 3, 28, 23, 30, 7, 2024, 4, 4},  {2024, 10, 25, 23, 30, 7, 2024, 11, 1},
                {2024, 3, 5, 0, 30, 28, 2024, 4, 2},   {2024, 11, 1, 0, 30, 14, 2024, 11, 15},
                {2024, 4, 4, 23, 30, -7, 2024, 3, 28}, {2024, 12, 31, 22, 0, 1, 2025, 1, 1}};
    for (const auto& r : rows) {
        const LocalDate got = toLocal(addCalendarDays(localTime(r.y, r.m, r.d, r.h, r.min), r.days));
        EXPECT_EQ(got.year, r.ey) << r.y << "-" << r.m << "-" << r.d;
        EXPECT_EQ(got.month, r.em) << r.y << "-" << r.m << "-" << r.d;
        EXPECT_EQ(got.day, r.ed) << r.y << "-" << r.m << "-" << r.d;
        EXPECT_EQ(got.hour, r.h);
        EXPECT_EQ(got.minute, r.min);
    }
}

TEST_P(LocalTimeTest, CalendarDaysEqualPlainSpansWithoutAChangeOfDaylightSaving) {
    const Time32 t = localTime(2024, 6, 10, 9, 0);
    for (int days : {1, 7, 14, -3})
        EXPECT_EQ(addCalendarDays(t, days), t + days * kSecondsPerDay) << days;
}

TEST_P(LocalTimeTest, AgreesWithTheCLibraryAtEveryHalfHourOfTwoYears) {
    // Includes the hours that daylight saving skips and repeats, and fields that need normalising;
    // the same with the zone looked up a day at a time, as a calendar loads.
    for (const bool byDay : {false, true}) {
        std::optional<LocalDayMemo> memo;
        if (byDay) memo.emplace();
        for (int day = 1; day <= 731; ++day)
            for (int halfHour = 0; halfHour < 48; ++halfHour) {
                std::tm tm{};
                tm.tm_year = 2023 - 1900;
                tm.tm_mon = 0;
                tm.tm_mday = day;
                tm.tm_hour = halfHour / 2;
                tm.tm_min = halfHour % 2 * 30;
                tm.tm_isdst = -1;
                const auto expected = static_cast<Time32>(std::mktime(&tm));
                ASSERT_EQ(localTime(2023, 1, day, halfHour / 2, halfHour % 2 * 30), expected)
                    << "day " << day << " half hour " << halfHour << (byDay ? " by day" : "");
            }
    }
    EXPECT_EQ(localTime(2023, 13, 1, 9, 0), localTime(2024, 1, 1, 9, 0));
    EXPECT_EQ(localTime(2023, 0, 1, 9, 0), localTime(2022, 12, 1, 9, 0));
    EXPECT_EQ(localTime(2023, 3, 0, 9, 0), localTime(2023, 2, 28, 9, 0));
}

INSTANTIATE_TEST_SUITE_P(Zones, LocalTimeTest,
                         ::testing::Values("UTC", "Europe/Berlin", "America/New_York",
                                           "Australia/Lord_Howe"));

} // namespace
} // namespace zc
