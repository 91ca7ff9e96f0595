#include "app/notify_icon.h"

#include "app/main_frame.h"
#include "app/no_notify_icon.h"
#if ZORVEL_STATUS_ITEM
#include "app/status_notifier_item.h"
#endif
#include "app/tray_notify_icon.h"

#include <wx/intl.h>

namespace zc {

NotifyIcon::NotifyIcon(CMainFrame& frame)
    : frame_(frame), minuteTimer_(this), lastTipTime_(frame.clock().now() - 1) {}

NotifyIcon::~NotifyIcon() {
    if (tableListener_) frame_.table().removeChangeListener(tableListener_);
    minuteTimer_.Stop();
}

void NotifyIcon::keepTipCurrent() {
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

void NotifyIcon::refreshTip() {
    if (frame_.clock().now() != lastTipTime_) recomputeTip();
}

void NotifyIcon::recomputeTip() {
    const std::int64_t now = frame_.clock().now();
    lastTipTime_ = now;
    if (keeper_.recompute(frame_.table(), static_cast<Time32>(now), frame_.settings().region)) showComposedTip();
}

void NotifyIcon::setSyncFailure(const std::string& failure) {
    if (failure == syncFailure_) return;
    syncFailure_ = failure;
    showComposedTip();
}

void NotifyIcon::showComposedTip() {
    std::string tip = keeper_.tip();
    if (!syncFailure_.empty())
        tip += "\n" + wxString::Format(_("Calendar server: %s"), wxString::FromUTF8(syncFailure_)).utf8_string();
    shown_ = tip;
    showTip(shown_);
}

void NotifyIcon::activated() {
    frame_.notifyIconClicked();
}

void NotifyIcon::armMinuteTimer() {
    const std::int64_t now = frame_.clock().now();
    const std::int64_t secondsLeft = 60 - ((now % 60) + 60) % 60;
    minuteTimer_.StartOnce(static_cast<int>(secondsLeft * 1000));
}

void NotifyIcon::onMinute(wxTimerEvent&) {
    // A clock set back (or a suspend) makes the stored moment too late only until the table next
    // changes; a clock set forward is caught here at the next minute.
    if (keeper_.minutePassed(frame_.table(), static_cast<Time32>(frame_.clock().now()), frame_.settings().region))
        showComposedTip();
    armMinuteTimer();
}

namespace {

bool statusItemPossible() {
#if ZORVEL_STATUS_ITEM
    return statusNotifierWatcherPresent();
#else
    return false;
#endif
}

} // namespace

bool notifyAreaAvailable() {
    return statusItemPossible() || TrayNotifyIcon::trayPresent();
}

std::unique_ptr<NotifyIcon> makeNotifyIcon(CMainFrame& frame) {
#if ZORVEL_STATUS_ITEM
    if (statusNotifierWatcherPresent()) return std::make_unique<StatusNotifierItem>(frame);
#endif
    if (TrayNotifyIcon::trayPresent()) return std::make_unique<TrayNotifyIcon>(frame);
    return std::make_unique<NoNotifyIcon>(frame);
}

} // namespace zc
