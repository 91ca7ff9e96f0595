#include "app/tray_notify_icon.h"

#include "ui/display_text.h"
#include "ui/program_icon.h"

namespace zc {

TrayNotifyIcon::TrayNotifyIcon(CMainFrame& frame) : NotifyIcon(frame) {
    icon_.SetIcon(programIconBundle(), displayText(tip()));
    icon_.Bind(wxEVT_TASKBAR_LEFT_DOWN, [this](wxTaskBarIconEvent&) { activated(); });
    icon_.Bind(wxEVT_TASKBAR_MOVE, [this](wxTaskBarIconEvent&) { refreshTip(); });
    keepTipCurrent();
}

TrayNotifyIcon::~TrayNotifyIcon() {
    icon_.RemoveIcon();
}

void TrayNotifyIcon::showTip(const std::string& tip) {
    icon_.SetIcon(programIconBundle(), displayText(tip));
}

} // namespace zc
