#include "data/reminder_watch.h"

#include <algorithm>

namespace zc {

ReminderWatch::ReminderWatch(const Clock& clock, ReminderTimers& timers)
    : clock_(clock), timers_(timers), lastCheck_(clock.now()), nextSweep_(lastCheck_ + kHorizonSweepSeconds) {
    timers_.startOneShot(kClockCheckTimerId, kClockCheckSeconds * 1000);
}

void ReminderWatch::startOneShot(unsigned id, std::int64_t delayMilliseconds) {
    pending_.insert(id);
    timers_.startOneShot(id, delayMilliseconds);
}

void ReminderWatch::stop(unsigned id) {
    pending_.erase(id);
    timers_.stop(id);
}

void ReminderWatch::arm(AppointmentTable& table, Appointment& a, std::int64_t delaySeconds) {
    if (a.timerId != 0) stop(a.timerId);
    a.timerId = table.nextTimerId();
    startOneShot(a.timerId, delaySeconds * 1000);
}

std::vector<Appointment*> ReminderWatch::timerFired(AppointmentTable& table, unsigned id) {
    if (id == kClockCheckTimerId) return checkClock(table);
    stop(id);
    Appointment* a = table.findByTimer(id);
    if (!a || a->stored.early == -1 || a->reminderRaised()) return {};
    const std::int64_t left = a->dueMoment() - clock_.now();
    if (left > kEarlyToleranceSeconds) {
        // The clock was set back since the timer was armed: the reminder waits for its moment.
        // One now more than seven days away is armed by the hourly look once it comes closer.
        if (left < kSecondsPerWeek) arm(table, *a, left);
        return {};
    }
    a->remindedTime = a->time;
    return {a};
}

std::vector<Appointment*> ReminderWatch::checkClock(AppointmentTable& table) {
    const std::int64_t now = clock_.now();
    std::vector<Appointment*> raised;
    if (now - lastCheck_ > kClockJumpSeconds || now < lastCheck_)
        raised = rearmAfterClockJump(table, lastCheck_);
    else if (now >= nextSweep_)
        armWithinHorizon(table);
    lastCheck_ = now;
    // The check's own timer is not a reminder, so it stays out of the pending set.
    timers_.startOneShot(kClockCheckTimerId, kClockCheckSeconds * 1000);
    return raised;
}

std::vector<Appointment*> ReminderWatch::rearmAfterClockJump(AppointmentTable& table, std::int64_t since) {
    const std::int64_t now = clock_.now();
    nextSweep_ = now + kHorizonSweepSeconds;
    // A reminder that fell due while the computer slept is raised on waking even if it had not been
    // armed yet (it lay beyond seven days when the machine went to sleep), but a clock that jumps
    // years ahead must not raise every reminder of those years: unarmed ones count for a week back.
    const std::int64_t oldestUnarmed = std::max(since, now - kSecondsPerWeek);
    std::vector<Appointment*> raised;
    table.forEach([&](Appointment& a) {
        if (a.stored.early == -1 || a.reminderRaised()) return;
        const std::int64_t due = a.dueMoment();
        const bool armed = hasPendingTimer(a);
        if (due - now <= kEarlyToleranceSeconds) {
            if (!armed && due <= oldestUnarmed) return;
            if (armed) stop(a.timerId);
            a.remindedTime = a.time;
            raised.push_back(&a);
        } else if (due - now < kSecondsPerWeek) {
            arm(table, a, due - now);
        } else if (armed) {
            // The clock went back by more than a week; the hourly look arms it again in time.
            stop(a.timerId);
        }
    });
    std::stable_sort(raised.begin(), raised.end(),
                     [](const Appointment* x, const Appointment* y) { return x->dueMoment() < y->dueMoment(); });
    return raised;
}

void ReminderWatch::armWithinHorizon(AppointmentTable& table) {
    const std::int64_t now = clock_.now();
    nextSweep_ = now + kHorizonSweepSeconds;
    table.forEach([&](Appointment& a) {
        if (a.stored.early == -1 || a.reminderRaised() || hasPendingTimer(a)) return;
        const std::int64_t left = a.dueMoment() - now;
        if (left > 0 && left < kSecondsPerWeek) arm(table, a, left);
    });
}

} // namespace zc
