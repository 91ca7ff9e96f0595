#pragma once
// The program's icon in the desktop's notification area: its tip names the next appointment, a
// left click brings the main window back on the current month. Desktops offer such an icon in
// different ways (a status item over D-Bus, the X11 tray, or none at all); the main frame holds
// one NotifyIcon, chosen at start by makeNotifyIcon, and never asks which kind it is.
//
// The tip follows the appointment table: it is computed again when the table changes, and the
// minute timer recomputes it only once the moment has come at which its text changes by itself
// (the appointment passes, the day turns, the appointment comes within a week). Idle minutes cost
// one comparison, whatever the size of the table.
#include "data/tray_tip.h"

#include <wx/event.h>
#include <wx/timer.h>

#include <cstdint>
#include <memory>

namespace zc {

class CMainFrame;

class NotifyIcon : public wxEvtHandler {
  public:
    ~NotifyIcon() override;
    NotifyIcon(const NotifyIcon&) = delete;
    NotifyIcon& operator=(const NotifyIcon&) = delete;

    // The icon is where the user can click it now: File > Minimize hides the window only then.
    virtual bool shown() const = 0;

    // Hovering: recomputes the tip unless it was computed during this second already.
    void refreshTip();
    // Recomputes the tip now.
    void recomputeTip();
    // The tip as shown: the next appointment, and below it the last sync's failure, if any.
    const std::string& tip() const { return shown_; }
    // The last sync's failure (empty: it succeeded), named in the tip until a sync succeeds.
    void setSyncFailure(const std::string& failure);
    // One-shot timer set to the next turn of the minute while the tip is kept current.
    const wxTimer& minuteTimer() const { return minuteTimer_; }
    // When the tip's text changes next without a change to the table.
    std::int64_t tipChangesAt() const { return keeper_.changesAt(); }

  protected:
    explicit NotifyIcon(CMainFrame& frame);
    // Starts following the table and the clock; icons that show no tip never call it.
    void keepTipCurrent();
    // The icon shows a new tip (stored bytes, as trayTip gives them).
    virtual void showTip(const std::string& tip) = 0;
    // A left click on the icon, or its activation.
    void activated();

    CMainFrame& frame_;

  private:
    void armMinuteTimer();
    void onMinute(wxTimerEvent& event);
    // Composes the tip from the next appointment and the failure, and shows it when it changed.
    void showComposedTip();

    wxTimer minuteTimer_;
    int tableListener_ = 0;
    bool recomputeQueued_ = false;
    std::int64_t lastTipTime_;
    TipKeeper keeper_;
    std::string syncFailure_;
    std::string shown_ = keeper_.tip();
};

// True where the desktop offers a notification area of any kind; the frame then keeps no taskbar
// button of its own.
bool notifyAreaAvailable();

// The icon this desktop offers: the status item when a status-notifier watcher is on the session
// bus, else the X11 tray icon when there is a tray, else none (Minimize then iconizes).
std::unique_ptr<NotifyIcon> makeNotifyIcon(CMainFrame& frame);

} // namespace zc
