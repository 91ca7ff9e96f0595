// Export of the calendar to an iCalendar file: each appointment a VEVENT in the user's zone,
// each to-do item that holds text a VTODO.
#include "data/ical_shared.h"

#include "data/appointment.h"
#include "data/appointment_table.h"
#include "data/todo_list.h"
#include "platform/file_access.h"
#include "text/text_utils.h"
#include "text/translatable.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zc {

using namespace ical;

namespace {

// Another calendar needs an end for a timed event; an entry fills its half-hour slot.
constexpr int kEventMinutes = 30;
constexpr const char* kProductId = "-//Ombrix//Zorvel Calendar//EN";

// Control characters have no place in an iCalendar text; line breaks are escaped by the library.
std::string exportedText(const std::string& stored) {
    std::string text = text::validUtf8(stored);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n') c = ' ';
    return text;
}

std::string uidOf(const Appointment& a) {
    char uid[96];
    std::snprintf(uid, sizeof uid, "zorvelcal-%d_%d-%d_%d_%d@ombrix", a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute);
    return uid;
}

bool isAllDay(const Appointment& a) {
    return a.stored.hour == kFirstSlotHour && a.stored.minute == 0 && a.stored.notes.size() > kAllDayPrefix.size() &&
           std::string_view(a.stored.notes).starts_with(kAllDayPrefix);
}

icalproperty* datedProperty(icalproperty* property, const char* tzid) {
    if (tzid) icalproperty_add_parameter(property, icalparameter_new_tzid(tzid));
    return property;
}

icalcomponent* eventOf(const Appointment& a, icaltimezone* zone, const std::string& tzid, const icaltimetype& stamp,
                       const std::string& uid) {
    icalcomponent* event = icalcomponent_new_vevent();
    icalcomponent_add_property(event, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
    const bool allDay = isAllDay(a);
    // The instant the reminder is measured from: the slot, or an all-day event's midnight.
    std::int64_t from = a.time;
    if (allDay) {
        icaltimetype day = icaltime_null_date();
        day.year = a.stored.year;
        day.month = a.stored.month;
        day.day = a.stored.day;
        icalcomponent_add_property(event, icalproperty_new_dtstart(day));
        icaltime_adjust(&day, 1, 0, 0, 0);
        icalcomponent_add_property(event, icalproperty_new_dtend(day));
        from = localTime(a.stored.year, a.stored.month, a.stored.day, 0, 0);
    } else if (zone) {
        icalcomponent_add_property(
            event, datedProperty(icalproperty_new_dtstart(wallTime(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute)), tzid.c_str()));
    } else {
        icalcomponent_add_property(event, icalproperty_new_dtstart(utcTime(a.time)));
    }
    if (!allDay)
        icalcomponent_add_property(event, icalproperty_new_duration(icaldurationtype_from_int(kEventMinutes * 60)));
    const std::string summary = exportedText(allDay ? a.stored.notes.substr(kAllDayPrefix.size()) : a.stored.notes);
    icalcomponent_add_property(event, icalproperty_new_summary(summary.c_str()));
    if (a.stored.early >= 0) {
        icalcomponent* alarm = icalcomponent_new_valarm();
        icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icaltriggertype trigger{};
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(static_cast<int>(a.time - a.stored.early * 60LL - from));
        icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
        icalcomponent_add_property(alarm, icalproperty_new_description(summary.c_str()));
        icalcomponent_add_component(event, alarm);
    }
    return event;
}

icalcomponent* newCalendar() {
    icalcomponent* calendar = icalcomponent_new_vcalendar();
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid(kProductId));
    icalcomponent_add_property(calendar, icalproperty_new_calscale("GREGORIAN"));
    return calendar;
}

std::string textOf(icalcomponent* component) {
    const std::unique_ptr<char, CharFree> text(icalcomponent_as_ical_string_r(component));
    return text ? std::string(text.get()) : std::string();
}

Component parsed(std::string_view text) {
    prepareLibrary();
    Component root(icalparser_parse_string(std::string(text.substr(0, text.find('\0'))).c_str()));
    if (root && icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) root.reset();
    return root;
}

// The series' own event: the one without a RECURRENCE-ID.
icalcomponent* masterOf(icalcomponent* calendar) {
    for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
        if (!icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY)) return e;
    return nullptr;
}

void removeAll(icalcomponent* component, icalproperty_kind kind) {
    while (icalproperty* p = icalcomponent_get_first_property(component, kind)) {
        icalcomponent_remove_property(component, p);
        icalproperty_free(p);
    }
}

