#pragma once
// The program's one-shot timers: the appointment reminders' (identified by the reminder watch)
// and the countdowns' (each with a callback, numbered from a range of their own so that they never
// meet a reminder's). A timer that fired or was stopped is deleted once the event being handled,
// maybe its own, is over.
#include "data/services.h"
#include "ui/calendar_context.h"

#include <wx/event.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace zc {

class TimerService final : public wxEvtHandler, public ReminderTimers, public CallbackTimers {
  public:
    static constexpr unsigned kFirstCallbackTimerId = 1u << 30;

    // reminderFired is called with the identifier of a reminder timer that fired.
    explicit TimerService(std::function<void(unsigned timerId)> reminderFired);
    ~TimerService() override;
    TimerService(const TimerService&) = delete;
    TimerService& operator=(const TimerService&) = delete;

    void startOneShot(unsigned id, std::int64_t delayMilliseconds) override;
    void stop(unsigned id) override;
    unsigned startCallbackTimer(std::int64_t delayMilliseconds, std::function<void()> callback) override;
    void stopCallbackTimer(unsigned id) override;

    bool timerRunning(unsigned id) const;
    std::vector<unsigned> callbackTimerIds() const;
    // Stops every timer: the program is ending.
    void stopAll();

  private:
    void onTimer(wxTimerEvent& event);
    void dropTimer(unsigned id);

    std::function<void(unsigned)> reminderFired_;
    std::map<unsigned, std::unique_ptr<wxTimer>> timers_;
    std::vector<std::unique_ptr<wxTimer>> retiredTimers_;
    std::map<unsigned, std::function<void()>> callbacks_;
    unsigned nextCallbackId_ = kFirstCallbackTimerId;
};

} // namespace zc
