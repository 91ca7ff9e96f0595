#include "app_fixture.h"

#include <wx/dcmemory.h>

#include <string>
#include <vector>

namespace zc::test {
namespace {

class MonthViewTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        openFrame();
    }

    static std::string format(const char* what, int y, int m, int d) {
        return std::string(what) + " " + std::to_string(y) + "-" + std::to_string(m) + "-" +
               std::to_string(d);
    }

    // The centre of a day's cell in the month now shown.
    wxPoint centreOf(int day) {
        const CellRect& r = view().dayRect(day);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    // The windows the clicks and keys opened.
    std::vector<std::string> opened() const { return openWindows(); }
};

TEST_F(MonthViewTest, CellSizeIsMeasuredFromWeInTheMainFont) {
    wxBitmap scratch(1, 1);
    wxMemoryDC dc(scratch);
    dc.SetFont(view().mainFont());
    const wxSize we = dc.GetTextExtent("We");
    const wxSize frameSize = view().cellSize(dc);
    EXPECT_EQ(view().cell(), wxSize(we.x + 5, we.y + 4));
    EXPECT_EQ(frameSize, wxSize(7 * (we.x + 5) + 12, 8 * (we.y + 4) + 49));
    // The frame's client area holds the grid exactly.
    EXPECT_EQ(frame->GetClientSize(), wxSize(7 * (we.x + 5), 8 * (we.y + 4)));
}

// The month view once took no keys: a planner could not be opened without the mouse. Each row
// presses one key in turn, from today (Wednesday, 12 August 2015).
TEST_F(MonthViewTest, KeysMoveTheSelectedDayStepMonthsAndOpenThePlanner) {
    const std::pair<int, const char*> rows[] = {{WXK_RIGHT, "2015-8-13"}, {WXK_DOWN, "2015-8-20"}, {WXK_DOWN, "2015-8-27"},
        {WXK_DOWN, "2015-9-3"}, {WXK_LEFT, "2015-9-2"}, {WXK_UP, "2015-8-26"}, {WXK_PAGEUP, "2015-7-26"},
        {WXK_PAGEDOWN, "2015-8-26"}, {WXK_RETURN, "2015-8-26"}};
    for (const auto& [code, shown] : rows) {
        wxKeyEvent key(wxEVT_KEY_DOWN);
        key.m_keyCode = code;
        view().ProcessWindowEvent(key);
        EXPECT_EQ(format("", view().shownYear(), view().shownMonth(), view().selectedDay()), std::string(" ") + shown);
    }
    EXPECT_EQ(opened(), std::vector<std::string>{"planner 2015-8-26"});
}

TEST_F(MonthViewTest, DayRowsFollowTheFirstWeekdayAndTheLengthOfTheMonth) {
    struct Row {
        int year, month;
        int firstColumn; // 0 = Sunday
        int rows;
    };
    const Row rows[] = {
        {2015, 2, 0, 4}, // 28 days from a Sunday: exactly four rows
        {2015, 8, 6, 6}, // 31 days from a Saturday: six rows
        {2016, 2, 1, 5}, // 29 days from a Monday
        {1970, 1, 4, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.year) + "-" + std::to_string(row.month));
        view().showMonth(row.year, row.month);
        paint();
        const wxSize cell = view().cell();
        const int last = daysInMonth(row.year, row.month);
        EXPECT_EQ(view().dayRect(1).left, row.firstColumn * cell.x);
        EXPECT_EQ(view().dayRect(1).top, 2 * cell.y);
        EXPECT_EQ(view().dayRect(last).top, (1 + row.rows) * cell.y);
        for (int d = last + 1; d <= 31; ++d)
            EXPECT_TRUE(view().dayRect(d).empty()) << d;
    }
}

TEST_F(MonthViewTest, TodayIsFramedOnlyInItsOwnMonthAndMarkedDaysUseTheirColour) {
    Appointment& a = frame->table().construct();
    a.setWhen(2015, 8, 20, 23, 30, -1, "Late call");
    a.schedule(true);

    const Colours& c = colours();
    view().showMonth(2015, 8);
    wxImage image = paint();
    const CellRect today = view().dayRect(12);
    EXPECT_EQ(pixel(image, today.left + 1, today.top + 1), c.currentday);
    EXPECT_EQ(pixel(image, today.left + 2, today.top + 2), c.currentday);
    const CellRect other = view().dayRect(13);
    EXPECT_EQ(pixel(image, other.left + 1, other.top + 1), c.back);
    // The raised frame: top-left edges in toplite, bottom-right in botlite.
    EXPECT_EQ(pixel(image, other.left, other.top), c.toplite);
    EXPECT_EQ(pixel(image, other.right - 2, other.bottom - 2), c.botlite);

    const auto countMarked = [&](int day) {
        const CellRect r = view().dayRect(day);
        int n = 0;
        for (int y = r.top + 3; y < r.bottom - 3; ++y)
            for (int x = r.left + 3; x < r.right - 3; ++x)
                if (pixel(image, x, y) == c.hasappoint) ++n;
        return n;
    };
    EXPECT_GT(countMarked(20), 0);
    EXPECT_EQ(countMarked(21), 0);
    EXPECT_EQ(countMarked(12), 0);

    view().showMonth(2015, 9);
    image = paint();
    EXPECT_EQ(pixel(image, view().dayRect(12).left + 1, view().dayRect(12).top + 1), c.back);
}

