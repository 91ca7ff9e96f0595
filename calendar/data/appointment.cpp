#include "data/appointment.h"

#include "data/appointment_table.h"
#include "data/settings_key.h"

namespace zc {

Appointment::Appointment(AppointmentTable& table) : table_(&table) {
    stored.early = table.defaultEarly();
}

void Appointment::setWhen(int y, int m, int d, int h, int min, int lead, const std::string& text) {
    stored.year = y;
    stored.month = m;
    stored.day = d;
    stored.hour = h;
    stored.minute = min;
    stored.early = lead;
    stored.notes = text;
    reindex();
}

void Appointment::setStored(AppointmentValues values) {
    stored = std::move(values);
    reindex();
}

void Appointment::setRepeat(int kind, const std::string& week, const std::string& weekday, int wantedDay) {
    stored.repeats = kind;
    stored.nthweek = week;
    stored.sday = weekday;
    stored.nthday = wantedDay;
}

void Appointment::changeNotes(const std::string& text) {
    stored.notes = text;
    table().changed();
    SettingsKey key;
    // Only an entry that is stored already has its text rewritten; looking first keeps the
    // write-side open from leaving an empty key behind for an entry that was never saved.
    if (!key.openAppointmentForRead(stored.year, stored.month,
                                    std::to_string(stored.day) + "_" + std::to_string(stored.hour) + "_" +
                                        std::to_string(stored.minute)))
        return;
    if (key.openAppointment(stored.year, stored.month, stored.day, stored.hour, stored.minute) ==
        SettingsKey::kExisted)
        key.writeString("notes", stored.notes);
}

void Appointment::save() {
    // The entry in memory has changed whether or not the store takes it.
    table().changed();
    // The key and its twelve values land together: a kill between the two must not leave a key
    // without values behind.
    StoreBatch batch(settingsStore());
    SettingsKey key;
    if (key.openAppointment(stored.year, stored.month, stored.day, stored.hour, stored.minute) ==
        SettingsKey::kFailed)
        return;
    key.writeAppointment(stored);
}

void Appointment::schedule(bool saveAlso) {
    time = localTime(stored.year, stored.month, stored.day, stored.hour, stored.minute);
    scheduleAtTime(saveAlso);
}

void Appointment::scheduleAtTime(bool saveAlso) {
    if (stored.started == 0 && time != -1) stored.started = time;
    reindex();
    if (saveAlso) save();
    AppointmentTable& t = table();
    if (timerId != 0) t.timers().stop(timerId);
    t.changed();
    // A lead changed after the reminder came must not bring it back a second time, and a date
    // outside what a time can hold (-1) is never due.
    if (stored.early == -1 || time == -1 || reminderRaised()) return;
    const std::int64_t delay = dueMoment() - t.clock().now();
    if (delay > 0 && delay < kSecondsPerWeek) {
        timerId = t.nextTimerId();
        t.timers().startOneShot(timerId, delay * 1000);
    }
}

void Appointment::eraseStored() {
    if (timerId != 0) table().timers().stop(timerId);
    timerId = 0;
    SettingsKey key;
    key.deleteAppointmentKey(stored.year, stored.month, stored.day, stored.hour, stored.minute);
    stored.repeats = 0;
    table().changed();
}

bool Appointment::loadFrom(AppointmentValues values) {
    stored = std::move(values);
    if (stored.year == 0 || stored.month == 0 || stored.day == 0 || stored.hour == 0) return false;
    // A date that no time can hold (a damaged record) would wrap round to another year.
    time = localTime(stored.year, stored.month, stored.day, stored.hour, stored.minute);
    if (time == -1) return false;
    return table().findAt(stored.year, stored.month, stored.day, stored.hour, stored.minute, this) == nullptr;
}

void Appointment::reindex() {
    table().reindex(*this);
}

} // namespace zc
