#include "app/timer_service.h"

#include <algorithm>
#include <climits>

namespace zc {

TimerService::TimerService(std::function<void(unsigned)> reminderFired) : reminderFired_(std::move(reminderFired)) {
    Bind(wxEVT_TIMER, &TimerService::onTimer, this);
}

TimerService::~TimerService() {
    stopAll();
}

void TimerService::stopAll() {
    for (auto& [id, timer] : timers_)
        timer->Stop();
}

void TimerService::startOneShot(unsigned id, std::int64_t delayMilliseconds) {
    auto& timer = timers_[id];
    if (!timer) timer = std::make_unique<wxTimer>(this, static_cast<int>(id));
    timer->StartOnce(static_cast<int>(std::clamp<std::int64_t>(delayMilliseconds, 1, INT_MAX)));
}

void TimerService::stop(unsigned id) {
    dropTimer(id);
}

void TimerService::dropTimer(unsigned id) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) return;
    found->second->Stop();
    retiredTimers_.push_back(std::move(found->second));
    timers_.erase(found);
    if (retiredTimers_.size() == 1) CallAfter([this] { retiredTimers_.clear(); });
}

unsigned TimerService::startCallbackTimer(std::int64_t delayMilliseconds, std::function<void()> callback) {
    const unsigned id = nextCallbackId_++;
    callbacks_[id] = std::move(callback);
    startOneShot(id, delayMilliseconds);
    return id;
}

void TimerService::stopCallbackTimer(unsigned id) {
    callbacks_.erase(id);
    dropTimer(id);
}

std::vector<unsigned> TimerService::callbackTimerIds() const {
    std::vector<unsigned> ids;
    for (const auto& entry : callbacks_)
        ids.push_back(entry.first);
    return ids;
}

bool TimerService::timerRunning(unsigned id) const {
    const auto found = timers_.find(id);
    return found != timers_.end() && found->second->IsRunning();
}

void TimerService::onTimer(wxTimerEvent& event) {
    const auto id = static_cast<unsigned>(event.GetId());
    if (const auto found = callbacks_.find(id); found != callbacks_.end()) {
        const std::function<void()> callback = std::move(found->second);
        callbacks_.erase(found);
        dropTimer(id);
        callback();
        return;
    }
    if (!timers_.count(id)) {
        event.Skip();
        return;
    }
    dropTimer(id);
    if (reminderFired_) reminderFired_(id);
}

} // namespace zc
