#pragma once
// One calendar entry: a text at a local date and time, with an optional reminder lead and repeat
// rule. Appointments are created only through their AppointmentTable, which owns them; every change
// is written through to the settings store at once.
#include "data/appointment_values.h"
#include "data/date_helpers.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zc {

class AppointmentTable;
class SettingsKey;

// The longest reminder lead an entry can carry, in minutes: a calendar file's alarm up to a year
// ahead; the program's own dialogs stop at three hours.
inline constexpr std::int32_t kMaxEarlyMinutes = 366 * 24 * 60;

class Appointment {
  public:
    // What the store keeps of the entry.
    AppointmentValues stored;
    // Derived state, never stored.
    unsigned timerId = 0;
    Time32 time = 0;
    // The occurrence time whose reminder was raised in this run, 0 = none. A reminder is raised
    // at most once per occurrence; moving the entry to another time makes a new occurrence.
    Time32 remindedTime = 0;
    bool reminderRaised() const { return remindedTime != 0 && remindedTime == time; }
    // The moment the reminder falls due: the time less the lead.
    std::int64_t dueMoment() const {
        return static_cast<std::int64_t>(time) - static_cast<std::int64_t>(stored.early) * 60;
    }

    Appointment(const Appointment&) = delete;
    Appointment& operator=(const Appointment&) = delete;

    AppointmentTable& table() const { return *table_; }

    void setWhen(int year, int month, int day, int hour, int minute, int early, const std::string& notes);
    // Takes all twelve values at once (a copy, a restored record, an imported event) and files the
    // entry under its new date.
    void setStored(AppointmentValues values);
    void setRepeat(int repeats, const std::string& nthweek, const std::string& sday, int nthday);
    // Rewrites "notes" only, and only when the entry's key exists already.
    void changeNotes(const std::string& text);
    // Writes all twelve values, creating the key when needed.
    void save();
    // Computes time (and started when still 0), saves when asked, and arms the reminder timer when
    // the reminder falls within the next seven days.
    void schedule(bool saveAlso);
    // Stops the reminder, deletes the stored key and clears the repeat kind; the object stays.
    void eraseStored();
    // Takes the twelve values read from the store and computes the time, before the entry is
    // entered into its table; false when the entry is not valid (a date or hour field reads 0, a
    // date no time can hold, or an entry of the table holds the same date and minute).
    bool loadFrom(AppointmentValues values);
    // Code that changes year, month or day directly (rather than through setWhen or schedule)
    // calls this before the table is searched again, so the table's date index stays in step.
    void reindex();
    // Generates the repeat series that starts at this entry.
    void applyRepeat();

  private:
    friend class AppointmentTable;
    explicit Appointment(AppointmentTable& table);
    // schedule() once the time is computed.
    void scheduleAtTime(bool saveAlso);
    AppointmentTable* table_;
    std::size_t slot_ = 0;         // position in the table
    std::int64_t indexedDate_ = 0; // the date under which the table's index files this entry
};

} // namespace zc