// An occurrence's instant as the series' start writes its dates: in the start's zone, in UTC,
// on the floating local clock, or as a date.
icaltimetype occurrenceTime(icalcomponent* master, std::int64_t occurrence, const char** tzid) {
    icalproperty* start = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
    const icaltimetype first = icalcomponent_get_dtstart(master);
    icalparameter* zoneParameter = start ? icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER) : nullptr;
    *tzid = zoneParameter ? icalparameter_get_tzid(zoneParameter) : nullptr;
    icaltimezone* zone = *tzid ? systemZone(*tzid) : nullptr;
    if (!zone && *tzid) zone = icalcomponent_get_timezone(icalcomponent_get_parent(master), *tzid);
    icaltimetype t;
    if (zone) {
        t = icaltime_from_timet_with_zone(static_cast<time_t>(occurrence), 0, zone);
    } else if (icaltime_is_utc(first)) {
        t = utcTime(occurrence);
    } else {
        const LocalDate local = toLocal(static_cast<Time32>(occurrence));
        t = wallTime(local.year, local.month, local.day, local.hour, local.minute);
    }
    t.zone = nullptr;
    if (first.is_date) {
        t.is_date = 1;
        t.hour = t.minute = t.second = 0;
    }
    if (icaltime_is_utc(first) && !first.is_date) t = utcTime(occurrence);
    return t;
}

// The event that overrides one date of the series (its RECURRENCE-ID written as wanted), if any.
icalcomponent* overrideOf(icalcomponent* calendar, const std::string& wanted) {
    for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY);
        if (id && wanted == icaltime_as_ical_string(icalproperty_get_recurrenceid(id))) return e;
    }
    return nullptr;
}

// The entry shows summary and description as one text, so a changed text replaces both.
void setText(icalcomponent* event, const std::string& text) {
    removeAll(event, ICAL_SUMMARY_PROPERTY);
    removeAll(event, ICAL_DESCRIPTION_PROPERTY);
    icalcomponent_add_property(event, icalproperty_new_summary(exportedText(text).c_str()));
}

// The zone as an object the sync sends needs it: rules for a year either side of the entry's year,
// which covers a year either side of the entry. A sync sends thousands of objects, and working
// the zone's rules out anew for each cost more than everything else the sending does, so each
// year's is made once per thread (the sync's worker and the window thread each keep their own).
icalcomponent* vtimezoneForYearOf(icaltimezone* zone, std::int64_t time) {
    using namespace std::chrono;
    const auto day = floor<days>(sys_seconds(seconds(time)));
    const year y = year_month_day(day).year();
    const std::int64_t from = sys_seconds(sys_days(y / January / 1)).time_since_epoch().count();
    const std::int64_t to = sys_seconds(sys_days((y + years(1)) / January / 1)).time_since_epoch().count() - 1;
    thread_local std::map<std::pair<icaltimezone*, int>, Component> made;
    Component& vtimezone = made[{zone, static_cast<int>(y)}];
    if (!vtimezone) vtimezone.reset(vtimezoneOf(zone, from, to));
    return icalcomponent_new_clone(vtimezone.get());
}

} // namespace

std::string eventObjectText(const Appointment& entry, const std::string& uid, std::int64_t now) {
    prepareLibrary();
    Component calendar(newCalendar());
    icaltimezone* zone = userZone();
    const std::string tzid = zone ? zoneName(zone) : "";
    if (zone) icalcomponent_add_component(calendar.get(), vtimezoneForYearOf(zone, entry.time));
    icalcomponent_add_component(calendar.get(), eventOf(entry, zone, tzid, utcTime(now), uid));
    return textOf(calendar.get());
}

