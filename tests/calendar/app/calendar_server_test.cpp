// The calendar server's windows against the test Radicale (caldav_peer.py): the server dialog's
// Test button and calendar chooser, File > "Synchronize Now" bringing a server event into the
// month, a planner's or the to-do list's typed text joined to (never written over) a change the
// server made while it was open, the question before following a mass deletion, the failure named
// in the tip, and the progress window's Cancel. Skipped where Radicale or python3-caldav is missing.
#include "app/app_fixture.h"
#include "../data/caldav_peer.h"

#include "app/calendar_server_dialog.h"
#include "app/notify_icon.h"
#include "app/sync_progress_window.h"
#include "app/sync_service.h"
#include "planner/to_do.h"
#include "platform/secret_store.h"
#include "ui/wx_questions.h"
#include "ui/command_ids.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/textctrl.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace zc::test {
namespace {

PeerServer server;

// Runs the window thread until done() holds, for at most ten seconds.
template <typename F> bool waitFor(F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        wxTheApp->Yield(true);
        std::this_thread::yield();
    }
    return true;
}

void click(wxWindow* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

class CalendarServerTest : public AppTest {
  protected:
    static void SetUpTestSuite() { server.start(); }
    static void TearDownTestSuite() { server.stop(); }

    void SetUp() override {
        if (server.port == 0) GTEST_SKIP() << "radicale or python3-caldav is not installed";
        AppTest::SetUp();
        static int made = 0;
        name = "win" + std::to_string(getpid()) + "x" + std::to_string(++made);
        server.peer("mkcal " + name);
        url = server.base() + "ann/" + name + "/";
    }
    void TearDown() override {
        if (server.port != 0) AppTest::TearDown();
    }

    // The account as the dialog would keep it, with this password in the keyring.
    void setUpAccount(const std::string& password) {
        ASSERT_TRUE(saveSyncAccount({server.base(), "ann", url, name}));
        ASSERT_TRUE(platform::storePassword(server.base(), "ann", password).ok);
    }
    bool syncsDone(int count) {
        return waitFor([&] { return frame->syncService()->completed() >= count; });
    }

    std::string name, url;
};

TEST_F(CalendarServerTest, TestFillsTheChooserAndOkKeepsThePasswordOnlyInTheKeyring) {
    server.peer("mkcal " + name + "b");
    struct Row {
        const char* password;
        const char* status; // part of the line under the fields after Test
        bool offersCalendars;
    };
    const Row rows[] = {
        {"wrong", "refused the user name or password", false},
        {"secret", "calendars", true},
    };
    openFrame();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.password);
        CalendarServerDialog dialog(frame, SyncAccount{}, "");
        auto* choice = dynamic_cast<wxChoice*>(wxWindow::FindWindowByName("calendar", &dialog));
        dialog.CallAfter([&] {
            dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("address", &dialog))->ChangeValue(server.base());
            dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("user", &dialog))->ChangeValue("ann");
            dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("password", &dialog))->ChangeValue(row.password);
            click(wxWindow::FindWindowByName("test", &dialog));
            EXPECT_TRUE(waitFor([&] { return !dialog.testing(); }));
            EXPECT_NE(dialog.status().Find(row.status), wxNOT_FOUND) << dialog.status();
            if (!row.offersCalendars) {
                EXPECT_EQ(choice->GetCount(), 0u);
                return dialog.EndModal(wxID_CANCEL);
            }
            EXPECT_TRUE(choice->SetStringSelection(name + "b"));
            click(dialog.FindWindow(wxID_OK));
        });
        EXPECT_EQ(dialog.ShowModal(), row.offersCalendars ? wxID_OK : wxID_CANCEL);
    }
    const SyncAccount kept = loadSyncAccount();
    EXPECT_EQ(kept.calendarName, name + "b");
    EXPECT_EQ(kept.calendarUrl, server.base() + "ann/" + name + "b/");
    EXPECT_EQ(kept.intervalMinutes, kDefaultSyncMinutes);
    std::string why;
    EXPECT_EQ(platform::lookupPassword(server.base(), "ann", why).value_or(""), "secret");
    std::ifstream file(storePath, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(bytes.find("secret"), std::string::npos);
}

