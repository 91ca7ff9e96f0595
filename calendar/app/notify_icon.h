#pragma once
// The icon in the notification area: its tip names the next appointment, a left click brings the
// main window back on the current month. The tip follows the appointment table: it is computed
// again when the table changes and when the minute turns (appointments fall on whole minutes, and
// "today" and "tomorrow" move at midnight), never by polling.
#include <wx/taskbar.h>
#include <wx/timer.h>

#include <cstdint>
#include <string>

namespace zc {

class CMainFrame;

class NotifyIcon final : public wxTaskBarIcon {
  public:
    explicit NotifyIcon(CMainFrame& frame);
    ~NotifyIcon() override;

    // Hovering: recomputes the tip unless it was computed during this second already.
    void refreshTip();
    // Recomputes the tip now.
    void recomputeTip();
    const std::string& tip() const { return tip_; }
    // One-shot timer set to the next turn of the minute.
    const wxTimer& minuteTimer() const { return minuteTimer_; }

  private:
    void armMinuteTimer();
    void onLeftDown(wxTaskBarIconEvent& event);
    void onMove(wxTaskBarIconEvent& event);
    void onMinute(wxTimerEvent& event);

    CMainFrame& frame_;
    wxTimer minuteTimer_;
    int tableListener_ = 0;
    bool recomputeQueued_ = false;
    std::int64_t lastTipTime_;
    std::string tip_ = "Zorvel Calendar";
};

} // namespace zc
