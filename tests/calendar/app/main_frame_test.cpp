#include "app_fixture.h"

#include "ui/command_ids.h"
#include "app/instance_guard.h"
#include "app/notify_icon.h"
#include "app/view_year.h"

#include <wx/app.h>
#include <wx/menu.h>
#include <wx/process.h>
#include <wx/utils.h>

#include <csignal>
#include <filesystem>

namespace zc::test {
namespace {

using MainFrameTest = AppTest;

TEST_F(MainFrameTest, MovesBeforeTheWindowShowsAreNotStoredAndOutOfRangeValuesStoreAsZero) {
    openFrame();
    for (int i = 0; i < 3; ++i) {
        frame->windowMoved(wxRect(100 + i, 200, 10, 10));
        const WindowPosition stored = readPosition(settings::kPosition);
        EXPECT_EQ(stored.left, 0) << "move " << i + 1;
        EXPECT_EQ(stored.top, 0) << "move " << i + 1;
    }
    // The user's very first move of the window on screen counts.
    frame->Show();
    for (int i = 0; i < 200 && !frame->userSeesWindow(); ++i) {
        wxMilliSleep(10);
        wxTheApp->Yield(true);
    }
    ASSERT_TRUE(frame->userSeesWindow());
    // Desktops that centre X11 windows move them as they map; that place was stored as the user's.
    frame->windowMoved(wxRect(600, 400, 10, 10));
    EXPECT_EQ(readPosition(settings::kPosition).left, 0);
    clock.t += CMainFrame::kPlacementSeconds;
    struct Row {
        int left, top;
        int storedLeft, storedTop;
    };
    const Row rows[] = {
        {120, 130, 120, 130}, {1700, 50, 0, 50}, {1600, 1200, 1600, 1200},
        {-4, 70, 0, 70},      {10, -5, 10, 0},   {10, 1201, 10, 0},
    };
    for (const Row& row : rows) {
        frame->windowMoved(wxRect(row.left, row.top, 10, 10));
        const WindowPosition stored = readPosition(settings::kPosition);
        EXPECT_EQ(stored.left, row.storedLeft) << row.left << "," << row.top;
        EXPECT_EQ(stored.top, row.storedTop) << row.left << "," << row.top;
    }
}

// File > Minimize once kept the skip-taskbar state set while a notification area existed, so with
// the panel gone no taskbar listed the minimised window.
TEST_F(MainFrameTest, MinimizeWithoutANotificationAreaPutsTheWindowOnTheTaskbar) {
    openFrame();
    frame->Show();
    frame->SetWindowStyleFlag(frame->GetWindowStyleFlag() | wxFRAME_NO_TASKBAR);
    frame->minimize();
    EXPECT_TRUE(frame->IsShown());
    EXPECT_FALSE(frame->HasFlag(wxFRAME_NO_TASKBAR));
}

TEST_F(MainFrameTest, OpensAtTheStoredPositionOrInTheNotificationAreaWhenMinimisedAtStart) {
    writePosition(settings::kPosition, 300, 200);
    openFrame();
    EXPECT_EQ(frame->GetPosition(), wxPoint(300, 200));

    EXPECT_FALSE(frame->startsIconized());
    EXPECT_FALSE(frame->startsHidden());

    // "Minimize at startup" starts hidden where the notification icon can bring the window back,
    // and iconized where there is no such icon (as on this test display); either way at its place.
    settings::saveReminderSettings(60, 2, 0, 1, 1, 0);
    openFrame();
    EXPECT_EQ(frame->GetPosition(), wxPoint(300, 200));
    if (frame->notifyIcon() && frame->notifyIcon()->shown())
        EXPECT_TRUE(frame->startsHidden());
    else
        EXPECT_TRUE(frame->startsIconized());
    // Later placements (a click on the notification icon) use the stored position again.
    frame->place();
    EXPECT_EQ(frame->GetPosition(), wxPoint(300, 200));
}

TEST_F(MainFrameTest, HasTheMenusWithTheirIdentifiersUnderAHiddenOwnerTitledZorvelCal) {
    openFrame();
    EXPECT_EQ(frame->GetParent(), CMainFrame::ownerWindow());
    EXPECT_EQ(CMainFrame::ownerWindow()->GetTitle(), "ZorvelCal");
    EXPECT_FALSE(CMainFrame::ownerWindow()->IsShown());
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    struct Row {
        int id;
        const char* label;
    };
    const Row rows[] = {
        {cmd::kMinimize, "&Minimize"},      {cmd::kFont, "&Font"},
        {cmd::kColors, "&Colors"},          {cmd::kSounds, "&Sounds"},
        {cmd::kPrintSetup, "&Printer"},     {cmd::kAdvanced, "&Advanced"},
        {cmd::kSetTimer, "Set &Timer"},     {cmd::kExit, "E&xit"},
        {cmd::kThisMonth, "This &Month"},   {cmd::kThisYear, "This &Year"},
        {cmd::kThisWeek, "This &Week"},     {cmd::kToDoList, "To &Do List"},
        {cmd::kHelpTopics, "&Help Topics"}, {cmd::kQuickHints, "&Quick Hints"},
        {cmd::kVersion, "&Version"},
    };
    for (const Row& row : rows) {
        wxMenuItem* item = bar->FindItem(cmd::menuId(row.id));
        ASSERT_NE(item, nullptr) << row.id;
        EXPECT_EQ(item->GetItemLabel(), row.label);
    }
}

TEST_F(MainFrameTest, TheFramesCommandsReachTheirFeatures) {
    openFrame();
    for (int id : {cmd::kThisYear, cmd::kToDoList, cmd::kThisWeek}) {
        wxCommandEvent event(wxEVT_MENU, cmd::menuId(id));
        frame->ProcessWindowEvent(event);
    }
    EXPECT_NE(ViewYear::instance(), nullptr);
    EXPECT_EQ(openWindows(), (std::vector<std::string>{"todo", "week 2015-8-9"}));
}

TEST_F(MainFrameTest, ReminderTimersAreOneShotTimersThatFindTheirAppointment) {
    openFrame();
    clock.t = static_cast<std::int64_t>(std::time(nullptr));
    const LocalDate soon = toLocal(static_cast<Time32>(clock.t + 3600));
    Appointment& a = frame->table().construct();
    a.setWhen(soon.year, soon.month, soon.day, soon.hour, soon.minute, 5, "Call back");
    a.schedule(true);
    ASSERT_NE(a.timerId, 0u);
    EXPECT_TRUE(frame->timers().timerRunning(a.timerId));

    int activations = 0;
    frame->activateForReminder = [&activations] { ++activations; };
    settings().reminders = 1; // no window: only the due appointment's activation is looked at
    clock.t += 55 * 60;
    fireTimer(a.timerId);
    EXPECT_EQ(activations, 1);
    // A fired timer leaves the service's map.
    EXPECT_FALSE(frame->timers().timerRunning(a.timerId));
}

TEST_F(MainFrameTest, CallbackTimersRunTheirOwnCallbackOnceAndNeverReachTheReminders) {
    openFrame();
    int activations = 0;
    frame->activateForReminder = [&activations] { ++activations; };
    int calls = 0;
    const unsigned id = frame->timers().startCallbackTimer(60000, [&calls] { ++calls; });
    const unsigned stopped = frame->timers().startCallbackTimer(60000, [&calls] { calls += 100; });
    EXPECT_GE(id, TimerService::kFirstCallbackTimerId);
    EXPECT_TRUE(frame->timers().timerRunning(id));
    frame->timers().stopCallbackTimer(stopped);
    for (unsigned fire : {id, id, stopped})
        fireTimer(fire);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(activations, 0);
    EXPECT_TRUE(frame->timers().callbackTimerIds().empty());
    EXPECT_FALSE(frame->timers().timerRunning(id));
}

TEST_F(MainFrameTest, BringForwardShowsAndRestoresTheWindow) {
    openFrame();
    frame->Show();
    frame->minimize();
    frame->bringForward();
    EXPECT_TRUE(frame->IsShown());
    EXPECT_FALSE(frame->IsIconized());
}

#ifdef ZORVELCAL_EXE
// Runs the real program on the fixture's store and waits for it.
class RunningProgram {
  public:
    explicit RunningProgram(const std::string& storePath) {
        wxExecuteEnv env;
        wxGetEnvMap(&env.env);
        env.env["ZORVELCAL_STORE"] = wxString::FromUTF8(storePath);
        process_ = new wxProcess;
        process_->Bind(wxEVT_END_PROCESS, [state = state_](wxProcessEvent& e) {
            state->ended = true;
            state->exitCode = e.GetExitCode();
            e.Skip(); // an end event nobody kept lets the process object delete itself
        });
        pid_ = wxExecute(wxString(ZORVELCAL_EXE) + " --no-splash", wxEXEC_ASYNC, process_, &env);
    }
    ~RunningProgram() {
        if (pid_ > 0 && !state_->ended) wxProcess::Kill(pid_, wxSIGKILL);
    }
    long pid() const { return pid_; }
    bool waitFor(const std::function<bool()>& condition) {
        for (int i = 0; i < 300 && !condition(); ++i) {
            wxMilliSleep(50);
            wxTheApp->Yield(true);
        }
        return condition();
    }
    bool ended() const { return state_->ended; }
    int exitCode() const { return state_->exitCode; }