TEST_F(CalendarServerTest, SynchronizeNowBringsServerChangesAndKeepsWhatAPlannerTypedMeanwhile) {
    setUpAccount("secret");
    // 20 August 2015, 9:00 in Berlin.
    server.peer("event dentist 20150820T070000Z Dentist", url);
    openFrame();
    ASSERT_TRUE(syncsDone(1)); // the sync at start
    ASSERT_NE(frame->table().findAt(2015, 8, 20, 9, 0), nullptr);
    EXPECT_EQ(frame->table().findAt(2015, 8, 20, 9, 0)->stored.notes, "Dentist");

    // A planner is open on that slot and the user types while the server changes the entry.
    AppointBook2* planner = openDayPlanner(frame->context(), 2015, 8, 20);
    ASSERT_NE(planner, nullptr);
    planner->beginEditing(3, true, 6);
    planner->editor()->SetValue("Bring the X-ray");
    server.peer("set dentist 'Dentist at 9:30'", url);
    server.peer("event haircut 20150821T080000Z Haircut", url);
    frame->runCommand(cmd::kSynchronizeNow);
    ASSERT_TRUE(syncsDone(2));
    EXPECT_TRUE(frame->table().hasAppointmentOn(2015, 8, 21));
    ASSERT_NE(frame->table().findAt(2015, 8, 21, 10, 0), nullptr);
    EXPECT_EQ(frame->table().findAt(2015, 8, 21, 10, 0)->stored.notes, "Haircut");

    ASSERT_TRUE(planner->closeEditor());
    EXPECT_EQ(frame->table().findAt(2015, 8, 20, 9, 0)->stored.notes, "Dentist at 9:30 / Bring the X-ray");
    // The joined text goes up with the sync the change starts.
    frame->runCommand(cmd::kSynchronizeNow);
    ASSERT_TRUE(syncsDone(3));
    EXPECT_NE(server.peer("list", url).find("Dentist at 9:30 / Bring the X-ray"), std::string::npos);
    EXPECT_EQ(frame->syncService()->lastFailure(), "");
}

TEST_F(CalendarServerTest, TheToDoListFollowsTheServerAndJoinsWhatWasTypedMeanwhile) {
    setUpAccount("secret");
    server.peer("todo milk 'Buy milk'", url);
    openFrame();
    // Open before the sync at start brings the server's item: the list shows it when it comes.
    ToDo::open(frame->context());
    ToDo* list = ToDo::instance();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(syncsDone(1));
    ASSERT_EQ(list->itemText(0), "Buy milk");

    // The user types over the item while the server changes it.
    list->beginEditing(0);
    list->editor()->SetValue("Buy milk and bread");
    server.peer("set milk 'Buy oat milk'", url);
    frame->runCommand(cmd::kSynchronizeNow);
    ASSERT_TRUE(syncsDone(2));
    EXPECT_EQ(list->itemText(0), "Buy oat milk");
    EXPECT_EQ(list->editor()->GetValue(), wxString("Buy milk and bread"));

    list->beginEditing(1); // leaving the line saves it
    EXPECT_EQ(list->itemText(0), "Buy oat milk / Buy milk and bread");
    // The saved item goes up by itself, a few seconds later.
    ASSERT_TRUE(syncsDone(3));
    EXPECT_NE(server.peer("list", url).find("|Buy oat milk / Buy milk and bread|"), std::string::npos);
    list->Destroy();
}

// The worker waits for the answer the window thread gets; a refusal is the engine's own test.
TEST_F(CalendarServerTest, AMassDeletionOnTheServerIsFollowedWhenTheUserAgrees) {
    setUpAccount("secret");
    server.peer("days 20 20150801 day", url);
    openFrame();
    ASSERT_TRUE(syncsDone(1));
    server.peer("delete day0 day1 day2 day3 day4 day5 day6 day7 day8 day9 day10", url);
    WxQuestions::standIn() = &questions;
    questions.answers = {true};
    frame->runCommand(cmd::kSynchronizeNow);
    const bool done = syncsDone(2);
    WxQuestions::standIn() = nullptr;
    ASSERT_TRUE(done);
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_NE(questions.asked[0].find("no longer holds 11 of the 20 items"), std::string::npos) << questions.asked[0];
    int left = 0;
    for (int day = 1; day <= 20; ++day) left += frame->table().findAt(2015, 8, day, 11, 0) != nullptr;
    EXPECT_EQ(left, 9);
}

TEST_F(CalendarServerTest, AFailingServerIsNamedInTheTipAndTheDialogUntilASyncSucceeds) {
    setUpAccount("wrong");
    openFrame();
    ASSERT_TRUE(syncsDone(1));
    const std::string failure = "The calendar server refused the user name or password.";
    EXPECT_EQ(frame->syncService()->lastFailure(), failure);
    EXPECT_NE(frame->notifyIcon()->tip().find("Calendar server: " + failure), std::string::npos)
        << frame->notifyIcon()->tip();
    {
        CalendarServerDialog dialog(frame, loadSyncAccount(), frame->syncService()->lastFailure());
        wxString status = dialog.status();
        status.Replace("\n", " "); // wrapped to the dialog's width
        EXPECT_EQ(status, wxString("The last sync failed: " + failure));
    }
    ASSERT_TRUE(platform::storePassword(server.base(), "ann", "secret").ok);
    frame->runCommand(cmd::kSynchronizeNow);
    ASSERT_TRUE(syncsDone(2));
    EXPECT_EQ(frame->notifyIcon()->tip().find("Calendar server"), std::string::npos);
}

TEST_F(CalendarServerTest, TheProgressWindowCancelsTheSync) {
    openFrame();
    bool cancelled = false;
    auto* window = new SyncProgressWindow(frame, [&] { cancelled = true; });
    window->update(200, 1000, "sending");
    EXPECT_EQ(window->text(), wxString("Sending 200 of 1000 items..."));
    click(window->FindWindow(wxID_CANCEL));
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(window->FindWindow(wxID_CANCEL)->IsEnabled());
    window->Destroy();
}

} // namespace
} // namespace zc::test
