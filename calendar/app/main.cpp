// ZorvelCal, a personal calendar.
//
// CZorvelCalApp (app/zorvel_cal_app.h) starts the program: one instance per store file, the store
// prepared and seeded on the first run, the start sound, then CMainFrame. The main frame owns the
// AppointmentTable, which owns every appointment and is filled from the SQLite settings store once;
// every change is written through to the store at once. The frame also owns the program's timers,
// the windows' settings and the print job, and hands all of them to each feature window as one
// CalendarContext. The month view CZorvelCalView, the frame's only child, draws from the table at
// every paint and opens the other windows (day planners, to-do list, week and year views), which
// read and change the same table; the table tells its listeners of every change, so each window
// repaints what changed. The notification icon names the next appointment.
#include "app/desktop_identity.h"
#include "app/command_line.h"
#include "app/zorvel_cal_app.h"
#include "i18n/translations.h"

wxIMPLEMENT_APP_NO_MAIN(zc::CZorvelCalApp);

// The options that need no window (help, version, the calendar exchange, the calendar server) run before the toolkit
// starts, so they need no display.
int main(int argc, char** argv) {
    // First, so that --help and every message of the options below are in the user's language.
    zc::setUpTranslations("zorvelcal", zc::localeFolders());
    if (const std::optional<int> code = zc::runTextOptions(argc, argv)) return *code;
    if (const std::optional<int> code = zc::runExchangeOptions(argc, argv)) return *code;
    if (const std::optional<int> code = zc::runSyncOptions(argc, argv)) return *code;
    zc::useDesktopEntryIdentity();
    return wxEntry(argc, argv);
}
