#include "ui/command_ids.h"
#include "app/later_windows.h"
#include "app/main_frame.h"
#include "reminders/countdown_dialog.h"
#include "reminders/reminder_handler.h"

namespace zc {

void registerReminderWindows() {
    CMainFrame::reminderHandler() = handleReminderTimer;
    CMainFrame::laterCommands()[cmd::kSetTimer] = runCountdownDialog;
}

} // namespace zc
