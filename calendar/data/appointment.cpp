#include "data/appointment.h"

#include "data/appointment_table.h"
#include "data/settings_key.h"

namespace zc {

Appointment::Appointment(AppointmentTable& table) : early(table.defaultEarly()), table_(&table) {}

void Appointment::setWhen(int y, int m, int d, int h, int min, int lead, const std::string& text) {
    year = y;
    month = m;
    day = d;
    hour = h;
    minute = min;
    early = lead;
    notes = text;
    reindex();
}

void Appointment::setRepeat(int kind, const std::string& week, const std::string& weekday, int wantedDay) {
    repeats = kind;
    nthweek = week;
    sday = weekday;
    nthday = wantedDay;
}

void Appointment::changeNotes(const std::string& text) {
    notes = text;
    table().changed();
    SettingsKey key;
    // Only an entry that is stored already has its text rewritten; looking first keeps the
    // write-side open from leaving an empty key behind for an entry that was never saved.
    if (!key.openAppointmentForRead(
            year, month, std::to_string(day) + "_" + std::to_string(hour) + "_" + std::to_string(minute)))
        return;
    if (key.openAppointment(year, month, day, hour, minute) == SettingsKey::kExisted)
        key.writeString("notes", notes);
}

void Appointment::save() {
    // The entry in memory has changed whether or not the store takes it.
    table().changed();
    SettingsKey key;
    if (key.openAppointment(year, month, day, hour, minute) == SettingsKey::kFailed) return;
    key.writeAppointment(
        {year, month, day, hour, minute, early, notes, started, repeats, sday, nthweek, nthday});
}

void Appointment::schedule(bool saveAlso) {
    time = localTime(year, month, day, hour, minute);
    if (started == 0) started = time;
    reindex();
    if (saveAlso) save();
    AppointmentTable& t = table();
    if (timerId != 0) t.timers().stop(timerId);
    t.changed();
    // A lead changed after the reminder came must not bring it back a second time.
    if (early == -1 || reminderRaised()) return;
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
    key.deleteAppointmentKey(year, month, day, hour, minute);
    repeats = 0;
    table().changed();
}

bool Appointment::loadFrom(const SettingsKey& key) {
    AppointmentValues v;
    v.notes = notes;
    v.sday = sday;
    v.nthweek = nthweek;
    key.readAppointment(v);
    year = v.year;
    month = v.month;
    day = v.day;
    hour = v.hour;
    minute = v.minute;
    early = v.early;
    notes = v.notes;
    started = v.started;
    repeats = v.repeats;
    sday = v.sday;
    nthweek = v.nthweek;
    nthday = v.nthday;
    reindex();
    if (year == 0 || month == 0 || day == 0 || hour == 0) return false;
    return table().findAt(year, month, day, hour, minute, this) == nullptr;
}

void Appointment::reindex() {
    table().reindex(*this);
}

} // namespace zc
