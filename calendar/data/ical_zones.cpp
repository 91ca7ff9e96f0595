// Zone look-up of the iCalendar exchange: the zones a file names by TZID, by its own VTIMEZONE or
// by a Windows name, the user's own zone, and the VTIMEZONE an export writes for it.
#include "data/ical_shared.h"
#include "platform/platform.h"

#include <unicode/ucal.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace zc::ical {
namespace {

// The changes of offset one VTIMEZONE of a file may hold up to the last year a time can hold: real
// zones have a few hundred at most. The library lists every change from the zone's first one
// when it converts a time; observances repeating by the hour would take minutes and gigabytes.
constexpr int kMaxZoneChanges = 2000;

// What the library writes before a zone's name in the TZIDs of its own files.
constexpr std::string_view kLibraryPrefix = "/freeassociation.sourceforge.net/";

// A zone of the system's time zone database, by its name ("Europe/Berlin"), or by the TZID the
// library writes for it. The library finds a zone by opening the file of that name below the
// database's folder, so only names made of the characters zone names use are looked up: "..",
// an absolute path or a device would otherwise be opened, and "/dev/stdin" would wait for ever.
icaltimezone* databaseZone(std::string_view name) {
    if (name.starts_with(kLibraryPrefix)) name.remove_prefix(kLibraryPrefix.size());
    if (name.empty() || name.size() > 64 || name.front() == '/' || name.back() == '/') return nullptr;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '/' && c != '_' && c != '-' && c != '+')
            return nullptr;
    return icaltimezone_get_builtin_timezone(std::string(name).c_str());
}

// The zone database's name for a Windows zone name ("Pacific Standard Time" gives
// "America/Los_Angeles"), from the CLDR table ICU carries; empty for any other name.
std::string databaseNameOfWindowsZone(std::string_view name) {
    constexpr std::size_t kLongest = 64;
    if (name.empty() || name.size() > kLongest) return "";
    UChar windows[kLongest];
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (static_cast<unsigned char>(name[i]) >= 0x80) return "";
        windows[i] = static_cast<UChar>(name[i]);
    }
    UChar found[kLongest];
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t length = ucal_getTimeZoneIDForWindowsID(windows, static_cast<std::int32_t>(name.size()),
                                                               nullptr, found, kLongest, &status);
    if (U_FAILURE(status) || length <= 0 || length >= static_cast<std::int32_t>(kLongest)) return "";
    std::string out;
    for (std::int32_t i = 0; i < length; ++i) {
        if (found[i] >= 0x80) return "";
        out.push_back(static_cast<char>(found[i]));
    }
    return out;
}

int offsetAt(icaltimezone* zone, std::int64_t instant) {
    icaltimetype t = utcTime(instant);
    int daylight = 0;
    return icaltimezone_get_utc_offset_of_utc_time(zone, &t, &daylight);
}

// The rule of an observance without its end, as text, to find the same rule continued.
std::string openRule(icalproperty* rrule) {
    icalrecurrencetype rule = icalproperty_get_rrule(rrule);
    rule.until = icaltime_null_time();
    rule.count = 0;
    const std::unique_ptr<char, CharFree> text(icalrecurrencetype_as_string_r(&rule));
    return text ? text.get() : "";
}

std::string valueText(icalcomponent* observance, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(observance, kind);
    const char* text = p ? icalproperty_get_value_as_string(p) : nullptr;
    return text ? text : "";
}

