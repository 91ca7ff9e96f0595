#include "views_fixture.h"

#include "ui/command_ids.h"
#include "ui/help_topics.h"
#include "ui/toolkit_details.h"
#include "app/view_year.h"
#include "planner/to_do.h"
#include "planner/view_week.h"

#include <wx/display.h>
#include <wx/menu.h>

#include <functional>

namespace zc::test {
namespace {

class YearViewTest : public ViewsTest {
  protected:
    ViewYear& openYear() {
        frame->runCommand(cmd::kThisYear);
        EXPECT_NE(ViewYear::instance(), nullptr);
        return *ViewYear::instance();
    }
    static wxPoint centreOf(const CellRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    // The year drawn by its one routine on a white bitmap.
    static wxImage draw(ViewYear& year, bool printing) {
        wxBitmap bitmap(1400, 1000, 24);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            year.drawYear(dc, printing);
        }
        return bitmap.ConvertToImage();
    }
    static wxRect rectOf(const CellRect& r) { return wxRect(r.left + 2, r.top + 2, r.right - r.left - 4, r.bottom - r.top - 4); }
};

TEST_F(YearViewTest, ThisYearTwiceGivesOneWindowForTheCurrentYear) {
    ViewYear& year = openYear();
    openYear();
    EXPECT_EQ(countOpen<ViewYear>(), 1);
    EXPECT_EQ(year.year(), 2015);
    EXPECT_EQ(year.GetTitle(), "2015");
}

TEST_F(YearViewTest, PreviousStopsAt1970AndNextAt2036) {
    ViewYear& year = openYear();
    for (int i = 0; i < 60; ++i)
        year.runCommand(cmd::kListPrevious);
    EXPECT_EQ(year.year(), 1970);
    EXPECT_EQ(year.GetTitle(), "1970");
    for (int i = 0; i < 80; ++i)
        year.runCommand(cmd::kListNext);
    EXPECT_EQ(year.year(), 2036);
}

TEST_F(YearViewTest, TheLeapDayOpensItsPlannerAndAfterACommonYearThatPlaceNothing) {
    ViewYear& year = openYear();
    for (int i = 0; i < 5; ++i)
        year.runCommand(cmd::kListNext);
    ASSERT_EQ(year.year(), 2020);
    const wxPoint leapDay = centreOf(year.cellRect(2, 29));
    year.leftClick(leapDay.x, leapDay.y);
    year.runCommand(cmd::kListNext);
    EXPECT_TRUE(year.cellRect(2, 29).empty());
    year.leftClick(leapDay.x, leapDay.y);
    EXPECT_EQ(planners(), (std::vector<std::string>{"2020-2-29"}));
}

TEST_F(YearViewTest, ARightClickOpensTheWeekOfTheDay) {
    ViewYear& year = openYear();
    const wxPoint at = centreOf(year.cellRect(11, 3));
    year.rightClick(at.x, at.y);
    year.rightClick(1, 1); // the name of January: no day
    // The week of Tuesday, 3 November 2015 starts on Sunday the 1st.
    EXPECT_EQ(openWindows(), (std::vector<std::string>{"week 2015-11-1"}));
}

TEST_F(YearViewTest, AStoredPositionFarRightIsIgnoredAndZeroZeroCentres) {
    writePosition(settings::kYearPosition, 2000, 0);
    ViewYear* year = &openYear();
    const wxRect screen = wxDisplay(0u).GetGeometry();
    const wxSize size = year->GetSize();
    // left 2000 reads as 0, and 0, 0 centres on the desktop.
    EXPECT_NEAR(year->GetPosition().x, (screen.width - size.x) / 2, 2);
    delete year;
    writePosition(settings::kYearPosition, 40, 30);
    year = &openYear();
    EXPECT_EQ(year->GetPosition(), wxPoint(40, 30));
}

TEST_F(YearViewTest, AppointmentDaysAreColouredOnScreenOnly) {
    addEntry(2015, 8, 20, 9, 0, "dentist");
    ViewYear& year = openYear();
    const wxImage screen = draw(year, false);
    EXPECT_TRUE(hasColour(screen, rectOf(year.cellRect(8, 20)), colours().hasappoint));
    EXPECT_FALSE(hasColour(screen, rectOf(year.cellRect(8, 21)), colours().hasappoint));
    const wxImage paper = draw(year, true);
    EXPECT_FALSE(hasColour(paper, wxRect(0, 0, 1400, 1000), colours().hasappoint));
    EXPECT_TRUE(hasColour(paper, wxRect(0, 0, 1400, 1000), colours().fore));
    EXPECT_TRUE(hasColour(paper, wxRect(0, 0, 1400, 1000), colours().back));
}

TEST_F(YearViewTest, FastPrintingHasNoFillsAndNoColours) {
    addEntry(2015, 8, 20, 9, 0, "dentist");
    settings().fastprinting = 1;
    ViewYear& year = openYear();
    const wxImage paper = draw(year, true);
    const wxRect all(0, 0, 1400, 1000);
    EXPECT_FALSE(hasColour(paper, all, colours().back));
    EXPECT_FALSE(hasColour(paper, all, colours().fore));
    EXPECT_FALSE(hasColour(paper, all, colours().hasappoint));
}

TEST_F(YearViewTest, PrintsThroughTheToolkitToAFile) {
    ViewYear& year = openYear();
    const std::string text = printToFile(year, "year.ps");
    EXPECT_NE(text.find("2015"), std::string::npos);
    EXPECT_NE(text.find("December"), std::string::npos);
    // Clicks still hit the screen's cells after printing.
    const wxPoint at = centreOf(year.cellRect(1, 1));
    year.leftClick(at.x, at.y);
    EXPECT_EQ(planners(), (std::vector<std::string>{"2015-1-1"}));
}


// A new main font left the year view at its old size (months cut off) and the week view paging by
// its old line count: each takes the size it would open with in the new font.
TEST_F(ViewsTest, OpenViewsTakeTheirSizeAgainWhenTheMainFontChanges) {
    using Open = std::function<ViewFrame*()>;
    for (const Open& open : {Open([this] { return view().openWeekView(2015, 8, 12), (ViewFrame*)ViewWeek::instance(); }),
                             Open([this] { return ViewYear::open(frame->context()), (ViewFrame*)ViewYear::instance(); })}) {
        view().setMainFont(defaultMainFont());
        ViewFrame* shown = open();
        const wxSize before = shown->canvas()->GetClientSize();
        LogFont larger = defaultMainFont();
        larger.height = larger.height * 3 / 2;
        view().setMainFont(larger);
        view().fontChangedHandler();
        const wxSize after = shown->canvas()->GetClientSize();
        shown->Destroy();
        wxYield();
        EXPECT_GT(after.y, before.y);
        EXPECT_EQ(after, open()->canvas()->GetClientSize());
    }
}

// Previous and Next took a second click on an item below the title and had no keys; the year
// view ignored Page Up, Page Down and the wheel; the week view's overlay scroll bar hid itself.
TEST_F(ViewsTest, PreviousAndNextStepAtOneClickOrKeyAndTheYearTakesPagesAndTheWheel) {
    ViewYear::open(frame->context());
    ViewYear& year = *ViewYear::instance();
    wxMenuBar* bar = year.GetMenuBar();
    wxKeyEvent pageUp(wxEVT_CHAR_HOOK);
    pageUp.m_keyCode = WXK_PAGEUP;
    wxMouseEvent wheelDown(wxEVT_MOUSEWHEEL);
    wheelDown.m_wheelRotation = -120;
    wheelDown.m_wheelDelta = 120;
    wxMenuEvent openPrevious(wxEVT_MENU_OPEN, 0, bar->GetMenu(1)), openNext(wxEVT_MENU_OPEN, 0, bar->GetMenu(2));
    const std::pair<wxEvent*, int> rows[] = {{&openPrevious, -1}, {&openNext, 1}, {&pageUp, -1}, {&wheelDown, 1}};
    for (const auto& [event, step] : rows) {
        const int before = year.year();
        (event == &wheelDown ? year.canvas() : static_cast<wxWindow*>(&year))->ProcessWindowEvent(*event);
        wxYield();
        EXPECT_EQ(year.year() - before, step) << event->GetEventType();
    }
    const std::unique_ptr<wxAcceleratorEntry> key(bar->GetMenu(1)->FindItemByPosition(0)->GetAccel());
    EXPECT_EQ(key ? key->ToString() : "", "Alt+Left");
    view().openWeekView(2015, 8, 12);
    EXPECT_TRUE(showsClassicScrollBars(ViewWeek::instance()->canvas()));
}

// The to-do, week and year windows offered only Quick Hints although their pages exist, and no
// page told of the iCalendar exchange.
TEST_F(ViewsTest, EachViewsHelpTopicsOpensItsOwnPage) {
    std::string opened;
    helpBrowser() = [&opened](const wxString& address) { return opened = address.utf8_string(), true; };
    ToDo::open(frame->context());
    view().openWeekView(2015, 8, 12);
    ViewYear::open(frame->context());
    for (const auto& [window, page] : {std::pair<ViewFrame*, std::string>{ToDo::instance(), "/todo.html"},
                                       {ViewWeek::instance(), "/week.html"}, {ViewYear::instance(), "/year.html"}}) {
        EXPECT_NE(window->GetMenuBar()->FindMenuItem("Help", "Help Topics"), wxNOT_FOUND) << page;
        window->runCommand(cmd::kListHelpTopics);
        EXPECT_EQ(opened.substr(opened.size() - page.size()), page);
    }
    helpBrowser() = nullptr;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(opened.substr(7)).parent_path() / "exchange.html"));
}

} // namespace
} // namespace zc::test
