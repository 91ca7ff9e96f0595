#pragma once
// The desktop offers no notification area: there is no icon and no tip to keep, and Minimize
// iconizes the window to the taskbar instead of hiding it.
#include "app/notify_icon.h"

namespace zc {

class NoNotifyIcon final : public NotifyIcon {
  public:
    explicit NoNotifyIcon(CMainFrame& frame) : NotifyIcon(frame) {}
    bool shown() const override { return false; }

  private:
    void showTip(const std::string&) override {}
};

} // namespace zc
