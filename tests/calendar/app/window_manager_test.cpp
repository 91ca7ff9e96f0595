// The main window on a desktop like a user's: a window manager (openbox) that places, decorates,
// minimises and restores windows, and a notification area (trayer) that holds the program's icon.
// The program starts its own virtual X server with both, so that nothing else on a shared display
// disturbs them; where any of the three is missing, every test is skipped and says why.
#include "app_fixture.h"

#include "app/notify_icon.h"
#include "reminders/reminder_wnd.h"

#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zc::test {
namespace {

// Xvfb, openbox and trayer, started for this test program and stopped at its end.
class Desktop {
  public:
    bool start() {
        for (const char* tool : {"Xvfb", "openbox", "trayer"})
            if (!onPath(tool)) {
                skipReason = std::string(tool) +
                             " is not installed; the window-manager tests need Xvfb, openbox and trayer "
                             "(scripts/setup.sh installs them)";
                return false;
            }
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return fail("no pipe for Xvfb");
        spawn({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0", "1280x1024x24", "-nolisten",
               "tcp"});
        ::close(pipeFds[1]);
        std::string number;
        pollfd wait{pipeFds[0], POLLIN, 0};
        char c = 0;
        while (::poll(&wait, 1, 10000) > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
            number.push_back(c);
        ::close(pipeFds[0]);
        if (number.empty()) return fail("Xvfb did not start");
        display = ":" + number;
        ::setenv("DISPLAY", display.c_str(), 1);

        spawn({"openbox", "--sm-disable"});
        if (!waitForSelection("WM_S0")) return fail("openbox did not take over the screen");
        spawn({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "100",
               "--height", "24"});
        if (!waitForSelection("_NET_SYSTEM_TRAY_S0")) return fail("trayer did not open a notification area");
        return true;
    }

    void stop() {
        for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
            ::kill(*it, SIGTERM);
            ::waitpid(*it, nullptr, 0);
        }
        children_.clear();
    }

    std::string skipReason;
    std::string display;

  private:
    static bool onPath(const std::string& tool) {
        const char* path = std::getenv("PATH");
        std::string folders = path ? path : "/usr/bin:/bin";
        for (std::size_t begin = 0; begin <= folders.size();) {
            std::size_t end = folders.find(':', begin);
            if (end == std::string::npos) end = folders.size();
            if (::access((folders.substr(begin, end - begin) + "/" + tool).c_str(), X_OK) == 0) return true;
            begin = end + 1;
        }
        return false;
    }

    bool fail(const std::string& why) {
        skipReason = why;
        stop();
        return false;
    }

    // Starts a tool; it inherits every open descriptor (Xvfb writes its display number to one).
    void spawn(const std::vector<std::string>& command) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            // The tools' own messages would only clutter the test output.
            if (std::FILE* null = std::fopen("/dev/null", "w")) {
                ::dup2(::fileno(null), 1);
                ::dup2(::fileno(null), 2);
            }
            std::vector<char*> argv;
            for (const std::string& part : command)
                argv.push_back(const_cast<char*>(part.c_str()));
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            std::_Exit(127);
        }
        if (pid > 0) children_.push_back(pid);
    }

    // A window manager and a notification area each announce themselves by owning a selection.
    bool waitForSelection(const char* name) const {
        Display* x = XOpenDisplay(display.c_str());
        if (!x) return false;
        const Atom selection = XInternAtom(x, name, False);
        bool owned = false;
        for (int i = 0; i < 500 && !owned; ++i) {
            owned = XGetSelectionOwner(x, selection) != None;
            if (!owned) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        XCloseDisplay(x);
        return owned;
    }

    std::vector<pid_t> children_;
};

Desktop& desktop() {
    static Desktop d;
    return d;
}

