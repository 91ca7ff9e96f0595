#pragma once
// The notification icon in an X11 tray (the toolkit's task-bar icon): the tip is recomputed when
// the mouse passes over the icon, at most once a second, and follows the table in between.
#include "app/notify_icon.h"

#include <wx/taskbar.h>

namespace zc {

class TrayNotifyIcon final : public NotifyIcon {
  public:
    explicit TrayNotifyIcon(CMainFrame& frame);
    ~TrayNotifyIcon() override;

    bool shown() const override { return icon_.IsIconInstalled(); }
    // An X11 tray is running on this display.
    static bool trayPresent() { return wxTaskBarIcon::IsAvailable(); }

  private:
    void showTip(const std::string& tip) override;

    wxTaskBarIcon icon_;
};

} // namespace zc
