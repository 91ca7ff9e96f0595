#pragma once
// The windows that the main frame and the month view open (day planners, to-do list, week and
// year views, reminder windows, the settings dialogs) live in the same static library as the
// frame. They plug in through CZorvelCalView::hooks(), CMainFrame::laterCommands() and
// CMainFrame::reminderHandler(), and they do so from these functions, which start-up and the
// window tests call: a static initialiser in a static library would be dropped by the linker.
namespace zc {

// Registers every window kind below; safe to call more than once.
void registerLaterWindows();

// Day planner, to-do list, week and year views (calendar/planner).
void registerPlannerWindows();
// Reminder windows and countdown timers (calendar/reminders).
void registerReminderWindows();
// Sounds and Advanced dialogs, backup and restore, splash window, help (calendar/reminders).
void registerSettingsWindows();

} // namespace zc