// The place and size of the viewable top-level X window titled title, as the X server has them
// (the client window, inside the window manager's frame); empty when there is none.
wxRect serverRect(const char* title) {
    Display* x = XOpenDisplay(desktop().display.c_str());
    if (!x) return {};
    wxRect found;
    std::function<void(Window)> search = [&](Window window) {
        char* name = nullptr;
        if (XFetchName(x, window, &name) && name) {
            const bool match = std::string(name) == title;
            XFree(name);
            XWindowAttributes attributes;
            if (match && XGetWindowAttributes(x, window, &attributes) && attributes.map_state == IsViewable) {
                int rootX = 0, rootY = 0;
                Window child;
                XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &rootX, &rootY, &child);
                found = wxRect(rootX, rootY, attributes.width, attributes.height);
                return;
            }
        }
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(x, window, &root, &parent, &children, &count)) return;
        for (unsigned i = 0; i < count && found.IsEmpty(); ++i)
            search(children[i]);
        if (children) XFree(children);
    };
    search(DefaultRootWindow(x));
    XCloseDisplay(x);
    return found;
}

class WindowManagerTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        if (!desktop().skipReason.empty()) GTEST_SKIP() << desktop().skipReason;
    }

    // Lets the window manager and the toolkit answer each other until condition holds, then a
    // little longer, so that late answers (a size forced after a map) are seen too.
    static bool settle(const std::function<bool()>& condition) {
        bool met = false;
        for (int i = 0; i < 300 && !(met = condition()); ++i)
            pump(10);
        pump(300);
        return met && condition();
    }
    static void pump(int milliseconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            wxTheApp->Yield(true);
            wxMilliSleep(5);
        }
    }

    // Shows the frame the way start-up does and waits until the window manager has mapped it.
    void showFrame() {
        if (!frame->startsHidden()) frame->Show();
        ASSERT_TRUE(settle([this] { return frame->startsHidden() || frame->IsShownOnScreen(); }));
    }

    void expectFitsTheGrid(const std::string& after) {
        const wxSize grid = view().gridSize();
        EXPECT_EQ(frame->GetClientSize(), grid) << after;
        // The window as the X server has it: as wide as the grid, the menu bar above it.
        const wxRect onScreen = serverRect("ZorvelCalendar");
        EXPECT_EQ(onScreen.width, grid.x) << after;
        EXPECT_GT(onScreen.height, grid.y) << after;
    }
};

TEST_F(WindowManagerTest, TheWindowComesBackTheSizeOfTheGridHoweverItWasHidden) {
    openFrame();
    showFrame();
    ASSERT_NE(frame->notifyIcon(), nullptr);
    ASSERT_TRUE(frame->notifyIcon()->shown());
    expectFitsTheGrid("start");
    for (int round = 1; round <= 3; ++round) {
        frame->minimize();
        ASSERT_TRUE(settle([this] { return !frame->IsShownOnScreen(); }));
        frame->notifyIconClicked();
        ASSERT_TRUE(settle([this] { return frame->IsShownOnScreen(); }));
        expectFitsTheGrid("File > Minimize and the icon, round " + std::to_string(round));

        frame->Iconize(true);
        ASSERT_TRUE(settle([this] { return frame->IsIconized(); }));
        frame->notifyIconClicked();
        ASSERT_TRUE(settle([this] { return !frame->IsIconized() && frame->IsShownOnScreen(); }));
        expectFitsTheGrid("the window manager's minimise and the icon, round " + std::to_string(round));
    }
}

