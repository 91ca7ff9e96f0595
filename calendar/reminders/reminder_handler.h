#pragma once
// What happens when a reminder falls due: the main frame's reminder timers end up here with their
// identifiers, the reminder watch decides which appointments are due (one, or several after the
// computer woke up), and each of them activates the main window and, unless the user chose "No
// Reminders", opens its ReminderWnd.
#include "ui/calendar_context.h"

#include <functional>

namespace zc {

class Appointment;
class ReminderWatch;

// The reminder timer timerId fired (the timer is gone by then); activate brings the main window
// forward.
void handleReminderTimer(CalendarContext& context, ReminderWatch& watch, unsigned timerId,
                         const std::function<void()>& activate);
// Raises one appointment's reminder.
void raiseReminder(CalendarContext& context, const Appointment& appointment, const std::function<void()>& activate);

} // namespace zc