// The library writes a zone's rules from its system file, which lists each year's changes up to
// 2037 and one rule after: every rule in use ends with an UNTIL in 2037 and starts again as a rule
// of its own. One open rule says the same, and some readers reject an UNTIL inside a zone.
void joinContinuedRules(icalcomponent* vtimezone) {
    std::vector<icalcomponent*> observances;
    for (icalcomponent* c = icalcomponent_get_first_component(vtimezone, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(vtimezone, ICAL_ANY_COMPONENT))
        observances.push_back(c);
    std::vector<icalcomponent*> continued;
    for (icalcomponent* ending : observances) {
        icalproperty* rrule = icalcomponent_get_first_property(ending, ICAL_RRULE_PROPERTY);
        if (!rrule || icaltime_is_null_time(icalproperty_get_rrule(rrule).until)) continue;
        for (icalcomponent* next : observances) {
            icalproperty* nextRule = icalcomponent_get_first_property(next, ICAL_RRULE_PROPERTY);
            if (next == ending || !nextRule || icalcomponent_isa(next) != icalcomponent_isa(ending) ||
                std::find(continued.begin(), continued.end(), next) != continued.end())
                continue;
            const icalrecurrencetype open = icalproperty_get_rrule(nextRule);
            if (!icaltime_is_null_time(open.until) || open.count != 0 || openRule(nextRule) != openRule(rrule))
                continue;
            const icaltimetype from = icalcomponent_get_dtstart(ending), to = icalcomponent_get_dtstart(next);
            if (icaltime_compare(to, from) <= 0) continue;
            bool same = true;
            for (icalproperty_kind kind : {ICAL_TZOFFSETFROM_PROPERTY, ICAL_TZOFFSETTO_PROPERTY, ICAL_TZNAME_PROPERTY})
                same = same && valueText(ending, kind) == valueText(next, kind);
            if (!same) continue;
            icalcomponent_remove_property(ending, rrule);
            icalproperty_free(rrule);
            icalcomponent_add_property(ending, icalproperty_new_rrule(open));
            continued.push_back(next);
            break;
        }
    }
    for (icalcomponent* next : continued) {
        icalcomponent_remove_component(vtimezone, next);
        icalcomponent_free(next);
    }
}

// The instants an observance of a zone starts at, from its DTSTART through its rule and RDATEs,
// up to the rule's own end and to the given end.
std::vector<std::pair<std::int64_t, icaltimetype>> onsetsOf(icalcomponent* observance, std::int64_t end) {
    std::vector<std::pair<std::int64_t, icaltimetype>> onsets;
    const icaltimetype start = icalcomponent_get_dtstart(observance);
    icalproperty* from = icalcomponent_get_first_property(observance, ICAL_TZOFFSETFROM_PROPERTY);
    if (icaltime_is_null_time(start) || !from) return onsets;
    const int offset = icalproperty_get_tzoffsetfrom(from);
    const auto add = [&](const icaltimetype& wall) {
        if (!icaltime_is_null_time(wall)) onsets.emplace_back(wallSeconds(wall) - offset, wall);
    };
    add(start);
    if (icalproperty* p = icalcomponent_get_first_property(observance, ICAL_RRULE_PROPERTY)) {
        // The rule's UNTIL is in UTC and its dates in local time, which the library compares as
        // they stand; the end is therefore checked here, on instants.
        icalrecurrencetype rule = icalproperty_get_rrule(p);
        const std::int64_t until = icaltime_is_null_time(rule.until) ? end : wallSeconds(rule.until);
        const int count = rule.count;
        rule.until = icaltime_null_time();
        rule.count = 0;
        if (icalrecur_iterator* it = icalrecur_iterator_new(rule, start)) {
            int produced = 1;
            for (icaltimetype next = icalrecur_iterator_next(it); !icaltime_is_null_time(next);
                 next = icalrecur_iterator_next(it)) {
                if (icaltime_compare(next, start) <= 0) continue;
                const std::int64_t at = wallSeconds(next) - offset;
                if (at > std::min(until, end) || (count > 0 && produced >= count) || produced > kMaxRuleSteps) break;
                add(next);
                ++produced;
            }
            icalrecur_iterator_free(it);
        }
    }
    for (icalproperty* p = icalcomponent_get_first_property(observance, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(observance, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype date = icalproperty_get_rdate(p);
        add(icaltime_is_null_time(date.time) ? date.period.start : date.time);
    }
    return onsets;
}

// Some readers refuse a zone whose rule ends with an UNTIL, or come to grief on it, and such
// rules stand in every zone for its years before the last change of its rules (New York before
// 2007, Berlin before 1996). The zone is therefore written with the observances in force between
// first and last only: a rule still in force stays as it is, and each change of a rule that
// ended, or of a date of its own, becomes an observance of its own without a rule. The last such
// change before first stays as well, since it says which offset held then.
void keepRangeOnly(icalcomponent* vtimezone, std::int64_t first, std::int64_t last) {
    std::vector<icalcomponent*> observances;
    for (icalcomponent* c = icalcomponent_get_first_component(vtimezone, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(vtimezone, ICAL_ANY_COMPONENT))
        observances.push_back(c);
    std::vector<std::pair<std::int64_t, icalcomponent*>> changes; // owned, no rule, no RDATE
    std::pair<std::int64_t, icalcomponent*> inForce{INT64_MIN, nullptr};
    for (icalcomponent* observance : observances) {
        icalproperty* rrule = icalcomponent_get_first_property(observance, ICAL_RRULE_PROPERTY);
        const bool open = rrule && icaltime_is_null_time(icalproperty_get_rrule(rrule).until) &&
                          icalproperty_get_rrule(rrule).count == 0 &&
                          !icalcomponent_get_first_property(observance, ICAL_RDATE_PROPERTY);
        const auto onsets = onsetsOf(observance, last);
        if (open) {
            if (onsets.empty() || onsets.front().first > last) {
                icalcomponent_remove_component(vtimezone, observance);
                icalcomponent_free(observance);
            }
            continue;
        }
        icalcomponent_remove_component(vtimezone, observance);
        for (const auto& [at, wall] : onsets) {
            if (at > last || (at <= first && at <= inForce.first)) continue;
            icalcomponent* change = icalcomponent_new_clone(observance);
            for (icalproperty_kind kind : {ICAL_RRULE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_EXDATE_PROPERTY})
                while (icalproperty* p = icalcomponent_get_first_property(change, kind)) {
                    icalcomponent_remove_property(change, p);
                    icalproperty_free(p);
                }
            icalcomponent_set_dtstart(change, wall);
            if (at > first) {
                changes.emplace_back(at, change);
            } else {
                if (inForce.second) icalcomponent_free(inForce.second);
                inForce = {at, change};
            }
        }
        icalcomponent_free(observance);
    }
    if (inForce.second) changes.emplace_back(inForce);
    std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& change : changes)
        icalcomponent_add_component(vtimezone, change.second);
}

} // namespace

// The name a zone is written under: its plain name in the zone database, as calendar programs
// write it. Some readers take a time whose TZID carries the library's own prefix for UTC.
std::string zoneName(icaltimezone* zone) {
    const char* location = icaltimezone_get_location(zone);
    if (location && *location) return location;
    const char* tzid = icaltimezone_get_tzid(zone);
    std::string_view name = tzid ? tzid : "";
    if (name.starts_with(kLibraryPrefix)) name.remove_prefix(kLibraryPrefix.size());
    return std::string(name);
}

// A zone by its name in the zone database, or by the Windows name that programs of that system
// write without a VTIMEZONE.
icaltimezone* systemZone(std::string_view name) {
    if (icaltimezone* zone = databaseZone(name)) return zone;
    const std::string mapped = databaseNameOfWindowsZone(name);
    return mapped.empty() ? nullptr : databaseZone(mapped);
}

// The instant of a local time in a zone, read as RFC 5545 reads it and as the store reads its
// own local times: a time the clocks pass twice is the first of its two instants, and a time the
// clocks skip takes the offset from before the change. The library itself takes the later of
// both. A change of offset is taken to lie more than a day from the next one.
std::int64_t instantInZone(const icaltimetype& t, icaltimezone* zone) {
    const std::int64_t wall = wallSeconds(t);
    const int before = offsetAt(zone, wall - kSecondsPerDay);
    const int after = offsetAt(zone, wall + kSecondsPerDay);
    const std::int64_t early = wall - std::max(before, after), late = wall - std::min(before, after);
    for (const std::int64_t candidate : {early, late})
        if (wall - offsetAt(zone, candidate) == candidate) return candidate;
    return wall - before;
}

icaltimezone* userZone() {
    const std::string name = platform::localZoneName();
    if (name.find('/') == std::string::npos) return nullptr; // UTC, GMT, rules
    return systemZone(name);
}

// The zone of the exported times, as a VTIMEZONE under its plain name, with the rules in force
// from a year before the first entry to a year after the last.
icalcomponent* vtimezoneOf(icaltimezone* zone, std::int64_t first, std::int64_t last) {
    constexpr std::int64_t kMargin = 366LL * kSecondsPerDay;
    icalcomponent* vtimezone = icalcomponent_new_clone(icaltimezone_get_component(zone));
    // The zone's whole history since the 19th century is of no use to anyone.
    icaltimezone_truncate_vtimezone(vtimezone, utcTime(first - kMargin), icaltime_null_time(), 1);
    joinContinuedRules(vtimezone);
    keepRangeOnly(vtimezone, first - kMargin, last + kMargin);
    const std::string name = zoneName(zone);
    if (icalproperty* tzid = icalcomponent_get_first_property(vtimezone, ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, name.c_str());
    while (icalproperty* p = icalcomponent_get_first_property(vtimezone, ICAL_X_PROPERTY)) {
        icalcomponent_remove_property(vtimezone, p);
        icalproperty_free(p);
    }
    return vtimezone;
}

// No real zone changes by the hour, minute or second, and none has thousands of changes over the
// years a time can hold.
bool fewEnoughChanges(icaltimezone* zone, std::chrono::steady_clock::time_point deadline) {
    icalcomponent* vtimezone = icaltimezone_get_component(zone);
    const icaltimetype last = wallTime(kLastExchangeYear + 6, 1, 1, 0, 0);
    int changes = 0;
    const auto count = [&](icalcomponent* observance) {
        ++changes;
        // Read before the rules are walked: reading a property restarts the walk.
        icaltimetype from = icalcomponent_get_dtstart(observance);
        from.zone = nullptr; // an observance starts in the offset before it, written as a floating time
        for (icalproperty* p = icalcomponent_get_first_property(observance, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(observance, ICAL_RDATE_PROPERTY))
            ++changes;
        for (icalproperty* p = icalcomponent_get_first_property(observance, ICAL_RRULE_PROPERTY);
             p && changes <= kMaxZoneChanges; p = icalcomponent_get_next_property(observance, ICAL_RRULE_PROPERTY)) {
            icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (rule.freq == ICAL_NO_RECURRENCE) continue;
            if (rule.freq < ICAL_DAILY_RECURRENCE || !canMatch(rule) || std::chrono::steady_clock::now() > deadline)
                return false;
            if (icaltime_is_null_time(rule.until) || icaltime_compare(rule.until, last) > 0) rule.until = last;
            icalrecur_iterator* it = icalrecur_iterator_new(rule, from);
            if (!it) continue;
            for (icaltimetype next = icalrecur_iterator_next(it);
                 !icaltime_is_null_time(next) && changes <= kMaxZoneChanges; next = icalrecur_iterator_next(it))
                ++changes;
            icalrecur_iterator_free(it);
        }
        return changes <= kMaxZoneChanges;
    };
    bool few = true;
    for (icalcomponent* c = vtimezone ? icalcomponent_get_first_component(vtimezone, ICAL_ANY_COMPONENT) : nullptr;
         c && few; c = icalcomponent_get_next_component(vtimezone, ICAL_ANY_COMPONENT))
        few = count(c);
    return few;
}

} // namespace zc::ical
