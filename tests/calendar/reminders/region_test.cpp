// Under a German LC_TIME: Monday-first grids and their click maps, the 24-hour clock on screen,
// paper, tip and reminder, and the Advanced dialog's choice in every window and across a restart.
#include "settings_fixture.h"

#include "app/view_year.h"
#include "data/tray_tip.h"
#include "platform/platform.h"
#include "reminders/advanced_dialog.h"
#include "reminders/reminder_wnd.h"
#include "ui/command_ids.h"

#include <wx/checkbox.h>
#include <wx/choice.h>

#include <cstdlib>

namespace zc::test {
namespace {

class RegionTest : public SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        if (const char* all = std::getenv("LC_ALL")) savedAll_ = all;
        unsetenv("LC_ALL"); // it would override LC_TIME
        setenv("LC_TIME", "de_DE.UTF-8", 1);
        if (platform::localeTimeConventions().firstWeekday != 2) GTEST_SKIP() << "de_DE.UTF-8 not generated";
        openFrame();
    }
    void TearDown() override {
        SettingsTest::TearDown();
        unsetenv("LC_TIME");
        if (!savedAll_.empty()) setenv("LC_ALL", savedAll_.c_str(), 1);
    }

    // Clicks every cell of a month's first and last week where a Monday-first grid puts it (block
    // at origin, day rows from row 2); each must open that date's planner.
    void expectMondayFirstClicks(int year, int month, wxPoint origin, wxSize cell,
                                 const std::function<void(int, int)>& leftClick) {
        const int firstColumn = (toLocal(localTime(year, month, 1, 12, 0)).weekday + 5) % 7;
        const int days = daysInMonth(year, month), lastRow = (firstColumn + days - 1) / 7;
        for (int d = 1; d <= days; ++d) {
            const int index = firstColumn + d - 1;
            if (index / 7 != 0 && index / 7 != lastRow) continue;
            closeFeatureWindows();
            leftClick(origin.x + index % 7 * cell.x + cell.x / 2, origin.y + (2 + index / 7) * cell.y + cell.y / 2);
            EXPECT_EQ(openWindows(), std::vector<std::string>{"planner " + std::to_string(year) + "-" +
                                                              std::to_string(month) + "-" + std::to_string(d)});
        }
    }
    std::string savedAll_;
};

TEST_F(RegionTest, MonthAndYearGridsStartOnMondayAndEveryCellOfTheirEdgeWeeksOpensItsDate) {
    EXPECT_EQ(settings().region, (RegionSettings{true, 2}));
    // 2024 starts on a Monday, has a 29 February and ends on a Tuesday.
    for (int month = 1; month <= 12; ++month) {
        SCOPED_TRACE(month);
        view().showMonth(2024, month);
        paint();
        expectMondayFirstClicks(2024, month, {0, 0}, view().cell(), [&](int x, int y) { view().leftClick(x, y); });
    }
    const std::vector<std::string> heads = textsDrawn([&](wxDC& dc) { view().drawMonth(dc, false); });
    ASSERT_GE(heads.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(heads.begin() + 3, heads.begin() + 10),
              (std::vector<std::string>{"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"}));

    ViewYear::open(frame->context());
    const CellRect first = ViewYear::instance()->cellRect(1, 1);
    const wxSize cell(first.right - first.left, first.bottom - first.top);
    for (int month = 1; month <= 12; ++month) {
        SCOPED_TRACE(month);
        const wxPoint origin((month - 1) % 4 * 7 * cell.x, (month - 1) / 4 * 8 * cell.y);
        expectMondayFirstClicks(2015, month, origin, cell, [&](int x, int y) {
            ViewYear::open(frame->context());
            ViewYear::instance()->leftClick(x, y);
        });
    }
}

