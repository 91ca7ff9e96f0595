// The main frame's settings commands: File > Setup > Sounds, File > Advanced, the Backup and
// Restore commands of the Advanced dialog, and the splash window's hold on the program's events.
#include "ui/command_ids.h"
#include "app/later_windows.h"
#include "app/main_frame.h"
#include "app/zorvel_cal_app.h"
#include "app/zorvel_cal_view.h"
#include "data/backup.h"
#include "reminders/advanced_dialog.h"
#include "reminders/sounds_dialog.h"
#include "reminders/splash_wnd.h"

namespace zc {
namespace {

void runSounds(CMainFrame& frame) {
    CSoundsDialog dialog(&frame);
    dialog.ShowModal();
}

void runAdvanced(CMainFrame& frame) {
    CZorvelCalView* view = frame.view();
    frame.Disable();
    const int earlyBefore = view->early;
    settings::ReminderSettings chosen;
    {
        CAdvancedDialog dialog(&frame);
        dialog.ShowModal();
        // After Cancel these are the stored values, so the month view matches the store either way.
        chosen = dialog.values();
    }
    view->early = chosen.early;
    view->age = chosen.age;
    view->reminders = chosen.reminders;
    // Reminders already armed were timed with the old lead.
    if (view->early != earlyBefore) frame.table().rearmReminders();
    frame.Enable();
}

void runBackup(CMainFrame& frame) {
    backup(frame.table(), kBackupFileName);
}

void runRestore(CMainFrame& frame) {
    restore(frame.table(), kBackupFileName);
    if (CZorvelCalView* view = frame.view()) view->Refresh(false);
}

} // namespace

void registerSettingsWindows() {
    auto& commands = CMainFrame::laterCommands();
    commands[cmd::kSounds] = runSounds;
    commands[cmd::kAdvanced] = runAdvanced;
    commands[cmd::kBackup] = runBackup;
    commands[cmd::kRestore] = runRestore;
    CZorvelCalApp::eventFilter() = &CSplashWnd::filterEvent;
}

} // namespace zc
