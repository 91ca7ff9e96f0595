// The clock and the first day of the week under a German LC_TIME: the grids' columns and their
// click maps, the week view, the times in every window and on paper, and the Advanced dialog's
// choice taking hold in every open window at once and across a restart.
#include "settings_fixture.h"

#include "app/view_year.h"
#include "data/tray_tip.h"
#include "platform/platform.h"
#include "reminders/advanced_dialog.h"
#include "reminders/reminder_wnd.h"
#include "ui/command_ids.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcsvg.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

namespace zc::test {
namespace {

// LC_TIME for the lifetime of the object; LC_ALL, which would override it, is set aside meanwhile.
class ScopedTimeLocale {
  public:
    explicit ScopedTimeLocale(const char* locale) : all_(get("LC_ALL")), time_(get("LC_TIME")) {
        unsetenv("LC_ALL");
        setenv("LC_TIME", locale, 1);
    }
    ~ScopedTimeLocale() {
        restore("LC_ALL", all_);
        restore("LC_TIME", time_);
    }

  private:
    static std::optional<std::string> get(const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void restore(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    std::optional<std::string> all_, time_;
};

class RegionTest : public SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        locale_.emplace("de_DE.UTF-8");
        if (platform::localeTimeConventions().firstWeekday != 2)
            GTEST_SKIP() << "the locale de_DE.UTF-8 is not generated here (scripts/setup.sh generates it)";
        openFrame();
    }
    void TearDown() override {
        SettingsTest::TearDown();
        locale_.reset();
    }

    // The texts a drawing routine writes, in the order it writes them.
    template <typename Draw> std::vector<std::string> textsDrawn(Draw draw) {
        const std::string file = (dir / "drawn.svg").string();
        {
            wxSVGFileDC dc(file, 2000, 4000);
            draw(dc);
        }
        std::ifstream in(file);
        std::stringstream svg;
        svg << in.rdbuf();
        const std::string all = svg.str();
        std::vector<std::string> texts;
        static const std::regex text(R"(<text[^>]*>([^<]*)</text>)");
        for (auto it = std::sregex_iterator(all.begin(), all.end(), text); it != std::sregex_iterator(); ++it) {
            std::string t = (*it)[1];
            while (!t.empty() && t.back() == ' ')
                t.pop_back();
            if (!t.empty()) texts.push_back(t);
        }
        return texts;
    }

    static std::string format(const char* what, int y, int m, int d) {
        return std::string(what) + " " + std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
    }

    // Clicks every cell of a month's first and last week at the place a Monday-first grid puts it
    // (block at origin, day rows from row 2) and expects each to open that date's planner.
    void expectMondayFirstClicks(int year, int month, wxPoint origin, wxSize cell,
                                 const std::function<void(int, int)>& leftClick) {
        const int firstColumn = (toLocal(localTime(year, month, 1, 12, 0)).weekday + 5) % 7;
        const int days = daysInMonth(year, month);
        const int lastRow = (firstColumn + days - 1) / 7;
        for (int d = 1; d <= days; ++d) {
            const int index = firstColumn + d - 1;
            if (index / 7 != 0 && index / 7 != lastRow) continue;
            closeFeatureWindows();
            leftClick(origin.x + index % 7 * cell.x + cell.x / 2, origin.y + (2 + index / 7) * cell.y + cell.y / 2);
            EXPECT_EQ(openWindows(), std::vector<std::string>{format("planner", year, month, d)});
        }
    }

