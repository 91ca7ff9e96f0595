// Window tests of the end from outside (SIGTERM, the end of the desktop session) while one of the
// toolkit's own dialogs is open over the calendar.
#include "app_fixture.h"

#include "ui/font_record.h"
#include "app/orderly_exit.h"
#include "planner/appoint_book2.h"

#include <wx/app.h>
#include <wx/colordlg.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>

#include <functional>

namespace zc::test {
namespace {

using OrderlyExitTest = AppTest;

// SIGTERM with the print dialog open aborted ("munmap_chunk(): invalid pointer", exit 134): the
// windows were closed from inside the dialog's own loop, under the code that had opened it. With
// each kind of dialog open, the exit must end the dialog, close the windows once the main loop
// runs again, and store the text still being typed in a day planner.
TEST_F(OrderlyExitTest, EachKindOfOpenDialogEndsAndTheWindowsCloseFromTheMainLoop) {
    struct Row {
        const char* kind;
        std::function<void(CMainFrame&)> open;
    };
    const Row rows[] = {
        {"print",
         [](CMainFrame& f) { f.printJob().printThrough(PrintKind::DayPlanner, AppointBook2::find(2015, 8, 20)); }},
        {"page setup", [](CMainFrame& f) { f.printJob().pageSetup(); }},
        {"font", [](CMainFrame& f) { EXPECT_FALSE(chooseFont(&f, LogFont{})); }},
        {"colour", [](CMainFrame& f) { EXPECT_EQ(wxColourDialog(&f).ShowModal(), wxID_CANCEL); }},
        {"file chooser", [](CMainFrame& f) { EXPECT_EQ(wxFileDialog(&f, "Open").ShowModal(), wxID_CANCEL); }},
        {"message box",
         [](CMainFrame& f) { EXPECT_NE(wxMessageDialog(&f, "Go on?", "ZorvelCal", wxYES_NO).ShowModal(), wxID_YES); }},
    };
    for (const Row& row : rows) {
        openFrame().Show();
        AppointBook2* planner = openDayPlanner(frame->context(), 2015, 8, 20);
        ASSERT_NE(planner, nullptr);
        wxYield();
        const wxString typed = wxString("typed before the ") + row.kind + " dialog";
        planner->editor()->SetValue(typed);

        bool dialogReturned = false;
        int closes = 0;
        bool closedAfterTheDialog = false;
        OrderlyExit exit([&] {
            ++closes;
            closedAfterTheDialog = dialogReturned;
            closeFrame();
            wxTheApp->ExitMainLoop();
        });
        // The dialog opens from a handler of the main loop, as a menu command opens it, and the
        // exit is asked for from inside the dialog's loop, as the signal arrives there.
        wxTheApp->CallAfter([&] {
            frame->CallAfter([&] { exit.request(); });
            row.open(*frame);
            dialogReturned = true;
        });
        wxTheApp->MainLoop();

        EXPECT_EQ(closes, 1) << row.kind;
        EXPECT_TRUE(closedAfterTheDialog) << row.kind;
        EXPECT_EQ(AppointBook2::openCount(), 0) << row.kind;
        SettingsKey key;
        AppointmentValues v;
        ASSERT_TRUE(key.openAppointmentForRead(2015, 8, "20_8_0")) << row.kind;
        key.readAppointment(v);
        EXPECT_EQ(v.notes, typed.utf8_string()) << row.kind;
    }
}

} // namespace
} // namespace zc::test
