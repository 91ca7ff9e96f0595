#include "reminders/settings_commands.h"

#include "data/appointment_table.h"
#include "data/backup.h"
#include "reminders/advanced_dialog.h"
#include "reminders/sounds_dialog.h"

#include <wx/window.h>

namespace zc {

void runSoundsDialog(CalendarContext& context) {
    CSoundsDialog dialog(context.owner);
    dialog.ShowModal();
}

void runAdvancedDialog(CalendarContext& context) {
    wxWindow* owner = context.owner;
    owner->Disable();
    const int earlyBefore = context.table.defaultEarly();
    settings::ReminderSettings chosen;
    RegionSettings region;
    {
        CAdvancedDialog dialog(owner, context);
        dialog.ShowModal();
        // After Cancel these are the stored values, so the windows match the store either way.
        chosen = dialog.values();
        region = dialog.region();
    }
    context.settings.age = chosen.age;
    context.settings.reminders = chosen.reminders;
    context.settings.fastprinting = chosen.fastprinting;
    context.table.defaultEarly() = chosen.early;
    // Reminders already armed were timed with the old lead.
    if (chosen.early != earlyBefore) context.table.rearmReminders();
    if (region != context.settings.region) {
        context.settings.region = region;
        if (context.regionChanged) context.regionChanged();
    }
    owner->Enable();
}

void backupAppointments(CalendarContext& context) {
    backup(context.table, kBackupFileName);
}

void restoreAppointments(CalendarContext& context) {
    restore(context.table, kBackupFileName);
    if (context.monthChanged) context.monthChanged();
}

} // namespace zc
