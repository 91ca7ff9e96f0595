#include "reminder_fixture.h"

#include "reminders/countdown_dialog.h"

#include <wx/button.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

namespace zc::test {
namespace {

class CountdownTest : public ReminderTest {
  protected:
    void SetUp() override {
        ReminderTest::SetUp();
        openFrame();
        dialog = new CountdownDialog(frame, frame->context());
        dialog->Show();
    }
    void TearDown() override {
        if (dialog) dialog->Destroy();
        ReminderTest::TearDown();
    }

    void enter(const wxString& minutes, const wxString& text) {
        dialog->minutesEdit()->SetValue(minutes);
        dialog->textEdit()->SetValue(text);
    }
    void clickOk() {
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(dialog->FindWindow(wxID_OK));
        dialog->ProcessWindowEvent(click);
    }
    // Lets every countdown run out, in the order they were started.
    void expireAll() {
        for (unsigned id : frame->timers().callbackTimerIds())
            fireTimer(id);
    }

    CountdownDialog* dialog = nullptr;
};

TEST_F(CountdownTest, AMinuteWithTheTextTeaOpensTheCountdownWindow) {
    EXPECT_EQ(dialog->GetTitle(), "                                     Countdown Timer");
    enter("1", "Tea");
    clickOk();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(dialog->IsShown());
    const std::vector<unsigned> ids = frame->timers().callbackTimerIds();
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_TRUE(frame->timers().timerRunning(ids[0]));
    EXPECT_TRUE(reminderWindows().empty());

    expireAll();
    ASSERT_EQ(reminderWindows().size(), 1u);
    ReminderWnd& shown = *reminderWindows()[0];
    EXPECT_EQ(shown.GetTitle(), "Zorvel Calendar");
    EXPECT_EQ(shown.text(), "Tea");
    EXPECT_EQ(shown.hour(), ReminderWnd::kCountdown);
    EXPECT_EQ(pixel(paintOf(shown), 2, 2), colours().dayplan2);
    // A countdown is not an appointment: the main window is left where it is.
    EXPECT_EQ(activations, 0);
    EXPECT_TRUE(frame->timers().callbackTimerIds().empty());
}

TEST_F(CountdownTest, CountdownsRunSideBySideEachWithItsOwnTextAndAnEmptyTextStillOpensAWindow) {
    const struct {
        int minutes;
        const char* text;
    } started[] = {{3, "Tea"}, {1, "Eggs"}, {120, ""}};
    for (const auto& countdown : started)
        startCountdown(frame->context(), countdown.minutes, countdown.text);
    ASSERT_EQ(frame->timers().callbackTimerIds().size(), 3u);
    expireAll();
    const std::vector<ReminderWnd*> windows = reminderWindows();
    ASSERT_EQ(windows.size(), 3u);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(windows[i]->text(), started[i].text);
        EXPECT_EQ(windows[i]->GetTitle(), "Zorvel Calendar");
    }
    EXPECT_GT(windows[2]->textSize().y, 0);
}

TEST_F(CountdownTest, ARefusedOkStartsNothingAndTheNextValidOkStartsExactlyOne) {
    const struct {
        const char* minutes;
        const char* message;
    } refused[] = {
        {"0", "Please enter an integer between 1 and 120."},
        {"121", "Please enter an integer between 1 and 120."},
        {"ten", "Please enter an integer."},
        {"", "Please enter an integer."},
    };
    for (const auto& row : refused) {
        messages.clear();
        enter(row.minutes, "Tea");
        clickOk();
        wxYield();
        // Typed values are reported as they are typed and again at OK; the box stays open.
        ASSERT_FALSE(messages.empty()) << row.minutes;
        EXPECT_EQ(messages.back(), row.message) << row.minutes;
        EXPECT_TRUE(dialog->IsShown());
        EXPECT_TRUE(frame->timers().callbackTimerIds().empty()) << row.minutes;
    }
    enter("5", "Tea");
    clickOk();
    EXPECT_EQ(frame->timers().callbackTimerIds().size(), 1u);
}

TEST_F(CountdownTest, TheSliderAndTheMinutesBoxFollowEachOther) {
    EXPECT_EQ(dialog->minutesEdit()->GetValue(), "1");
    EXPECT_EQ(dialog->slider()->GetMin(), 1);
    EXPECT_EQ(dialog->slider()->GetMax(), 120);
    dialog->minutesEdit()->SetValue("37");
    EXPECT_EQ(dialog->slider()->GetValue(), 37);

    dialog->slider()->SetValue(120);
    wxCommandEvent moved(wxEVT_SLIDER, CountdownDialog::kSlider);
    moved.SetEventObject(dialog->slider());
    moved.SetInt(120);
    dialog->slider()->ProcessWindowEvent(moved);
    EXPECT_EQ(dialog->minutesEdit()->GetValue(), "120");
    EXPECT_EQ(dialog->minutes(), 120);

    // The text box takes no more than 60 characters.
    dialog->textEdit()->SetValue(wxString('x', 70));
    dialog->textEdit()->WriteText("y");
    EXPECT_LE(dialog->textEdit()->GetValue().length(), 60u);
}

} // namespace
} // namespace zc::test