TEST_F(WindowManagerTest, TheUsersFirstMoveIsStoredAndTheWindowOpensThereNextTime) {
    writePosition(settings::kPosition, 200, 150);
    openFrame();
    showFrame();
    // The window opens where it was (inside the window manager's frame), not in the corner.
    const wxRect opened = serverRect("ZorvelCalendar");
    EXPECT_GE(opened.x, 200);
    EXPECT_LT(opened.x, 230);
    EXPECT_GE(opened.y, 150);
    EXPECT_LT(opened.y, 200);
    // Nothing the start did moved the stored place.
    EXPECT_EQ(readPosition(settings::kPosition).left, 200);
    EXPECT_EQ(readPosition(settings::kPosition).top, 150);

    // The user drags the window once, a while after it showed.
    clock.t += CMainFrame::kPlacementSeconds;
    frame->Move(420, 330);
    EXPECT_TRUE(settle([] { return readPosition(settings::kPosition).left == 420; }));
    EXPECT_EQ(readPosition(settings::kPosition).top, 330);

    closeFrame();
    openFrame();
    showFrame();
    EXPECT_EQ(frame->GetPosition(), wxPoint(420, 330));
}

// With no stored place, the icon's click moved the window to the corner and stored 0,0 there, and
// a reminder raised while the window was hidden opened in the corner too. After the start the
// window had no keyboard focus either: Alt+F and the keys did nothing until a click.
TEST_F(WindowManagerTest, WithNothingStoredTheWindowStaysWhereTheWindowManagerPutIt) {
    openFrame();
    showFrame();
    EXPECT_TRUE(settle([this] { return wxWindow::FindFocus() == &view(); }));
    const wxPoint placed = serverRect("ZorvelCalendar").GetPosition();
    ASSERT_GT(placed.x + placed.y, 40) << "the window manager put the window in the corner itself";
    const auto shown = [this] { return frame->IsShownOnScreen(); };
    frame->minimize();
    ASSERT_TRUE(settle([&shown] { return !shown(); }));
    frame->notifyIconClicked();
    ASSERT_TRUE(settle(shown));
    EXPECT_EQ(serverRect("ZorvelCalendar").GetPosition(), placed);
    frame->minimize();
    ASSERT_TRUE(settle([&shown] { return !shown(); }));
    ReminderWnd::cascade() = {};
    ReminderWnd* reminder = showReminder(frame->context(), 9, 0, "While hidden");
    ASSERT_TRUE(settle([reminder] { return reminder->IsShownOnScreen(); }));
    EXPECT_TRUE(wxRect(50, 70, 30, 50).Contains(serverRect(" 9:00am").GetPosition()));
    EXPECT_FALSE(readPosition(settings::kPosition).stored);
}

TEST_F(WindowManagerTest, MinimizeAtStartupStartsInTheNotificationArea) {
    writePosition(settings::kPosition, 300, 200);
    settings::saveReminderSettings(60, 2, 0, 1, 1, 0);
    openFrame();
    EXPECT_TRUE(frame->startsHidden());
    EXPECT_FALSE(frame->startsIconized());
    showFrame();
    EXPECT_FALSE(frame->IsShownOnScreen());
    EXPECT_TRUE(serverRect("ZorvelCalendar").IsEmpty());

    frame->notifyIconClicked();
    ASSERT_TRUE(settle([this] { return frame->IsShownOnScreen(); }));
    EXPECT_EQ(frame->GetPosition(), wxPoint(300, 200));
    expectFitsTheGrid("the first click on the icon");
}

} // namespace
} // namespace zc::test

namespace {
class TestApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

// A failed wx assertion would open a box nobody answers; it fails the running test instead.
void reportAssertion(const wxString& file, int line, const wxString& function, const wxString& condition,
                     const wxString& message) {
    ADD_FAILURE() << "wx assertion failed at " << file.utf8_string() << ":" << line << " in "
                  << function.utf8_string() << ": " << condition.utf8_string() << " "
                  << message.utf8_string();
}
} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxSetAssertHandler(reportAssertion);
    auto& desktop = zc::test::desktop();
    // Without a desktop of its own the program still starts the toolkit on the display it was
    // given, so that every test can report why it is skipped.
    desktop.start();
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv)) {
        desktop.stop();
        return 2;
    }
    wxTheApp->CallOnInit();
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    desktop.stop();
    return result;
}
