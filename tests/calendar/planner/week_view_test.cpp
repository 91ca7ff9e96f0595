#include "views_fixture.h"

#include "ui/command_ids.h"
#include "planner/view_week.h"

namespace zc::test {
namespace {

class WeekViewTest : public ViewsTest {
  protected:
    ViewWeek& openWeek(int y, int m, int d) {
        view().openWeekView(y, m, d);
        EXPECT_NE(ViewWeek::instance(), nullptr);
        return *ViewWeek::instance();
    }
    // The screen as the one drawing routine paints it.
    wxImage paintWeek(ViewWeek& week) {
        const wxSize size = week.canvas()->GetClientSize();
        wxBitmap bitmap(size.x, size.y, 24);
        {
            wxMemoryDC dc(bitmap);
            week.drawWeek(dc, 0);
        }
        return bitmap.ConvertToImage();
    }
    static LocalDate date(int y, int m, int d) { return toLocal(localTime(y, m, d, 12, 0)); }
};

TEST_F(WeekViewTest, AnEmptyWeekShowsItsSevenHeaders) {
    ViewWeek& week = openWeek(2015, 8, 12);
    EXPECT_EQ(week.GetTitle(), "Appointments for the week starting Sunday, August 9, 2015");
    EXPECT_EQ(week.lineCount(), 7);
    const wxImage image = paintWeek(week);
    const int lh = week.lineHeight();
    for (int d = 0; d < 7; ++d)
        EXPECT_TRUE(hasColour(image, wxRect(0, 1 + d * lh, 300, lh), colours().hasappoint)) << "day " << d;
    EXPECT_FALSE(hasColour(image, wxRect(0, 1 + 7 * lh, 300, lh), colours().hasappoint));
}

TEST_F(WeekViewTest, TimesReadAsTwelveHourClockTimes) {
    struct Row {
        int hour, minute;
        const char* screen;
    };
    const Row rows[] = {{0, 15, "0:15am"}, {11, 30, "11:30am"}, {12, 0, "12:00pm"}, {13, 5, "1:05pm"}, {23, 59, "11:59pm"}};
    for (const Row& r : rows) {
        EXPECT_EQ(ViewWeek::timeText(r.hour, r.minute, false), r.screen);
        EXPECT_EQ(ViewWeek::timeText(r.hour, r.minute, true), wxString(r.screen) + " ");
    }
}

TEST_F(WeekViewTest, EntriesAreListedUnderTheirDayInTimeOrder) {
    addEntry(2015, 8, 11, 13, 5, "late");
    addEntry(2015, 8, 11, 0, 15, "early");
    addEntry(2015, 8, 16, 9, 0, "next week");
    ViewWeek& week = openWeek(2015, 8, 12);
    const auto tuesday = week.entriesOf(2);
    ASSERT_EQ(tuesday.size(), 2u);
    EXPECT_EQ(tuesday[0]->stored.notes, "early");
    EXPECT_EQ(tuesday[1]->stored.notes, "late");
    EXPECT_EQ(week.lineCount(), 9);
}

TEST_F(WeekViewTest, ALeftClickOpensThePlannerOfTheDayAndBelowTheLastDayNothing) {
    addEntry(2015, 8, 10, 9, 0, "monday");
    ViewWeek& week = openWeek(2015, 8, 12);
    const int lh = week.lineHeight();
    week.leftClick(1 + lh / 2);       // Sunday's header
    week.leftClick(1 + 2 * lh + 2);   // Monday's entry
    week.leftClick(1 + 3 * lh + 2);   // Tuesday's header
    week.leftClick(1 + 8 * lh + 2);   // below Saturday
    EXPECT_EQ(planners(), (std::vector<std::string>{"2015-8-9", "2015-8-10", "2015-8-11"}));
}

TEST_F(WeekViewTest, PreviousAndNextStepAWeekAndReturnToTheFirstLine) {
    for (int h = 0; h < 24; ++h)
        addEntry(2015, 8, 10, h, 0, "x");
    ViewWeek& week = openWeek(2015, 8, 12);
    week.scrollTo(5);
    EXPECT_EQ(week.scrollLine(), 5);
    week.runCommand(cmd::kListNext);
    EXPECT_EQ(week.sunday().day, 16);
    EXPECT_EQ(week.scrollLine(), 1);
    week.runCommand(cmd::kListPrevious);
    week.runCommand(cmd::kListPrevious);
    EXPECT_EQ(week.sunday().day, 2);
    EXPECT_EQ(week.scrollLine(), 1);
}

TEST_F(WeekViewTest, ADateOfTheShownWeekLeavesItWhereItIsAndAFarDateStepsToIt) {
    for (int h = 0; h < 24; ++h)
        addEntry(2015, 8, 10, h, 0, "x");
    ViewWeek& week = openWeek(2015, 8, 12);
    week.scrollTo(3);
    view().openWeekView(2015, 8, 15);
    EXPECT_EQ(week.sunday().day, 9);
    EXPECT_EQ(week.scrollLine(), 3);
    view().openWeekView(2017, 8, 15);
    EXPECT_EQ(ViewWeek::instance(), &week);
    EXPECT_EQ(week.sunday().year, 2017);
    EXPECT_EQ(week.sunday().month, 8);
    EXPECT_EQ(week.sunday().day, 13);
    EXPECT_EQ(week.scrollLine(), 1);
    EXPECT_EQ(countOpen<ViewWeek>(), 1);
}

TEST_F(WeekViewTest, OnlyDatesThatDoNotExistAreRefused) {
    struct Row {
        int y, m, d;
        bool opens;
    };
    const Row rows[] = {{2016, 2, 29, true},  {2015, 2, 29, false}, {2015, 6, 31, false}, {2015, 9, 31, false},
                        {2015, 11, 31, false}, {2015, 4, 31, false}, {2015, 4, 30, true},  {2015, 12, 31, true},
                        {2015, 13, 1, false},  {2015, 1, 0, false}};
    for (const Row& r : rows) {
        view().openWeekView(r.y, r.m, r.d);
        EXPECT_EQ(ViewWeek::instance() != nullptr, r.opens) << r.y << "-" << r.m << "-" << r.d;
        delete ViewWeek::instance();
    }
    // A refused date leaves an open week view on its week.
    ViewWeek& week = openWeek(2015, 8, 12);
    view().openWeekView(2015, 2, 29);
    EXPECT_EQ(week.sunday().day, 9);
    view().openWeekView(2016, 2, 29);
    EXPECT_EQ(week.sunday().month, 2);
    EXPECT_EQ(week.sunday().day, 28);
}

TEST_F(WeekViewTest, TheWeekHoldsItsSevenCalendarDaysAcrossAChangeOfDaylightSaving) {
    // Summer time began on Sunday, 29 March 2015, at 2:00 and ended on Sunday, 25 October, at 3:00.
    for (const LocalDate sunday : {date(2015, 3, 29), date(2015, 10, 25)}) {
        addEntry(sunday.year, sunday.month, sunday.day, 0, 30, "before six");
        const LocalDate saturday = date(sunday.year, sunday.month, sunday.day + 6);
        addEntry(saturday.year, saturday.month, saturday.day, 23, 30, "late saturday");
        const LocalDate wednesday = date(sunday.year, sunday.month, sunday.day + 3);
        ViewWeek& week = openWeek(wednesday.year, wednesday.month, wednesday.day);
        EXPECT_EQ(toLocal(week.weekStart()).hour, 6);
        EXPECT_EQ(toLocal(week.weekStart()).day, sunday.day);
        ASSERT_EQ(week.entriesOf(0).size(), 1u);
        EXPECT_EQ(week.entriesOf(0)[0]->stored.notes, "before six");
        ASSERT_EQ(week.entriesOf(6).size(), 1u);
        week.runCommand(cmd::kListNext);
        week.runCommand(cmd::kListPrevious);
        EXPECT_EQ(toLocal(week.weekStart()).hour, 6);
        EXPECT_EQ(week.sunday().day, sunday.day);
        delete &week;
    }
}

TEST_F(WeekViewTest, EveryLineOfAFullWeekCanBeScrolledIntoSight) {
    for (int d = 9; d <= 15; ++d)
        for (int slot = 0; slot < 36; ++slot)
            addEntry(2015, 8, d, 6 + slot / 2, slot % 2 * 30, "busy");
    ViewWeek& week = openWeek(2015, 8, 12);
    EXPECT_EQ(week.lineCount(), 7 * 37);
    wxKeyEvent pageDown(wxEVT_CHAR_HOOK);
    pageDown.m_keyCode = WXK_PAGEDOWN;
    pageDown.SetEventObject(&week);
    week.ProcessWindowEvent(pageDown);
    EXPECT_EQ(week.scrollLine(), 1 + ViewWeek::kScreenLines);
    week.scrollTo(100000);
    EXPECT_EQ(week.scrollLine(), 7 * 37 - ViewWeek::kScreenLines + 1);
    // Saturday's last entry ends at the bottom of the 22 visible lines.
    EXPECT_EQ(week.dayBottoms()[6], 1 + ViewWeek::kScreenLines * week.lineHeight());
    week.scrollTo(0);
    EXPECT_EQ(week.scrollLine(), 1);
}

TEST_F(WeekViewTest, PagesHoldEveryLineOnceAndNoPageIsEmpty) {
    using Counts = std::array<int, 7>;
    struct Row {
        Counts counts;
        int pages;
    };
    const Row rows[] = {
        {{0, 0, 0, 0, 0, 0, 0}, 1},
        {{36, 36, 36, 36, 36, 36, 36}, 7},  // 37 lines a day: one day a page
        {{20, 20, 14, 0, 0, 0, 0}, 2},       // 21 + 21 + 15 = 57 lines, then the four headers fit too
        {{57, 0, 0, 0, 0, 0, 0}, 2},         // exactly one page, then the rest
        {{150, 0, 0, 0, 0, 0, 2}, 3},        // a day longer than two pages runs on over three
    };
    for (const Row& r : rows) {
        const auto pages = ViewWeek::paginate(r.counts);
        EXPECT_EQ(static_cast<int>(pages.size()), r.pages);
        std::array<int, 7> entries{};
        for (const auto& page : pages) {
            ASSERT_FALSE(page.empty());
            EXPECT_LE(static_cast<int>(page.size()), ViewWeek::kPageLines);
            EXPECT_EQ(page.front().entry, -1) << "each page starts with a day's header";
            for (const auto& row : page)
                if (row.entry >= 0) {
                    EXPECT_EQ(row.entry, entries[row.day]++);
                }
        }
        EXPECT_EQ(entries, r.counts);
    }
}

TEST_F(WeekViewTest, PrintsThroughTheToolkitToAFile) {
    addEntry(2015, 8, 10, 9, 0, "Dentist");
    addEntry(2015, 8, 12, 13, 5, "Lunch with Ana");
    for (int slot = 0; slot < 60; ++slot)
        addEntry(2015, 8, 14, slot / 4 + 6, slot % 4 * 15, "Friday item " + std::to_string(slot));
    ViewWeek& week = openWeek(2015, 8, 12);
    EXPECT_EQ(week.printPageCount(), 3);
    const std::string text = printToFile(week, "week.ps");
    EXPECT_NE(text.find("For the week 8/9/2015"), std::string::npos);
    EXPECT_NE(text.find("Lunch with Ana"), std::string::npos);
    EXPECT_NE(text.find("Friday item 59"), std::string::npos);
}

TEST_F(WeekViewTest, TheMainFrameClosesItWhenTheProgramEnds) {
    openWeek(2015, 8, 12);
    closeFrame();
    EXPECT_EQ(ViewWeek::instance(), nullptr);
}

} // namespace
} // namespace zc::test
