// The one time-of-day text, in each of its uses: the shared function itself (reminder titles, the
// week view, the day planner's hour and half-hour labels), the tip of the notification icon, and
// the times an import writes into an entry's text. The hour after midnight shows as 0, noon as 12.
#include "data/date_helpers.h"
#include "data/ical_exchange.h"
#include "data/tray_tip.h"

#include "repeat_backup_fixture.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace zc::rbtest {
namespace {

class TimeTextTest : public TableTest {
  protected:
    // Imports a visit from the day's hour:minute to the same time the next day; gives the entries.
    auto importVisit(int day, int hour, int minute, const RegionSettings& region) {
        char event[200];
        std::snprintf(event, sizeof event,
                      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\nBEGIN:VEVENT\r\nUID:%d@example\r\n"
                      "DTSTART:202403%02dT%02d%02d00\r\nDTEND:202403%02dT%02d%02d00\r\nSUMMARY:Visit\r\n"
                      "END:VEVENT\r\nEND:VCALENDAR\r\n",
                      day, day, hour, minute, day + 1, hour, minute);
        EXPECT_TRUE(importIcsText(*table, event, "t.ics", region).ok);
        return entries();
    }
};

TEST_F(TimeTextTest, EveryUseWritesATimeOfDayAlike) {
    const struct {
        int hour, minute;
        std::string full, plannerHour, noSuffix;
    } rows[] = {
        {0, 15, "0:15am", "0:15am", "0:15"},     {9, 5, "9:05am", "9:05am", "9:05"},
        {11, 59, "11:59am", "11:59am", "11:59"}, {12, 0, "12:00pm", "noon", "12:00"},
        {12, 15, "12:15pm", "12:15pm", "12:15"}, {13, 5, "1:05pm", "1:05pm", "1:05"},
        {23, 59, "11:59pm", "11:59pm", "11:59"},
    };
    int day = 1;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.full);
        EXPECT_EQ(twelveHourTime(r.hour, r.minute), r.full);
        EXPECT_EQ(twelveHourTime(r.hour, r.minute, TimeForm::kPlannerHour), r.plannerHour);
        EXPECT_EQ(twelveHourTime(r.hour, r.minute, TimeForm::kNoSuffix), r.noSuffix);
        EXPECT_EQ(describeNext(localTime(2024, 3, 16, r.hour, r.minute), r.hour, r.minute, "Visit",
                               localTime(2024, 3, 15, 0, 0)),
                  " Tommorrow at " + r.full + ": Visit  ");

        // An event into the next day: its time before its text where it is off its slot's own
        // time, and its end on the next day.
        day += 2;
        const auto all = importVisit(day, r.hour, r.minute, {});
        const auto has = [&](const std::string& entry) { return std::find(all.begin(), all.end(), entry) != all.end(); };
        EXPECT_TRUE(has("Until " + r.full + ": Visit@" + format(2024, 3, day + 1, 6, 0)));
        const bool early = r.hour < 6;
        if (early || r.minute % 30 != 0) {
            EXPECT_TRUE(has(r.full + " Visit@" + format(2024, 3, day, early ? 6 : r.hour, early ? 0 : r.minute / 30 * 30)));
        }
    }
}

TEST_F(TimeTextTest, The24HourClockWritesTwoDigitHoursInEveryUse) {
    const RegionSettings clock24{true, 1};
    const struct {
        int hour, minute;
        std::string text;
    } rows[] = {{0, 15, "00:15"}, {9, 5, "09:05"}, {12, 0, "12:00"}, {23, 59, "23:59"}};
    int day = 1;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        for (const TimeForm form : {TimeForm::kFull, TimeForm::kPlannerHour, TimeForm::kNoSuffix})
            EXPECT_EQ(timeText(r.hour, r.minute, form, clock24), r.text);
        EXPECT_EQ(describeNext(localTime(2024, 3, 16, r.hour, r.minute), r.hour, r.minute, "Visit",
                               localTime(2024, 3, 15, 0, 0), clock24),
                  " Tommorrow at " + r.text + ": Visit  ");
        day += 2;
        const auto all = importVisit(day, r.hour, r.minute, clock24);
        EXPECT_NE(std::find(all.begin(), all.end(), "Until " + r.text + ": Visit@" + format(2024, 3, day + 1, 6, 0)),
                  all.end());
    }
}

} // namespace
} // namespace zc::rbtest