TEST_F(MonthViewTest, LeftClicksOpenTheLowerDayOnSharedBordersAndTheToDoListElsewhere) {
    view().showMonth(2015, 8);
    const CellRect d1 = view().dayRect(1), d2 = view().dayRect(2), d9 = view().dayRect(9);
    const wxSize cell = view().cell();
    struct Row {
        int x, y;
        std::string expected;
    };
    const Row rows[] = {
        {(d2.left + d2.right) / 2, (d2.top + d2.bottom) / 2, "planner 2015-8-2"},
        {d2.right, d2.top + 3, "planner 2015-8-2"}, // border of 2 and 3
        {d9.left + 3, d9.top, "planner 2015-8-2"},  // border of 2 and 9
        {d9.right, d9.bottom, "planner 2015-8-9"},  // corner of 9, 10, 16 and 17
        {d1.left, d1.top, "planner 2015-8-1"},      // corner of day 1
        {3 * cell.x, cell.y / 2, "todo"},           // the title
        {2 * cell.x, cell.y + 2, "todo"},           // the weekday row
        {cell.x / 2, 2 * cell.y + 3, "todo"},       // an empty cell before the 1st
    };
    for (const Row& row : rows) {
        closeFeatureWindows();
        view().leftClick(row.x, row.y);
        ASSERT_EQ(opened().size(), 1u) << row.x << "," << row.y;
        EXPECT_EQ(opened()[0], row.expected) << row.x << "," << row.y;
    }
}

TEST_F(MonthViewTest, AStaleDay31IsAnEmptyPlaceInA30DayMonth) {
    view().showMonth(2015, 8);
    const wxPoint where31 = centreOf(31);
    view().showMonth(2015, 9);
    view().leftClick(where31.x, where31.y);
    EXPECT_EQ(opened(), std::vector<std::string>{"todo"});
    closeFeatureWindows();
    view().rightClick(where31.x, where31.y);
    EXPECT_TRUE(opened().empty());
}

TEST_F(MonthViewTest, RightClicksOpenTheWeekOfADayAndNothingElsewhere) {
    view().showMonth(2015, 8);
    const wxPoint d5 = centreOf(5);
    view().rightClick(d5.x, d5.y);
    view().rightClick(3 * view().cell().x, view().cell().y / 2);
    view().rightClick(2 * view().cell().x, view().cell().y + 2);
    // The week view shows the week of the 5th, which starts on Sunday the 2nd.
    EXPECT_EQ(opened(), std::vector<std::string>{"week 2015-8-2"});
}

TEST_F(MonthViewTest, MonthAndYearStepsStayWithin1970And2037) {
    struct Row {
        int year, month;
        bool left, onNext;
        int expectedYear, expectedMonth;
    };
    const Row rows[] = {
        {2015, 3, true, false, 2015, 2},  {2015, 12, true, true, 2016, 1},  {2016, 1, true, false, 2015, 12},
        {1970, 1, true, false, 1970, 12}, // the year is clamped, the month kept
        {2037, 12, true, true, 2037, 1},  {2015, 3, false, false, 2014, 3}, {2015, 3, false, true, 2016, 3},
        {1970, 6, false, false, 1970, 6}, // refused below 1970
        {2037, 6, false, true, 2037, 6},  // refused above 2037
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.year) + "-" + std::to_string(row.month) +
                     (row.left ? " left" : " right") + (row.onNext ? " >>" : " <<"));
        view().showMonth(row.year, row.month);
        const CellRect r = row.onNext ? view().nextRect() : view().previousRect();
        const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        if (row.left)
            view().leftClick(x, y);
        else
            view().rightClick(x, y);
        EXPECT_EQ(view().shownYear(), row.expectedYear);
        EXPECT_EQ(view().shownMonth(), row.expectedMonth);
        EXPECT_TRUE(opened().empty());
    }
}

TEST_F(MonthViewTest, ThisMonthReturnsToTodaysMonth) {
    view().showMonth(1999, 4);
    view().showThisMonth();
    EXPECT_EQ(view().shownYear(), 2015);
    EXPECT_EQ(view().shownMonth(), 8);
}

TEST_F(MonthViewTest, ClosingPurgesOldMonthsAndSavesTheColours) {
    Appointment& old = frame->table().construct();
    old.setWhen(2010, 5, 15, 9, 0, -1, "Long ago");
    old.schedule(true);
    colours().fore = 0x112233;
    closeFrame();
    SettingsKey month;
    EXPECT_FALSE(month.openMonthForRead(2010, 5));
    SettingsKey group;
    ASSERT_TRUE(group.openPathForRead("Colors"));
    EXPECT_EQ(group.readDword("fore"), 0x112233);
}

} // namespace
} // namespace zc::test