    std::optional<ScopedTimeLocale> locale_;
};

TEST_F(RegionTest, MonthAndYearGridsStartOnMondayAndEveryCellOfTheirEdgeWeeksOpensItsDate) {
    EXPECT_EQ(settings().region, (RegionSettings{true, 2}));
    // 2024 starts on a Monday, has a 29 February and ends on a Tuesday; 2015 is the year view's.
    for (int month = 1; month <= 12; ++month) {
        SCOPED_TRACE("month " + std::to_string(month));
        view().showMonth(2024, month);
        paint();
        expectMondayFirstClicks(2024, month, {0, 0}, view().cell(), [&](int x, int y) { view().leftClick(x, y); });
    }
    const std::vector<std::string> heads =
        textsDrawn([&](wxDC& dc) { view().drawMonth(dc, false); });
    ASSERT_GE(heads.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(heads.begin() + 3, heads.begin() + 10),
              (std::vector<std::string>{"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"}));

    ViewYear::open(frame->context());
    ViewYear& year = *ViewYear::instance();
    const CellRect first = year.cellRect(1, 1);
    const wxSize cell(first.right - first.left, first.bottom - first.top);
    for (int month = 1; month <= 12; ++month) {
        SCOPED_TRACE("year view, month " + std::to_string(month));
        const wxPoint origin((month - 1) % 4 * 7 * cell.x, (month - 1) / 4 * 8 * cell.y);
        expectMondayFirstClicks(2015, month, origin, cell, [&](int x, int y) {
            ViewYear::open(frame->context());
            ViewYear::instance()->leftClick(x, y);
        });
    }
}

TEST_F(RegionTest, TheWeekRunsFromMondayAndScreenPaperTipAndReminderShowThe24HourClock) {
    // Wednesday 12 August 2015: its week runs from Monday the 10th to Sunday the 16th.
    const auto add = [&](int day, int hour, int minute, const char* notes) {
        frame->table().setSlotText(2015, 8, day, hour, minute, notes, -1);
    };
    add(10, 14, 30, "Dentist");
    add(16, 0, 15, "Night train");
    add(9, 9, 0, "Last Sunday");
    paint();
    view().rightClick((view().dayRect(12).left + view().dayRect(12).right) / 2, view().dayRect(12).top + 3);
    ASSERT_NE(ViewWeek::instance(), nullptr);
    ViewWeek& week = *ViewWeek::instance();
    EXPECT_EQ(week.GetTitle(), "Appointments for the week starting Monday, August 10, 2015");

    const std::vector<std::string> screen = textsDrawn([&](wxDC& dc) { week.drawWeek(dc, 0); });
    const std::vector<std::string> expected = {
        "Monday, August 10", "14:30", "Dentist", "Tuesday, August 11", "Wednesday, August 12",
        "Thursday, August 13", "Friday, August 14", "Saturday, August 15", "Sunday, August 16", "00:15",
        "Night train"};
    EXPECT_EQ(screen, expected);
    std::vector<std::string> paper = textsDrawn([&](wxDC& dc) { week.printPage(dc, 1); });
    ASSERT_FALSE(paper.empty());
    EXPECT_EQ(paper.front(), "For the week 8/10/2015     by Zorvel Calendar");
    EXPECT_EQ(std::vector<std::string>(paper.begin() + 1, paper.end()), expected);

    clock.t = localTime(2015, 8, 10, 9, 0);
    EXPECT_EQ(trayTip(frame->table(), static_cast<Time32>(clock.t), settings().region), " 14:30: Dentist  ");
    ReminderWnd* reminder = showReminder(frame->context(), 14, 30, "Dentist");
    EXPECT_EQ(reminder->GetTitle(), " 14:30");

    openDayPlanner(frame->context(), 2015, 8, 10);
    AppointBook2* planner = AppointBook2::find(2015, 8, 10);
    ASSERT_NE(planner, nullptr);
    const std::vector<std::string> day = textsDrawn([&](wxDC& dc) { planner->printPage(dc, 1); });
    for (const char* label : {"06:00", "06:30", "12:00", "14:00", "14:30", "23:30", "Dentist"})
        EXPECT_NE(std::find(day.begin(), day.end(), label), day.end()) << label;
    EXPECT_EQ(std::find(day.begin(), day.end(), "noon"), day.end());
}

TEST_F(RegionTest, TheAdvancedDialogChangesEveryOpenWindowAtOnceAndARestartKeepsTheChoice) {
    view().showMonth(2015, 8);
    frame->table().setSlotText(2015, 8, 12, 14, 30, "Dentist", -1);
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
    // The month grid: the 1st of August 2015, a Saturday, moves to the last column of a Sunday week.
    EXPECT_EQ(view().dayRect(1).left, 6 * view().cell().x);
    EXPECT_EQ(ViewYear::instance()->cellRect(8, 1).left, ViewYear::instance()->cellRect(8, 8).left);
    EXPECT_EQ(ViewWeek::instance()->firstDay().day, 9);
    EXPECT_EQ(ViewWeek::instance()->GetTitle(), "Appointments for the week starting Sunday, August 9, 2015");
    EXPECT_EQ(reminder->GetTitle(), " 2:30pm");
    EXPECT_EQ(frame->settings().region, (RegionSettings{false, 1}));

    // The locale says otherwise, yet the choice holds after a restart.
    openFrame();
    EXPECT_EQ(settings().region, (RegionSettings{false, 1}));
    EXPECT_EQ(settings::loadRegionSettings(), (RegionSettings{false, 1}));
    // Choosing only the clock again leaves the week as chosen before.
    choose(true, 1);
    openFrame();
    EXPECT_EQ(settings().region, (RegionSettings{true, 1}));
}

} // namespace
} // namespace zc::test
