#pragma once
// ReminderWatch decides when an appointment's reminder is raised, so that none is lost in a
// program that lives in the notification area for weeks on a machine that sleeps.
//
// It sits between the appointment table and the main window's one-shot timers: the table arms and
// stops reminder timers through it, so it knows which timers are still pending. Window timers
// count monotonic time, which stands still while the computer is suspended, and a reminder timer
// is only armed once its reminder lies within seven days. The watch therefore keeps a timer of its
// own (kClockCheckTimerId) that looks at the wall clock every few seconds:
// - when the clock moved by much more than the check's period (a wake-up, or the clock was set
//   forward or back), every pending reminder is armed again for the time that is really left, and
//   those that fell due meanwhile are raised at once;
// - once an hour, reminders that have come within seven days are armed.
// A timer that fires more than ten seconds early (the clock was set back) is armed again for the
// rest of the time. Whatever happens, each occurrence's reminder is raised at most once per run.
#include "data/appointment_table.h"
#include "data/services.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

namespace zc {

class ReminderWatch final : public ReminderTimers {
  public:
    // Appointment timers count up from AppointmentTable::kFirstTimerId (3); the watch's own timer
    // uses an identifier below them.
    static constexpr unsigned kClockCheckTimerId = 1;
    static constexpr int kClockCheckSeconds = 5;
    // A gap between two checks beyond this means the clock jumped (or the machine slept).
    static constexpr int kClockJumpSeconds = kClockCheckSeconds + 10;
    // A reminder that comes at most this much before its moment is on time.
    static constexpr int kEarlyToleranceSeconds = 10;
    static constexpr int kHorizonSweepSeconds = 3600;

    // Starts the clock check at once; timers are the main window's real timers.
    ReminderWatch(const Clock& clock, ReminderTimers& timers);

    // ReminderTimers, as the table uses them: passed on, remembering which timers are pending.
    void startOneShot(unsigned id, std::int64_t delayMilliseconds) override;
    void stop(unsigned id) override;
    bool pending(unsigned id) const { return pending_.count(id) != 0; }

    // The main window's timer id fired. Returns the appointments whose reminders are to be raised
    // now, each marked as raised: none, the one of the timer, or several after a wake-up.
    std::vector<Appointment*> timerFired(AppointmentTable& table, unsigned id);

    // What a wake-up does, also run by the clock check when the clock jumped: arms every reminder
    // within seven days again for the time left from now, and returns (marked) those that fell due
    // since `since` or whose timers are still pending although their moment has come.
    std::vector<Appointment*> rearmAfterClockJump(AppointmentTable& table, std::int64_t since);
    // Arms the reminders that have come within seven days and have no pending timer yet.
    void armWithinHorizon(AppointmentTable& table);

  private:
    std::vector<Appointment*> checkClock(AppointmentTable& table);
    void arm(AppointmentTable& table, Appointment& a, std::int64_t delaySeconds);
    bool hasPendingTimer(const Appointment& a) const { return a.timerId != 0 && pending(a.timerId); }

    const Clock& clock_;
    ReminderTimers& timers_;
    std::unordered_set<unsigned> pending_;
    std::int64_t lastCheck_;
    std::int64_t nextSweep_;
};

} // namespace zc
