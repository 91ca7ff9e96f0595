#include "settings_fixture.h"

#include "ui/command_ids.h"
#include "ui/help_topics.h"
#include "app/zorvel_cal_app.h"
#include "reminders/advanced_dialog.h"
#include "reminders/splash_wnd.h"

#include <wx/display.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

namespace zc::test {
namespace {

// ---- Splash window ------------------------------------------------------------------------------

class SplashTest : public SettingsTest {
  protected:
    void TearDown() override {
        CSplashWnd::enable(false);
        SettingsTest::TearDown();
    }
};

TEST_F(SplashTest, AFirstStartShowsItCentredUntilItsTimerEnds) {
    CSplashWnd::enable(prepareStore(true).splash);
    openFrame();
    CSplashWnd::show(frame);
    CSplashWnd* splash = CSplashWnd::current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->IsShown());
    EXPECT_EQ(splash->GetClientSize(), CSplashWnd::picture().GetSize());
    const wxRect screen = wxDisplay(splash).GetGeometry();
    const wxRect placed = splash->GetScreenRect();
    EXPECT_NEAR(placed.x + placed.width / 2, screen.x + screen.width / 2, 2);
    EXPECT_NEAR(placed.y + placed.height / 2, screen.y + screen.height / 2, 2);
    EXPECT_EQ(splash->timer().GetId(), CSplashWnd::kTimerId);
    EXPECT_EQ(splash->timer().GetInterval(), 1500);
    EXPECT_TRUE(splash->timer().IsOneShot());
    EXPECT_TRUE(splash->timer().IsRunning());

    // A second show while one is up makes no other.
    CSplashWnd::show(frame);
    EXPECT_EQ(CSplashWnd::current(), splash);

    splash->timer().Notify();
    EXPECT_EQ(CSplashWnd::current(), nullptr);
}

TEST_F(SplashTest, WithoutTheFlagNothingShows) {
    settings::saveReminderSettings(60, 2, 0, 0, 0, 0);
    settings::seedFirstRun();
    CSplashWnd::enable(prepareStore(true).splash);
    openFrame();
    CSplashWnd::show(frame);
    EXPECT_EQ(CSplashWnd::current(), nullptr);
}

TEST_F(SplashTest, TheFirstKeyOrMousePressClosesItAndGoesNoFurther) {
    struct Row {
        wxEventType type;
        bool closes;
    };
    for (const Row& row : {Row{wxEVT_CHAR_HOOK, true}, Row{wxEVT_KEY_DOWN, true}, Row{wxEVT_LEFT_DOWN, true},
                           Row{wxEVT_RIGHT_DOWN, true}, Row{wxEVT_MIDDLE_DOWN, true},
                           Row{wxEVT_MOTION, false}, Row{wxEVT_KEY_UP, false}, Row{wxEVT_PAINT, false}}) {
        CSplashWnd::enable(true);
        openFrame();
        CSplashWnd::show(frame);
        ASSERT_NE(CSplashWnd::current(), nullptr);
        wxCommandEvent event(row.type);
        // The program offers every event to the splash window first.
        const int result = CSplashWnd::filterEvent(event);
        EXPECT_EQ(result, row.closes ? wxEventFilter::Event_Processed : wxEventFilter::Event_Skip);
        EXPECT_EQ(CSplashWnd::current() == nullptr, row.closes);
        // Once it is gone, presses reach the windows again.
        if (row.closes) {
            wxCommandEvent again(row.type);
            EXPECT_EQ(CSplashWnd::filterEvent(again), wxEventFilter::Event_Skip);
        }
    }
}

// ---- Help ---------------------------------------------------------------------------------------

class HelpTest : public SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        savedFolders = helpFolders();
        helpBrowser() = [this](const wxString& address) {
            opened.push_back(address.utf8_string());
            return browserStarts;
        };
    }
    void TearDown() override {
        helpFolders() = savedFolders;
        helpBrowser() = nullptr;
        SettingsTest::TearDown();
    }

    std::vector<std::filesystem::path> savedFolders;
    std::vector<std::string> opened;
    bool browserStarts = true;
};

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(HelpTest, EachContextOpensItsOwnTopic) {
    openFrame();
    struct Row {
        int context;
        const char* page;
    };
    for (const Row& row : {Row{101, "/help/index.html"}, Row{102, "/help/day-planner.html"},
                           Row{108, "/help/repeats.html"}, Row{111, "/help/advanced.html"}}) {
        opened.clear();
        frame->openHelp(row.context);
        ASSERT_EQ(opened.size(), 1u) << row.context;
        EXPECT_EQ(opened[0].rfind("file://", 0), 0u) << opened[0];
        EXPECT_TRUE(endsWith(opened[0], row.page)) << opened[0];
    }
    EXPECT_TRUE(questions.messages.empty());
}

TEST_F(HelpTest, HelpTopicsAndTheAdvancedDialogsHelpButtonOpenTheirTopics) {
    openFrame();
    frame->runCommand(cmd::kHelpTopics);
    CAdvancedDialog dialog(frame, frame->context());
    click(dialog, wxID_HELP);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(endsWith(opened[0], "/index.html")) << opened[0];
    EXPECT_TRUE(endsWith(opened[1], "/advanced.html")) << opened[1];
}

TEST_F(HelpTest, MissingPagesGiveTheMessageAndAMissingBrowserTellsWhereThePagesAre) {
    openFrame();
    helpFolders() = {dir / "no-help-here"};
    frame->openHelp(101);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(questions.messages, std::vector<std::string>{"Failed to launch help."});

    helpFolders() = savedFolders;
    browserStarts = false;
    questions.messages.clear();
    frame->openHelp(102);
    EXPECT_EQ(opened.size(), 1u);
    ASSERT_EQ(questions.messages.size(), 1u);
    EXPECT_EQ(questions.messages[0].rfind("No web browser could be started to show the help.", 0), 0u);
    EXPECT_NE(questions.messages[0].find("/help\""), std::string::npos) << questions.messages[0];
}

// Every page the pages link to exists, and every page can be reached from the contents.
TEST_F(HelpTest, ThePagesLinkOnlyToPagesThatExist) {
    const std::filesystem::path folder = std::filesystem::path(ZORVEL_SOURCE_RESOURCES) / "help";
    const std::regex link(R"re(href="([^"#:]+)(#[^"]*)?")re");
    std::set<std::string> pages, linked;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!endsWith(name, ".html")) continue;
        pages.insert(name);
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string html = text.str();
        for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
            const std::string target = (*it)[1];
            EXPECT_TRUE(std::filesystem::exists(folder / target)) << name << " links to " << target;
            if (name == "index.html") linked.insert(target);
        }
    }
    for (const char* page : {"index.html", "day-planner.html", "repeats.html", "advanced.html"})
        EXPECT_TRUE(pages.count(page)) << page;
    for (const std::string& page : pages)
        if (page != "index.html") {
            EXPECT_TRUE(linked.count(page)) << page << " is not in the contents";
        }
}

} // namespace
} // namespace zc::test