  private:
    struct State {
        bool ended = false;
        int exitCode = -1;
    };
    // Shared with the end handler, which may run after a failed test has left.
    std::shared_ptr<State> state_ = std::make_shared<State>();
    wxProcess* process_ = nullptr;
    long pid_ = 0;
};

TEST_F(MainFrameTest, ASecondStartBringsTheFirstForwardAndTerminationClosesLikeExit) {
    const std::string socket = InstanceGuard::socketPath(storePath);
    // The test talks to the program itself; its own store connection would hold the file open.
    setSettingsStore(nullptr);
    RunningProgram first(storePath);
    ASSERT_GT(first.pid(), 0);
    ASSERT_TRUE(first.waitFor([&] { return std::filesystem::exists(socket); }));

    InstanceGuard second(storePath);
    EXPECT_TRUE(second.isAnotherRunning());
    EXPECT_TRUE(second.bringRunningForward());

    ASSERT_EQ(wxProcess::Kill(first.pid(), wxSIGTERM), wxKILL_OK);
    ASSERT_TRUE(first.waitFor([&] { return first.ended(); }));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_FALSE(std::filesystem::exists(socket));

    // The program closed the way Exit closes it: the colours were saved, and the next start is
    // no longer a second one.
    reopenStore();
    SettingsKey group;
    EXPECT_TRUE(group.openPathForRead(settings::kColors));
    InstanceGuard third(storePath);
    EXPECT_FALSE(third.isAnotherRunning());
}
TEST_F(MainFrameTest, AFirstRunKilledBeforeItsExitLeavesTheDefaultColours) {
    setSettingsStore(nullptr);
    {
        RunningProgram first(storePath);
        ASSERT_GT(first.pid(), 0);
        const std::string socket = InstanceGuard::socketPath(storePath);
        ASSERT_TRUE(first.waitFor([&] { return std::filesystem::exists(socket); }));
        ASSERT_EQ(wxProcess::Kill(first.pid(), wxSIGKILL), wxKILL_OK);
        ASSERT_TRUE(first.waitFor([&] { return first.ended(); }));
    }
    reopenStore();
    // The run made the "Colors" group and never filled it.
    SettingsKey group;
    ASSERT_TRUE(group.openPathForRead(settings::kColors));
    EXPECT_EQ(loadColours(), Colours{});
}
#endif

} // namespace
} // namespace zc::test
