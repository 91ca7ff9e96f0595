#pragma once
// Command identifiers of the menus, the accelerators and the dialogs that pass commands on to the
// main frame. They keep the numbers the calendar has always used, so menu resources, tests and the
// Windows build agree.
namespace zc::cmd {

// Main menu.
inline constexpr int kMinimize = 32808;
inline constexpr int kFont = 32801;
inline constexpr int kColors = 32800;
inline constexpr int kSounds = 32821;
inline constexpr int kPrintSetup = 57606;
inline constexpr int kAdvanced = 32799;
inline constexpr int kSetTimer = 32822;
inline constexpr int kExit = 57665;
inline constexpr int kThisMonth = 32775;
inline constexpr int kThisYear = 32795;
inline constexpr int kThisWeek = 32797;
inline constexpr int kToDoList = 32816;
inline constexpr int kHelpTopics = 32774;
inline constexpr int kQuickHints = 32811;
inline constexpr int kVersion = 57664;

// Reached from the Advanced dialog's buttons.
inline constexpr int kBackup = 32809;
inline constexpr int kRestore = 32810;

// Calendar exchange through iCalendar files (File menu).
inline constexpr int kExportICalendar = 32860;
inline constexpr int kImportICalendar = 32861;

// The calendar server (File menu): its account, and a sync at once.
inline constexpr int kCalendarServer = 32862;
inline constexpr int kSynchronizeNow = 32863;

// Accelerator table 128; only the windows that handle one of these react to it.
inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kSave = 57603;
inline constexpr int kPrint = 57607;
inline constexpr int kCopy = 57634;
inline constexpr int kCut = 57635;
inline constexpr int kPaste = 57637;
inline constexpr int kUndo = 57643;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;
inline constexpr int kRepeats = 32793;
inline constexpr int kReminder = 32812;

// Menus of the to-do list (130), the week view (67) and the year view (131).
inline constexpr int kListPrint = 32786;
inline constexpr int kListClose = 32781;
inline constexpr int kListPrevious = 32805;
inline constexpr int kListNext = 32807;
inline constexpr int kWeekQuickHints = 32815;
inline constexpr int kYearQuickHints = 32814;
inline constexpr int kToDoQuickHints = 32791;
// Help > Help Topics of each of the three, opening that window's own page.
inline constexpr int kListHelpTopics = 32824;

// Day planner menu (resource 66); Repeats and Reminder are above.
inline constexpr int kClearDay = 32825;
inline constexpr int kSelectFont = 32796;
inline constexpr int kPlannerPrint = 32786;
inline constexpr int kPlannerClose = 32781;
inline constexpr int kPreviousDay = 32818;
inline constexpr int kNextDay = 32819;
inline constexpr int kPlannerHelpTopics = 32824;
inline constexpr int kPlannerQuickHints = 32791;

// Resource numbers.
inline constexpr int kMainResource = 128; // main menu, accelerators, program icon, title
inline constexpr int kAboutDialog = 100;
inline constexpr int kColorsDialog = 132;
inline constexpr int kQuickHintsDialog = 146;

// The toolkit accepts menu and accelerator identifiers below 0x7FFF only, and the calendar's commands
// run from 32774 to 57681. Menus and accelerators therefore carry each command shifted down by a
// fixed offset, into a range the toolkit leaves free, and handlers shift it back; everything else
// (command tables, dialogs passing commands on) speaks in the command numbers above.
inline constexpr int kMenuOffset = 30000;
constexpr int menuId(int command) {
    return command - kMenuOffset;
}
constexpr int commandOf(int menuItemId) {
    return menuItemId + kMenuOffset;
}

// Identifier of the notification icon and of its callback message.
inline constexpr int kNotifyIcon = 0xA703;

} // namespace zc::cmd
