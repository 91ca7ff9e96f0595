#include "app/notify_icon.h"

#include "app/display_text.h"
#include "app/main_frame.h"
#include "app/program_icon.h"
#include "app/tray_tip.h"

namespace zc {

NotifyIcon::NotifyIcon(CMainFrame& frame)
    : frame_(frame), minuteTimer_(this), lastTipTime_(frame.clock().now() - 1) {
    SetIcon(programIconBundle(), displayText(tip_));
    Bind(wxEVT_TASKBAR_LEFT_DOWN, &NotifyIcon::onLeftDown, this);
    Bind(wxEVT_TASKBAR_MOVE, &NotifyIcon::onMove, this);
    Bind(wxEVT_TIMER, &NotifyIcon::onMinute, this);
    // One edit tells the table's listeners several times (entered, given its text, saved,
    // scheduled); the tip is computed once, after the edit.
    tableListener_ = frame_.table().addChangeListener([this] {
        if (recomputeQueued_) return;
        recomputeQueued_ = true;
        CallAfter([this] {
            recomputeQueued_ = false;
            recomputeTip();
        });
    });
    armMinuteTimer();
}

NotifyIcon::~NotifyIcon() {
    frame_.table().removeChangeListener(tableListener_);
    minuteTimer_.Stop();
    RemoveIcon();
}

void NotifyIcon::refreshTip() {
    if (frame_.clock().now() != lastTipTime_) recomputeTip();
}

void NotifyIcon::recomputeTip() {
    const std::int64_t now = frame_.clock().now();
    lastTipTime_ = now;
    std::string tip = trayTip(frame_.table(), static_cast<Time32>(now));
    if (tip == tip_) return;
    tip_ = std::move(tip);
    SetIcon(programIconBundle(), displayText(tip_));
}

void NotifyIcon::armMinuteTimer() {
    const std::int64_t now = frame_.clock().now();
    const std::int64_t secondsLeft = 60 - ((now % 60) + 60) % 60;
    minuteTimer_.StartOnce(static_cast<int>(secondsLeft * 1000));
}

void NotifyIcon::onLeftDown(wxTaskBarIconEvent&) {
    frame_.notifyIconClicked();
}

void NotifyIcon::onMove(wxTaskBarIconEvent&) {
    refreshTip();
}

void NotifyIcon::onMinute(wxTimerEvent&) {
    recomputeTip();
    armMinuteTimer();
}

} // namespace zc
