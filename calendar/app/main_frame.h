#pragma once
// CMainFrame: the small fixed-size main window around the month grid. It owns the appointment
// table, the program's timers, the windows' settings and the print job, and hands them to every
// feature window as one CalendarContext; it owns the main menu with its accelerators and the
// notification icon, and runs the menu's commands by calling the features directly. Its
// SyncService keeps the table in step with a calendar server in the background. A hidden
// owner window titled "ZorvelCal" keeps the frame off the taskbar.
#include "app/print_job.h"
#include "app/timer_service.h"
#include "data/appointment_table.h"
#include "data/reminder_watch.h"
#include "data/services.h"
#include "ui/calendar_context.h"
#include "ui/view_settings.h"
#include "ui/wx_questions.h"
#include "ui/dialog_parent.h"

#include <wx/frame.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zc {

class CZorvelCalView;
class NotifyIcon;
class SyncService;

class CMainFrame final : public wxFrame {
  public:
    explicit CMainFrame(const Clock& clock);
    ~CMainFrame() override;

    AppointmentTable& table() { return table_; }
    ReminderWatch& reminderWatch() { return reminderWatch_; }
    const Clock& clock() const { return clock_; }
    TimerService& timers() { return timers_; }
    ViewSettings& settings() { return settings_; }
    CalendarPrintJob& printJob() { return printJob_; }
    CalendarContext& context() { return context_; }
    // How a due reminder activates the main window: it raises a visible one (presenting a window
    // the user hid in the notification area would show it again). Tests replace it.
    std::function<void()> activateForReminder;
    CZorvelCalView* view() const { return view_; }
    NotifyIcon* notifyIcon() const { return notifyIcon_.get(); }
    // The background sync with the calendar server; null once the frame closes.
    SyncService* syncService() const { return sync_.get(); }
    // The hidden owner window titled "ZorvelCal", made on first use.
    static wxFrame* ownerWindow();

    // Sizes the frame to the grid and puts it at the stored position.
    void place();
    // Makes the frame exactly the size of the grid, whatever hid, iconized or resized it.
    void fitToGrid();
    // "Minimize at startup": the program starts hidden in the notification area where there is
    // one, and iconized elsewhere.
    bool startsHidden() const { return startsHidden_; }
    bool startsIconized() const { return startsIconized_; }
    // Stores the position of a window the user sees (moves made while it is created, placed or
    // hidden are not the user's, nor those of the first seconds after it shows, where a desktop
    // that places windows itself moves it), with out-of-range values as 0.
    void windowMoved(const wxRect& rect);
    // How long after a window shows its moves are still the desktop's placement, in seconds.
    static constexpr int kPlacementSeconds = 2;
    // The window is shown, not iconized, and has painted since it was last shown.
    bool userSeesWindow() const { return painted_ && IsShown() && !IsIconized(); }
    // Hides the window to the notification icon, or iconizes it where there is no such icon.
    void minimize();
    // A second start asked for this window: bring it (and its last active pop-up) forward.
    void bringForward();
    void notifyIconClicked();
    // Imports the appointments of an iCalendar file, repaints every window and reports the result:
    // what File > Import from iCalendar does once the file is chosen.
    void importICalendar(const std::string& path);
    // Closes every window this frame owns (day planners, to-do list, week and year views,
    // reminder windows) at once, not at the next idle time: their editors commit while the
    // table still exists, before old months are purged and the colours saved.
    void closeOwnedWindows();
    // The Advanced dialog changed the clock or the first day of the week.
    void regionChanged();
    // Runs a command by its number (cmd::k...); false when the frame does not handle it.
    bool runCommand(int command);
    void openHelp(int context);

  private:
    void buildMenus();
    // Export to or import from an iCalendar file the user chooses.
    void exchangeICalendar(bool import);
    // File > "Calendar Server...".
    void runCalendarServerDialog();
    void onCommand(wxCommandEvent& event);
    void onMove(wxMoveEvent& event);
    void onShownOrResized();
    void onReminderTimer(unsigned timerId);
    void onClose(wxCloseEvent& event);

    const Clock& clock_;
    TimerService timers_;
    WxQuestions questions_;
    // Built on the timers above, before the table that arms reminders through it.
    ReminderWatch reminderWatch_;
    AppointmentTable table_;
    ViewSettings settings_;
    CalendarPrintJob printJob_;
    CalendarContext context_;
    CZorvelCalView* view_ = nullptr;
    std::unique_ptr<NotifyIcon> notifyIcon_;
    // After the table: its worker is stopped before the table goes.
    std::unique_ptr<SyncService> sync_;
    bool firstPlacement_ = true;
    bool startsHidden_ = false;
    bool startsIconized_ = false;
    bool fitQueued_ = false;
    bool painted_ = false;
    bool everPainted_ = false;
    // When the window painted first after it was last shown.
    std::int64_t shownAt_ = 0;
    // The frame's size around its client area (title bar, borders, menu bar), kept from the last
    // time the toolkit could tell it.
    wxSize chrome_;
};

} // namespace zc