std::string todoObjectText(const std::string& text, const std::string& uid, std::int64_t now) {
    prepareLibrary();
    Component calendar(newCalendar());
    icalcomponent* todo = icalcomponent_new_vtodo();
    icalcomponent_add_property(todo, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(todo, icalproperty_new_dtstamp(utcTime(now)));
    icalcomponent_add_property(todo, icalproperty_new_summary(exportedText(text).c_str()));
    icalcomponent_add_component(calendar.get(), todo);
    return textOf(calendar.get());
}

std::string withNewSummary(std::string_view objectText, const std::string& text) {
    Component calendar = parsed(objectText);
    icalcomponent* master = calendar ? masterOf(calendar.get()) : nullptr;
    if (!master) {
        for (icalcomponent* t = calendar ? icalcomponent_get_first_component(calendar.get(), ICAL_VTODO_COMPONENT) : nullptr;
             t; t = nullptr)
            master = t;
    }
    if (!master) return {};
    setText(master, text);
    return textOf(calendar.get());
}

std::string withDateErased(std::string_view objectText, std::int64_t occurrence) {
    Component calendar = parsed(objectText);
    icalcomponent* master = calendar ? masterOf(calendar.get()) : nullptr;
    if (!master) return {};
    const char* tzid = nullptr;
    const icaltimetype date = occurrenceTime(master, occurrence, &tzid);
    // An override of that date goes with it.
    while (icalcomponent* e = overrideOf(calendar.get(), icaltime_as_ical_string(date))) {
        icalcomponent_remove_component(calendar.get(), e);
        icalcomponent_free(e);
    }
    icalproperty* exdate = icalproperty_new_exdate(date);
    if (tzid && !icaltime_is_utc(date)) icalproperty_add_parameter(exdate, icalparameter_new_tzid(tzid));
    icalcomponent_add_property(master, exdate);
    return textOf(calendar.get());
}

std::string withDateChanged(std::string_view objectText, std::int64_t occurrence, const std::string& text) {
    Component calendar = parsed(objectText);
    icalcomponent* master = calendar ? masterOf(calendar.get()) : nullptr;
    if (!master) return {};
    const char* tzid = nullptr;
    const icaltimetype date = occurrenceTime(master, occurrence, &tzid);
    if (icalcomponent* e = overrideOf(calendar.get(), icaltime_as_ical_string(date))) {
        setText(e, text);
        return textOf(calendar.get());
    }
    // The override is the series' event for that one date: same length and alarms, its own start
    // and text, without the rules that make the series.
    icalcomponent* instance = icalcomponent_new_clone(master);
    for (icalproperty_kind kind : {ICAL_RRULE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_EXDATE_PROPERTY, ICAL_EXRULE_PROPERTY,
                                   ICAL_DTSTART_PROPERTY, ICAL_DTEND_PROPERTY})
        removeAll(instance, kind);
    const icaltimetype first = icalcomponent_get_dtstart(master);
    const icaltimetype end = icalcomponent_get_dtend(master);
    icalproperty* id = icalproperty_new_recurrenceid(date);
    icalproperty* start = icalproperty_new_dtstart(date);
    if (tzid && !icaltime_is_utc(date)) {
        icalproperty_add_parameter(id, icalparameter_new_tzid(tzid));
        icalproperty_add_parameter(start, icalparameter_new_tzid(tzid));
    }
    icalcomponent_add_property(instance, id);
    icalcomponent_add_property(instance, start);
    if (!icalcomponent_get_first_property(instance, ICAL_DURATION_PROPERTY) && !icaltime_is_null_time(end) &&
        !icaltime_is_null_time(first))
        icalcomponent_add_property(instance, icalproperty_new_duration(icaltime_subtract(end, first)));
    setText(instance, text);
    icalcomponent_add_component(calendar.get(), instance);
    return textOf(calendar.get());
}

IcsExportResult exportIcs(const AppointmentTable& table, const std::string& path) {
    prepareLibrary();
    IcsExportResult result;
    const std::string name = shownName(path);

    std::vector<const Appointment*> entries;
    entries.reserve(table.size());
    table.forEach([&](const Appointment& a) {
        if (isRealDateTime(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute)) entries.push_back(&a);
    });
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Appointment* a, const Appointment* b) { return a->time < b->time; });

    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(kProductId));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    icaltimezone* zone = userZone();
    const std::string tzid = zone ? zoneName(zone) : "";
    if (zone && !entries.empty())
        icalcomponent_add_component(calendar.get(), vtimezoneOf(zone, entries.front()->time, entries.back()->time));
    const icaltimetype stamp = utcTime(table.clock().now());
    TodoList toDo;
    toDo.load();
    const auto items = toDo.filledItems();

    // The file is replaced only by a whole new one (a link at path is followed, anything but a
    // regular file refused). Each event is written as soon as the library has turned it into
    // text, so the whole calendar never stands in memory twice.
    std::string why;
    const ReplaceResult replaced = replaceFile(path, [&](std::FILE* file) {
        bool written = true;
        const auto write = [&](icalcomponent* component, std::size_t dropTail) {
            const Component owned(component);
            const std::unique_ptr<char, CharFree> text(icalcomponent_as_ical_string_r(component));
            const std::size_t size = text ? std::strlen(text.get()) : 0;
            const std::size_t keep = size - std::min(size, dropTail);
            written = written && std::fwrite(text.get(), 1, keep, file) == keep;
        };
        // The calendar with its zone, without its closing line, which follows the events.
        constexpr std::string_view kClosing = "END:VCALENDAR\r\n";
        write(calendar.release(), kClosing.size());
        for (const Appointment* a : entries)
            write(eventOf(*a, zone, tzid, stamp, uidOf(*a)), 0);
        for (const auto& [number, item] : items) {
            icalcomponent* todo = icalcomponent_new_vtodo();
            const std::string uid = "zorvelcal-todo-" + std::to_string(number) + "@ombrix";
            icalcomponent_add_property(todo, icalproperty_new_uid(uid.c_str()));
            icalcomponent_add_property(todo, icalproperty_new_dtstamp(stamp));
            icalcomponent_add_property(todo, icalproperty_new_summary(exportedText(item).c_str()));
            write(todo, 0);
        }
        return written && std::fwrite(kClosing.data(), 1, kClosing.size(), file) == kClosing.size();
    }, why);
    if (replaced != ReplaceResult::kDone) {
        result.message = text::formatted(N_("The file \"%s\" could not be written: %s."), {name, why});
        return result;
    }
    result.ok = true;
    result.events = static_cast<int>(entries.size());
    result.todos = static_cast<int>(items.size());
    result.message = text::formatted(N_("Exported %d appointments and %d to-do items to \"%s\"."),
                                     {std::to_string(result.events), std::to_string(result.todos), name});
    return result;
}

} // namespace zc