TEST_F(RegionTest, TheWeekRunsFromMondayAndScreenPaperTipAndReminderShowThe24HourClock) {
    // Wednesday 12 August 2015: its week runs from Monday the 10th to Sunday the 16th.
    frame->table().setSlotText(2015, 8, 10, 14, 30, "Dentist", -1);
    frame->table().setSlotText(2015, 8, 16, 0, 15, "Night train", -1);
    frame->table().setSlotText(2015, 8, 9, 9, 0, "Last Sunday", -1);
    ViewWeek::open(frame->context(), 2015, 8, 12);
    ViewWeek& week = *ViewWeek::instance();
    EXPECT_EQ(week.GetTitle(), "Appointments for the week starting Monday, August 10, 2015");
    const std::vector<std::string> expected = {
        "Monday, August 10", "14:30", "Dentist", "Tuesday, August 11", "Wednesday, August 12",
        "Thursday, August 13", "Friday, August 14", "Saturday, August 15", "Sunday, August 16", "00:15",
        "Night train"};
    EXPECT_EQ(textsDrawn([&](wxDC& dc) { week.drawWeek(dc, 0); }), expected);
    std::vector<std::string> paper = textsDrawn([&](wxDC& dc) { week.printPage(dc, 1); });
    ASSERT_FALSE(paper.empty());
    EXPECT_EQ(paper.front(), "For the week 8/10/2015     by Zorvel Calendar");
    EXPECT_EQ(std::vector<std::string>(paper.begin() + 1, paper.end()), expected);

    clock.t = localTime(2015, 8, 10, 9, 0);
    EXPECT_EQ(trayTip(frame->table(), static_cast<Time32>(clock.t), settings().region), " 14:30: Dentist  ");
    EXPECT_EQ(showReminder(frame->context(), 14, 30, "Dentist")->GetTitle(), " 14:30");
    openDayPlanner(frame->context(), 2015, 8, 10);
    const std::vector<std::string> day =
        textsDrawn([&](wxDC& dc) { AppointBook2::find(2015, 8, 10)->printPage(dc, 1); });
    for (const char* label : {"06:00", "12:00", "14:30", "23:30", "Dentist"})
        EXPECT_NE(std::find(day.begin(), day.end(), label), day.end()) << label;
    EXPECT_EQ(std::find(day.begin(), day.end(), "noon"), day.end());
}

TEST_F(RegionTest, TheAdvancedDialogChangesEveryOpenWindowAtOnceAndARestartKeepsTheChoice) {
    view().showMonth(2015, 8);
    ViewWeek::open(frame->context(), 2015, 8, 12);
    ViewYear::open(frame->context());
    ReminderWnd* reminder = showReminder(frame->context(), 14, 30, "Dentist");
    const auto choose = [&](bool clock24, int weekStart) {
        whileOpen(cmd::kAdvanced, "advancedDialog", [&](wxDialog& dialog) {
            wxDynamicCast(dialog.FindWindow(CAdvancedDialog::kClock24), wxCheckBox)->SetValue(clock24);
            wxDynamicCast(dialog.FindWindow(CAdvancedDialog::kWeekStart), wxChoice)->SetSelection(weekStart - 1);
            click(dialog, wxID_OK);
        });
    };
    choose(false, 1);
    // Saturday 1 August 2015 moves to the last column of a Sunday week in every grid.
    EXPECT_EQ(view().dayRect(1).left, 6 * view().cell().x);
    EXPECT_EQ(ViewYear::instance()->cellRect(8, 1).left, ViewYear::instance()->cellRect(8, 8).left);
    EXPECT_EQ(ViewWeek::instance()->GetTitle(), "Appointments for the week starting Sunday, August 9, 2015");
    EXPECT_EQ(reminder->GetTitle(), " 2:30pm");
    // The locale says otherwise, yet the choice holds after a restart; choosing the clock again
    // keeps the week as chosen.
    openFrame();
    EXPECT_EQ(settings().region, (RegionSettings{false, 1}));
    choose(true, 1);
    openFrame();
    EXPECT_EQ(settings().region, (RegionSettings{true, 1}));
}

} // namespace
} // namespace zc::test
