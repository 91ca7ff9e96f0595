#include "reminders/reminder_handler.h"

#include "app/main_frame.h"
#include "app/zorvel_cal_view.h"
#include "reminders/reminder_wnd.h"

namespace zc {

std::function<void(CMainFrame&)>& mainWindowActivator() {
    static std::function<void(CMainFrame&)> activate = [](CMainFrame& frame) {
        // Presenting a window the user hid in the notification area would show it again; only a
        // visible main window is brought to the front.
        if (frame.IsShown() && !frame.IsIconized()) frame.Raise();
    };
    return activate;
}

void raiseReminder(CMainFrame& frame, const Appointment& appointment) {
    const CZorvelCalView* view = frame.view();
    // The month view goes first when the program closes; a timer that fires after it is ignored.
    if (!view) return;
    if (mainWindowActivator()) mainWindowActivator()(frame);
    if (view->reminders == 0) showReminder(appointment.stored.hour, appointment.stored.minute, appointment.stored.notes);
}

void handleReminderTimer(CMainFrame& frame, unsigned timerId) {
    for (Appointment* due : frame.reminderWatch().timerFired(frame.table(), timerId))
        raiseReminder(frame, *due);
}

} // namespace zc
