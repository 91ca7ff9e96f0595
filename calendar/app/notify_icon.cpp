#include "app/notify_icon.h"

#include "app/display_text.h"
#include "app/main_frame.h"
#include "app/program_icon.h"
#include "app/tray_tip.h"

namespace zc {

NotifyIcon::NotifyIcon(CMainFrame& frame)
    : frame_(frame), timer_(this), lastTipTime_(frame.clock().now() - 1) {
    SetIcon(programIconBundle(), displayText(tip_));
    Bind(wxEVT_TASKBAR_LEFT_DOWN, &NotifyIcon::onLeftDown, this);
    Bind(wxEVT_TASKBAR_MOVE, &NotifyIcon::onMove, this);
    Bind(wxEVT_TIMER, &NotifyIcon::onTimer, this);
    timer_.Start(1000);
}

NotifyIcon::~NotifyIcon() {
    timer_.Stop();
    RemoveIcon();
}

void NotifyIcon::refreshTip() {
    const std::int64_t now = frame_.clock().now();
    if (now == lastTipTime_) return;
    lastTipTime_ = now;
    std::string tip = trayTip(frame_.table(), static_cast<Time32>(now));
    if (tip == tip_) return;
    tip_ = std::move(tip);
    SetIcon(programIconBundle(), displayText(tip_));
}

void NotifyIcon::onLeftDown(wxTaskBarIconEvent&) {
    frame_.notifyIconClicked();
}

void NotifyIcon::onMove(wxTaskBarIconEvent&) {
    refreshTip();
}

void NotifyIcon::onTimer(wxTimerEvent&) {
    refreshTip();
}

} // namespace zc
