#pragma once
// What the application object hands every feature window (day planner, to-do list, week and year
// views, reminder windows, the settings dialogs): the table it shows, the clock, the program's
// timers, the settings the windows share, the print job, the window that owns them, and a way to
// say that the month view must show something anew. A feature never reaches for the main frame or
// the month view; it works with this alone.
#include "ui/print_source.h"
#include "ui/view_settings.h"

#include <cstdint>
#include <functional>

class wxWindow;

namespace zc {

class AppointmentTable;
class Clock;

// One-shot timers with a callback each (countdowns), apart from the appointment reminders'.
class CallbackTimers {
  public:
    virtual ~CallbackTimers() = default;
    virtual unsigned startCallbackTimer(std::int64_t delayMilliseconds, std::function<void()> callback) = 0;
    virtual void stopCallbackTimer(unsigned id) = 0;
};

// The program's one print job, through which every window prints.
class PrintJob {
  public:
    virtual ~PrintJob() = default;
    // Asks for a printer and prints the source's pages.
    virtual void printThrough(PrintKind kind, PrintSource* source) = 0;
    // A window that goes in the middle of a job must not stay behind as its source.
    virtual void forgetSource(PrintSource* source) = 0;
};

struct CalendarContext {
    AppointmentTable& table;
    const Clock& clock;
    CallbackTimers& timers;
    ViewSettings& settings;
    PrintJob& printJob;
    // The main window: it owns every feature window, which keeps them off the taskbar with it.
    wxWindow* owner;
    // The month view shows something anew: a window closed or changed what it draws from.
    std::function<void()> monthChanged;
    // The clock or the first day of the week changed: every open window and the tip show anew.
    std::function<void()> regionChanged;
    // A to-do item was saved: the calendar server hears of it (the appointments tell through
    // the table).
    std::function<void()> toDoChanged;
};

} // namespace zc
