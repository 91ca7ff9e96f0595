#pragma once
// The main frame's settings commands: File > Setup > Sounds, File > Advanced, and the Backup and
// Restore buttons of the Advanced dialog.
#include "ui/calendar_context.h"

namespace zc {

void runSoundsDialog(CalendarContext& context);
// Shows the Advanced dialog and puts what it leaves stored into force: the windows' settings, and
// the default lead of new entries (re-arming the reminders already timed with the old one).
void runAdvancedDialog(CalendarContext& context);
void backupAppointments(CalendarContext& context);
void restoreAppointments(CalendarContext& context);

} // namespace zc
