#include "reminder_fixture.h"

#include <wx/app.h>
#include <wx/settings.h>

namespace zc::test {
namespace {

class ReminderWndTest : public ReminderTest {
  protected:
    // An entry typed into the planner of Wednesday, 12 August 2015.
    Appointment& entryOn12August(int hour, int minute, int lead, const std::string& text) {
        Appointment& a = frame->table().construct();
        a.setWhen(2015, 8, 12, hour, minute, lead, text);
        a.schedule(true);
        return a;
    }
};

TEST_F(ReminderWndTest, AReminderDueAt1345OpensTitled2pmWithItsNotesOnTheEvenHourColour) {
    clock.t = localTime(2015, 8, 12, 13, 0);
    openFrame();
    Appointment& a = entryOn12August(14, 0, 15, "Call the plumber");
    ASSERT_TRUE(frame->timers().timerRunning(a.timerId));

    clock.t = localTime(2015, 8, 12, 13, 45);
    fireTimer(a.timerId);
    const std::vector<ReminderWnd*> windows = reminderWindows();
    ASSERT_EQ(windows.size(), 1u);
    ReminderWnd& shown = *windows[0];
    EXPECT_TRUE(shown.IsShown());
    EXPECT_EQ(shown.GetTitle(), " 2:00pm");
    EXPECT_EQ(shown.text(), "Call the plumber");
    EXPECT_TRUE(shown.HasFlag(wxSTAY_ON_TOP));
    EXPECT_EQ(activations, 1);

    const wxImage image = paintOf(shown);
    EXPECT_EQ(pixel(image, 2, 2), colours().dayplan1);
    EXPECT_EQ(pixel(image, image.GetWidth() - 3, image.GetHeight() - 3), colours().dayplan1);
    const int th = shown.textSize().y;
    // " Reminder:" on its line, the notes centred below it, both in the text colour.
    EXPECT_TRUE(hasColour(image, wxRect(1, 10, 120, th), colours().fore));
    const int left = (shown.windowWidth() - shown.textSize().x) / 2;
    EXPECT_TRUE(hasColour(image, wxRect(left, th + 14, shown.textSize().x, th), colours().fore));
    EXPECT_FALSE(hasColour(image, wxRect(0, th + 14, left - 1, th), colours().fore));

    // The timer is spent: firing it again opens nothing more.
    fireTimer(a.timerId);
    EXPECT_EQ(reminderWindows().size(), 1u);
}

TEST_F(ReminderWndTest, TitlesShowTheTimeOnATwelveHourClockAfterOneBlank) {
    struct Row {
        int hour, minute;
        const char* title;
    };
    const Row rows[] = {
        {9, 10, " 9:10am"}, {9, 5, " 9:05am"},       {12, 0, " 12:00pm"}, {0, 30, " 0:30am"},
        {23, 59, " 11:59pm"}, {13, 30, " 1:30pm"}, {-1, 0, "Zorvel Calendar"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ReminderWnd::titleFor(row.hour, row.minute), row.title) << row.hour << ":" << row.minute;
}

TEST_F(ReminderWndTest, NoRemindersActivatesTheMainWindowOnlyAndNoLeadArmsNothing) {
    clock.t = localTime(2015, 8, 12, 13, 0);
    openFrame();
    settings().reminders = 1;
    Appointment& a = entryOn12August(14, 0, 15, "Quiet");
    Appointment& none = entryOn12August(15, 0, -1, "No reminder");
    EXPECT_EQ(none.timerId, 0u);

    clock.t = localTime(2015, 8, 12, 13, 45);
    fireTimer(a.timerId);
    EXPECT_EQ(activations, 1);
    EXPECT_TRUE(reminderWindows().empty());
}

TEST_F(ReminderWndTest, WindowsCascadeByTwentyFiveAndWrapAtTheTopAndTheScreenEdge) {
    clock.t = localTime(2015, 8, 12, 13, 0);
    openFrame();
    // Two reminders due at the same moment.
    for (int minute : {0, 1}) {
        entryOn12August(14, minute, 15 + minute, "Same moment");
    }
    // The computer slept from 13:00 to 13:45: the first clock check after waking raises both.
    clock.t = localTime(2015, 8, 12, 13, 45);
    fireTimer(ReminderWatch::kClockCheckTimerId);
    std::vector<ReminderWnd*> windows = reminderWindows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0]->GetPosition(), wxPoint(50, 70));
    EXPECT_EQ(windows[1]->GetPosition(), wxPoint(75, 95));

    for (int i = 2; i < 11; ++i)
        showReminder(frame->context(), 10, 0, "Short");
    windows = reminderWindows();
    ASSERT_EQ(windows.size(), 11u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(windows[i]->GetPosition().y, 70 + 25 * i) << i;
    EXPECT_EQ(windows[10]->GetPosition(), wxPoint(50 + 25 * 10, 70));

    // A long text widens the window; one that would pass the screen edge starts again at 50.
    ReminderWnd* wide = showReminder(frame->context(), 11, 0, std::string(60, 'W'));
    EXPECT_GT(wide->windowWidth(), 260);
    EXPECT_EQ(wide->windowWidth(), wide->textSize().x + 20);
    EXPECT_EQ(wide->GetPosition().x, 50 + 25 * 11);
    ReminderWnd* reset = showReminder(frame->context(), 11, 0, std::string(200, 'W'));
    ASSERT_GT(reset->textSize().x + 19 + 50 + 25 * 12, wxSystemSettings::GetMetric(wxSYS_SCREEN_X));
    EXPECT_EQ(reset->GetPosition(), wxPoint(50, 70 + 25 * 2));
    EXPECT_EQ(reset->GetSize().x, reset->windowWidth() + 10);
}

// Reminder windows once ignored Escape and could only be closed with the mouse.
TEST_F(ReminderWndTest, EscapeClosesAReminderAndOtherKeysLeaveItOpen) {
    openFrame();
    for (const auto& [code, closes] : {std::pair<int, bool>{WXK_ESCAPE, true}, {WXK_RETURN, false}, {'A', false}}) {
        ReminderWnd* window = showReminder(frame->context(), 9, 0, "Read me");
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = code;
        window->ProcessWindowEvent(key);
        EXPECT_EQ(wxTheApp->IsScheduledForDestruction(window), closes) << code;
        window->Destroy();
    }
}

TEST_F(ReminderWndTest, ThePlannerFontIsUsedWhenStoredAndClosingTheFrameClosesTheWindows) {
    openFrame();
    ReminderWnd* plain = showReminder(frame->context(), 9, 0, "Font");
    LogFont big = defaultMainFont();
    big.height = -40;
    saveFont(settings::kFont2, big);
    ReminderWnd* planner = showReminder(frame->context(), 9, 0, "Font");
    EXPECT_GT(planner->textSize().y, plain->textSize().y);
    closeFrame();
    for (wxWindow* window : wxTopLevelWindows)
        EXPECT_EQ(dynamic_cast<ReminderWnd*>(window), nullptr);
}

} // namespace
} // namespace zc::test
