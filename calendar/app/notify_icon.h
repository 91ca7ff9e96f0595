#pragma once
// The icon in the notification area: its tip names the next appointment, a left click brings the
// main window back on the current month. The toolkit reports no hovering over the icon here, so a
// one-second timer keeps the tip current instead; the tip is still computed at most once a second.
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

    // Recomputes the tip unless it was computed during this second already.
    void refreshTip();
    const std::string& tip() const { return tip_; }

  private:
    void onLeftDown(wxTaskBarIconEvent& event);
    void onMove(wxTaskBarIconEvent& event);
    void onTimer(wxTimerEvent& event);

    CMainFrame& frame_;
    wxTimer timer_;
    std::int64_t lastTipTime_;
    std::string tip_ = "Zorvel Calendar";
};

} // namespace zc
