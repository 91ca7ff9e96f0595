#pragma once
// What happens when a reminder falls due: the main frame's reminder timers end up here with their
// identifiers, the reminder watch decides which appointments are due (one, or several after the
// computer woke up), and each of them activates the main window and, unless the user chose "No
// Reminders", opens its ReminderWnd.
#include <functional>

namespace zc {

class Appointment;
class CMainFrame;

// The handler that CMainFrame::reminderHandler() is set to.
void handleReminderTimer(CMainFrame& frame, unsigned timerId);
// Raises one appointment's reminder.
void raiseReminder(CMainFrame& frame, const Appointment& appointment);
// Makes the main window the active one; tests replace it to see that it happened.
std::function<void(CMainFrame&)>& mainWindowActivator();

} // namespace zc
