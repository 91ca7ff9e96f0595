#include "reminders/reminder_handler.h"

#include "data/appointment.h"
#include "data/reminder_watch.h"
#include "reminders/reminder_wnd.h"

namespace zc {

void raiseReminder(CalendarContext& context, const Appointment& appointment, const std::function<void()>& activate) {
    if (activate) activate();
    if (context.settings.reminders == 0)
        showReminder(context, appointment.stored.hour, appointment.stored.minute, appointment.stored.notes);
}

void handleReminderTimer(CalendarContext& context, ReminderWatch& watch, unsigned timerId,
                         const std::function<void()>& activate) {
    for (Appointment* due : watch.timerFired(context.table, timerId))
        raiseReminder(context, *due, activate);
}

} // namespace zc
