// Export of the calendar to an iCalendar file: each appointment a VEVENT in the user's zone,
// each to-do item that holds text a VTODO.
#include "data/ical_shared.h"

#include "data/appointment.h"
#include "data/appointment_table.h"
#include "platform/file_access.h"
#include "data/todo_list.h"
#include "text/text_utils.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

icalcomponent* eventOf(const Appointment& a, icaltimezone* zone, const std::string& tzid, const icaltimetype& stamp) {
    icalcomponent* event = icalcomponent_new_vevent();
    icalcomponent_add_property(event, icalproperty_new_uid(uidOf(a).c_str()));
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

} // namespace

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
            write(eventOf(*a, zone, tzid, stamp), 0);
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
        result.message = "The file \"" + name + "\" could not be written: " + why + ".";
        return result;
    }
    result.ok = true;
    result.events = static_cast<int>(entries.size());
    result.todos = static_cast<int>(items.size());
    result.message = "Exported " + std::to_string(result.events) + " appointments and " +
                     std::to_string(result.todos) + " to-do items to \"" + name + "\".";
    return result;
}

} // namespace zc
