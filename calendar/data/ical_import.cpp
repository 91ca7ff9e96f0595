// Import of an iCalendar file: its events become day planner entries, each date of a repeating
// event an entry of its own, merged into the table and the store in one batch.
#include "data/ical_shared.h"

#include "data/appointment.h"
#include "data/appointment_table.h"
#include "data/repeat_rules.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"
#include "data/settings_store.h"
#include "text/text_utils.h"
#include "text/translatable.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace zc {

using namespace ical;

namespace {

// The most dates one event brings: a rule that runs on for decades (daily since 2010) would
// otherwise fill the day planner and the store; those nearest to today are kept.
constexpr int kMaxOccurrencesPerEvent = 5000;
// How far the library may look for a rule's dates: past the horizon far enough for the one date
// beyond it that the repeat engine stores too, no more than kMaxRuleSteps steps of a rule of
// seconds, minutes or hours, and for no longer than the budget of the whole import.
constexpr std::int64_t kHorizonMargin = 400LL * 86400;
constexpr std::chrono::seconds kRuleBudget{10};
// Dates of rules looked at in one import, counting those only counted as left out: a whole
// calendar of daily rules over decades takes a fraction of it.
constexpr std::int64_t kMaxDatesLookedAt = 4000000;
// How far ahead an endless rule that no repeat kind of the calendar carries on is expanded.
constexpr int kEndlessDays = 731;
constexpr const char* kEndlessHorizonText = N_("2 years");
// The days a multi-day event may cover in the day planner: a month-long holiday is shown on each
// of its days, a "whole year" event is not written onto hundreds of them.
constexpr int kMaxEventDays = 31;
// A reminder lead beyond a year is no reminder anyone set on purpose.
constexpr std::int64_t kMaxLeadMinutes = 366LL * 24 * 60;
// A calendar of decades takes a few megabytes, and the parsed file takes some fifteen times its
// size in memory: anything larger is no calendar anyone exported.
constexpr std::uintmax_t kMaxFileMegabytes = 64;

// Hands the parser the text a line at a time, as fgets would. The library's own reader of texts
// searches the rest of the text for the line's end at every chunk it hands over, which takes
// minutes for a line of a few megabytes.
struct LineReader {
    std::string_view rest;

    static char* next(char* buffer, std::size_t size, void* data) {
        auto& self = *static_cast<LineReader*>(data);
        if (self.rest.empty() || size < 2) return nullptr;
        std::size_t n = std::min(self.rest.size(), size - 1);
        if (const void* end = std::memchr(self.rest.data(), '\n', n))
            n = static_cast<std::size_t>(static_cast<const char*>(end) - self.rest.data()) + 1;
        std::memcpy(buffer, self.rest.data(), n);
        buffer[n] = '\0';
        self.rest.remove_prefix(n);
        return buffer;
    }
};

icalcomponent* parse(std::string_view text) {
    icalparser* parser = icalparser_new();
    LineReader reader{text};
    icalparser_set_gen_data(parser, &reader);
    icalcomponent* root = icalparser_parse(parser, &LineReader::next);
    icalparser_free(parser);
    return root;
}

// One appointment an event asks for, before it meets the table.
struct Wanted {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    int early = -1;
    std::string text;
    bool cut = false; // text is the start of a longer one
    int kind = kRepeatNone;
    std::string nthweek, sday;
    int nthday = 0;
    Time32 started = 0;
    // The instant of the series' date this entry stands for; 0 for an event that does not repeat.
    std::int64_t occurrence = 0;
};

// The text of an entry from SUMMARY and DESCRIPTION: valid UTF-8, one line, white space runs
// made one blank.
std::string entryText(const char* summary, const char* description) {
    std::string joined = summary ? summary : "";
    if (description && *description) {
        if (!joined.empty()) joined += " - ";
        joined += description;
    }
    // The cut comes first, so a huge text costs no more than a short one below.
    joined.resize(std::min(joined.size(), kMaxImportedText * 4));
    const std::string utf8 = text::validUtf8(joined);
    std::string text;
    text.reserve(utf8.size());
    for (char c : utf8) {
        const bool blank = static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
        if (blank) {
            if (!text.empty() && text.back() != ' ') text.push_back(' ');
        } else {
            text.push_back(c);
        }
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Marks, in the seconds of a date-time, a zone that could not be used: one nobody knows, or a
// VTIMEZONE of the file whose changes are too many to work out.
constexpr int kUnknownZone = -1;
constexpr int kBusyZone = -2;

using Dated = std::pair<icaltimetype, std::int64_t>; // a date of an event and its instant

// Keeps, of dates offered in time order, the kMaxOccurrencesPerEvent nearest to now. The nearest
// dates of a sorted run form one stretch of it, so once a date lies farther from now than every
// date kept, so does every later one: those are only counted.
class NearestDates {
  public:
    explicit NearestDates(std::int64_t now) : now_(now) {}

    void offer(const icaltimetype& date, std::int64_t instant) {
        if (kept_.size() == static_cast<std::size_t>(kMaxOccurrencesPerEvent)) {
            ++dropped_;
            if (passed_ || distance(kept_.front().second) <= distance(instant)) {
                passed_ = true;
                return;
            }
            kept_.pop_front();
        }
        kept_.emplace_back(date, instant);
    }

    // Appends the dates kept; returns how many were left out.
    int moveTo(std::vector<Dated>& dates) {
        dates.insert(dates.end(), kept_.begin(), kept_.end());
        kept_.clear();
        return std::exchange(dropped_, 0);
    }

  private:
    std::int64_t distance(std::int64_t instant) const { return instant > now_ ? instant - now_ : now_ - instant; }

    std::int64_t now_;
    std::deque<Dated> kept_;
    int dropped_ = 0;
    bool passed_ = false;
};

// An entry's text cut to the length one entry holds, at a character boundary.
void setText(Wanted& w, std::string full) {
    w.cut = full.size() > kMaxImportedText;
    full.resize(text::wholeCharacterPrefix(full, kMaxImportedText));
    w.text = std::move(full);
}

class Importer {
  public:
    // oldestKept: the first moment the calendar keeps; older dates of repeats are not wanted.
    Importer(std::int64_t now, std::int64_t oldestKept, const RegionSettings& region)
        : now_(now), oldestKept_(oldestKept), region_(region) {}

    void read(icalcomponent* calendar) {
        for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
            noteMovedInstance(e);
        for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
            readEvent(e);
    }

    std::vector<Wanted>& wanted() { return wanted_; }
    // The events skipped and the dates left out, by reason.
    const IcsImportCounts& counts() const { return counts_; }

  private:
    // An instance of a series that was moved, changed or cancelled is a VEVENT of its own with the
    // series' UID and a RECURRENCE-ID; the series leaves out the date it replaces.
    void noteMovedInstance(icalcomponent* event) {
        const icaltimetype id = timeOf(event, ICAL_RECURRENCEID_PROPERTY);
        const char* uid = icalcomponent_get_uid(event);
        if (icaltime_is_null_time(id) || !uid) return;
        if (const auto instant = instantOf(id)) moved_.emplace(uid, *instant);
    }

    // A date or date-time property of an event with its zone: a VTIMEZONE of the file, or else a
    // zone of the system's database; without TZID it is UTC or the user's own local time. The
    // library's own look-up is not used: it opens any file the TZID names, "/dev/stdin" included.
    icaltimetype timeOf(icalcomponent* event, icalproperty_kind kind) {
        icalproperty* property = icalcomponent_get_first_property(event, kind);
        if (!property) return icaltime_null_time();
        const icaltimetype t = kind == ICAL_DTSTART_PROPERTY ? icalproperty_get_dtstart(property)
                               : kind == ICAL_DTEND_PROPERTY ? icalproperty_get_dtend(property)
                                                             : icalproperty_get_recurrenceid(property);
        return withZone(event, property, t);
    }

    icaltimetype withZone(icalcomponent* event, icalproperty* property, icaltimetype t) {
        if (icaltime_is_null_time(t) || t.is_date || icaltime_is_utc(t)) return t;
        icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
        const char* name = tzid ? icalparameter_get_tzid(tzid) : nullptr;
        if (!name) {
            t.zone = nullptr; // floating: the user's own local time
            return t;
        }
        icaltimezone* zone = nullptr;
        for (icalcomponent* c = icalcomponent_get_parent(event); c && !zone; c = icalcomponent_get_parent(c))
            zone = icalcomponent_get_timezone(c, name);
        if (zone && !withinZoneBudget(zone)) {
            t.zone = nullptr;
            t.second = kBusyZone;
            return t;
        }
        if (!zone) zone = systemZone(name);
        if (zone) return icaltime_set_timezone(&t, zone);
        t.zone = nullptr;
        t.second = kUnknownZone;
        return t;
    }

    // Whether a VTIMEZONE of the file has few enough changes of offset to work out; each zone is
    // looked at once.
    bool withinZoneBudget(icaltimezone* zone) {
        const auto [verdict, fresh] = zoneVerdicts_.try_emplace(zone, true);
        if (fresh) verdict->second = fewEnoughChanges(zone, ruleDeadline_);
        return verdict->second;
    }

    // Seconds since 1970 of a date or date-time of any year up to the last one exchanged,
    // negative before 1970: a series may start long before the calendar's first year. A
    // floating time or a date is the user's local time. None for a zone that could not be used.
    static std::optional<std::int64_t> secondsOf(const icaltimetype& t) {
        if (t.second < 0 || t.year < 1 || t.year > kLastExchangeYear || t.month < 1 || t.month > 12 || t.day < 1 ||
            t.day > daysInMonth(t.year, t.month))
            return std::nullopt;
        if (t.is_date || (!t.zone && !icaltime_is_utc(t))) {
            std::tm local{};
            local.tm_year = t.year - 1900;
            local.tm_mon = t.month - 1;
            local.tm_mday = t.day;
            local.tm_hour = t.is_date ? 0 : t.hour;
            local.tm_min = t.is_date ? 0 : t.minute;
            local.tm_isdst = -1;
            return static_cast<std::int64_t>(std::mktime(&local));
        }
        return static_cast<std::int64_t>(icaltime_as_timet_with_zone(t, t.zone));
    }

    // Seconds since 1970 of a date-time the calendar can hold; none for a date outside the
    // exchanged years or a zone that could not be used.
    static std::optional<std::int64_t> instantOf(const icaltimetype& t) {
        if (t.second < 0 || !isRealDateTime(t.year, t.month, t.day, t.is_date ? 0 : t.hour, t.is_date ? 0 : t.minute))
            return std::nullopt;
        if (t.is_date) return localTime(t.year, t.month, t.day, 0, 0);
        if (!t.zone && !icaltime_is_utc(t)) return localTime(t.year, t.month, t.day, t.hour, t.minute);
        const std::int64_t instant = icaltime_is_utc(t) ? wallSeconds(t) : instantInZone(t, const_cast<icaltimezone*>(t.zone));
        if (instant < 0 || instant > INT32_MAX) return std::nullopt;
        return instant;
    }

    void readEvent(icalcomponent* event) {
        const bool isInstance = !icaltime_is_null_time(timeOf(event, ICAL_RECURRENCEID_PROPERTY));
        if (icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED) {
            // A cancelled date of a series only takes that date out of it; a cancelled meeting
            // in the day planner would only mislead.
            if (!isInstance) {
                ++counts_.skipped;
                ++counts_.cancelled;
            }
            return;
        }
        const icaltimetype start = timeOf(event, ICAL_DTSTART_PROPERTY);
        if (start.second == kBusyZone) {
            ++counts_.busyZones;
            return;
        }
        const std::string text = entryText(icalcomponent_get_summary(event), icalcomponent_get_description(event));
        // A changed instance of a series stands for itself, without the series' rules and dates.
        const bool repeats = !isInstance && (icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) ||
                                             icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY));
        const std::optional<std::int64_t> startSeconds =
            icaltime_is_null_time(start) ? std::nullopt : secondsOf(start);
        // A series may start before the first year a time can hold (a birthday from 1965): its
        // later dates are imported all the same.
        if (!startSeconds || text.empty() || (!repeats && !instantOf(start))) {
            ++counts_.skipped;
            if (startSeconds && (repeats || instantOf(start))) ++counts_.withoutText;
            else noteUnusableStart(event, start);
            return;
        }
        const std::int64_t alarmOffset = alarmOffsetOf(event, start, *startSeconds);
        const char* uid = icalcomponent_get_uid(event);
        const std::set<std::int64_t> excluded = isInstance ? std::set<std::int64_t>{} : excludedInstants(event, uid);
        const IcsImportCounts before = counts_;

        // Whether a date of the event is imported: not excluded, within the years a time can
        // hold and, for a series, not older than the calendar keeps. Its instant when it is.
        const auto accept = [&](const icaltimetype& date) -> std::optional<std::int64_t> {
            const std::optional<std::int64_t> instant = instantOf(date);
            if (!instant) {
                if (repeats && date.year < kFirstExchangeYear) ++counts_.oldDates;
                return std::nullopt;
            }
            if (excluded.count(*instant) || excluded.count(-1 - localTime(date.year, date.month, date.day, 0, 0)))
                return std::nullopt;
            if (repeats && *instant < oldestKept_) {
                ++counts_.oldDates;
                return std::nullopt;
            }
            return instant;
        };

        // The event's own start, its RDATEs, then the dates of its rules.
        std::vector<Dated> dates;
        if (const auto instant = accept(start)) dates.emplace_back(start, *instant);
        bool extraDates = false;
        for (icalproperty* p = repeats ? icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY) : nullptr; p;
             p = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
            icaltimetype date = icaltime_is_null_time(value.time) ? value.period.start : value.time;
            date = withZone(event, p, date);
            // A date given without its time of day falls at the series' own time.
            if (date.is_date && !start.is_date) {
                date.is_date = 0;
                date.hour = start.hour;
                date.minute = start.minute;
                date.zone = start.zone;
            }
            date.is_date = start.is_date;
            extraDates = true;
            if (const auto instant = accept(date)) dates.emplace_back(date, *instant);
        }
        int kind = kRepeatNone;
        int rules = 0;
        bool whole = true;
        bool endless = false;
        for (icalproperty* p = repeats ? icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) : nullptr; p;
             p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
            const icalrecurrencetype rule = icalproperty_get_rrule(p);
            const int ruleKind = kindOf(rule, start.year, start.month, start.day);
            // Two rules on one event, or dates of its own beside its rule, make no single kind.
            kind = ++rules == 1 && !extraDates ? ruleKind : kRepeatNone;
            endless = endless || (rule.count == 0 && icaltime_is_null_time(rule.until));
            whole = expand(rule, start, *startSeconds, ruleKind, accept, dates) && whole;
        }
        std::sort(dates.begin(), dates.end(), [](const Dated& a, const Dated& b) { return a.second < b.second; });
        dates.erase(std::unique(dates.begin(), dates.end(),
                                [](const Dated& a, const Dated& b) { return a.second == b.second; }),
                    dates.end());
        if (dates.size() > static_cast<std::size_t>(kMaxOccurrencesPerEvent)) {
            NearestDates nearest(now_);
            for (const auto& [date, instant] : dates)
                nearest.offer(date, instant);
            dates.clear();
            counts_.overCap += nearest.moveTo(dates);
        }

        const std::size_t first = wanted_.size();
        std::vector<std::int64_t> instants;
        for (const auto& [date, instant] : dates) {
            Wanted w = place(date, instant, alarmOffset, text, start.is_date != 0);
            if (!inExchangeYears(w.year)) continue;
            if (repeats) w.occurrence = instant;
            else if (isInstance) w.occurrence = instantOf(timeOf(event, ICAL_RECURRENCEID_PROPERTY)).value_or(instant);
            wanted_.push_back(std::move(w));
            instants.push_back(instant);
        }
        if (!whole) ++counts_.partly;
        if (wanted_.size() == first) {
            // An event whose every date was left out for a reason told apart is not skipped too.
            if (counts_.oldDates == before.oldDates && counts_.overCap == before.overCap &&
                counts_.laterDates == before.laterDates && whole) {
                ++counts_.skipped;
                ++counts_.noDateLeft;
            }
            return;
        }
        if (kind != kRepeatNone) {
            markSeries(first, kind);
            if (endless) ++counts_.ownRepeats;
        }
        placeFollowingDays(first, instants, lengthOf(event, start, *startSeconds), text, start.is_date != 0);
    }

    // Why an event's start is of no use: it has none, its zone is unknown, or it lies outside
    // the years the calendar holds.
    void noteUnusableStart(icalcomponent* event, const icaltimetype& start) {
        if (icaltime_is_null_time(start) || start.year < 1 ||
            !isRealDateTime(std::clamp(start.year, kFirstExchangeYear, kLastExchangeYear), start.month, start.day,
                            start.is_date ? 0 : start.hour, start.is_date ? 0 : start.minute)) {
            ++counts_.withoutStart;
        } else if (start.second < 0) {
            ++counts_.unknownZone;
            icalproperty* p = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
            icalparameter* tzid = p ? icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER) : nullptr;
            const char* name = tzid ? icalparameter_get_tzid(tzid) : nullptr;
            if (counts_.firstUnknownZone.empty() && name) {
                std::string shown = text::validUtf8(std::string(name).substr(0, 64));
                shown.resize(text::wholeCharacterPrefix(shown, 64));
                counts_.firstUnknownZone = shown;
            }
        } else {
            ++counts_.outsideYears;
        }
    }

    // Offers the dates of one rule after the event's start. A rule that ends is followed to its
    // end. An endless one of a kind of the calendar's own is followed up to the repeat engine's
    // horizon for that kind, and the one date beyond it that the engine stores too; any other
    // endless one up to kEndlessDays ahead, its later dates up to the last year a time can hold
    // only counted. False when the rule could not be followed as far as that.
    template <typename Accept>
    bool expand(icalrecurrencetype rule, const icaltimetype& start, std::int64_t startSeconds, int kind,
                const Accept& accept, std::vector<Dated>& dates) {
        if (rule.freq == ICAL_NO_RECURRENCE || !canMatch(rule)) return true;
        // Before its first date the library searches up to centuries ahead, regardless of the
        // rule's end, for a rule whose parts never meet (every second February 30th): half a
        // second each. No real calendar comes near the budget; a hostile file is imported with
        // each further event on its own start only.
        if (std::chrono::steady_clock::now() > ruleDeadline_) return false;
        const bool ends = rule.count > 0 || !icaltime_is_null_time(rule.until);
        const bool ownKind = !ends && kind != kRepeatNone;
        const std::int64_t horizon = ends      ? INT32_MAX
                                     : ownKind ? now_ + horizonFor(rule, kind)
                                               : now_ + static_cast<std::int64_t>(kEndlessDays) * kSecondsPerDay;
        // The library steps through every second, minute, hour or day of a rule until one
        // matches, or until the rule's end: a rule that never matches would keep it busy for
        // centuries. The end is therefore brought forward to where no further date is wanted,
        // and for rules of seconds, minutes and hours also to a bounded number of steps.
        std::int64_t end = ownKind ? horizon + kHorizonMargin : INT32_MAX;
        const std::int64_t unit = rule.freq == ICAL_SECONDLY_RECURRENCE   ? 1
                                  : rule.freq == ICAL_MINUTELY_RECURRENCE ? 60
                                  : rule.freq == ICAL_HOURLY_RECURRENCE   ? 3600
                                                                           : 0;
        bool stepsCut = false;
        if (unit != 0) {
            const std::int64_t stepsEnd = startSeconds + kMaxRuleSteps * unit * std::max<std::int64_t>(1, rule.interval);
            stepsCut = stepsEnd < end;
            end = std::min(end, stepsEnd);
        }
        const std::optional<std::int64_t> until = icaltime_is_null_time(rule.until) ? std::nullopt : secondsOf(rule.until);
        if (until && *until <= end) {
            stepsCut = false;
        } else {
            rule.until = utcTime(std::clamp<std::int64_t>(end, INT32_MIN, INT32_MAX));
            if (start.is_date) rule.until.is_date = 1;
        }
        icalrecur_iterator* it = icalrecur_iterator_new(rule, start);
        if (!it) return true;
        NearestDates nearest(now_);
        int produced = 0;
        bool complete = true;
        bool counting = false; // only later dates are left, and only counted
        for (icaltimetype next = icalrecur_iterator_next(it); !icaltime_is_null_time(next);
             next = icalrecur_iterator_next(it)) {
            ++produced;
            if (--datesLeft_ < 0 || ((produced & 1023) == 0 && std::chrono::steady_clock::now() > ruleDeadline_)) {
                complete = false;
                break;
            }
            if (next.year > kLastExchangeYear) break;
            if (!start.is_date) next = icaltime_set_timezone(&next, const_cast<icaltimezone*>(start.zone));
            next.is_date = start.is_date;
            if (icaltime_compare(next, start) <= 0) continue;
            const std::optional<std::int64_t> instant = accept(next);
            if (!instant) continue;
            if (*instant > horizon) {
                if (ownKind) {
                    nearest.offer(next, *instant);
                    break;
                }
                counting = true;
                ++counts_.laterDates;
                continue;
            }
            nearest.offer(next, *instant);
        }
        icalrecur_iterator_free(it);
        counts_.overCap += nearest.moveTo(dates);
        if (!complete && counting) {
            // Every date wanted was met; only the count of the later ones stopped short.
            counts_.laterDatesMore = true;
            return true;
        }
        // A rule of seconds, minutes or hours cut short ends within the steps when its COUNT ran out.
        if (stepsCut && rule.count > 0 && produced >= rule.count) stepsCut = false;
        return complete && !stepsCut;
    }

    // EXDATEs, and the dates of moved instances of the series. Dates without a time of day are
    // kept as -1 - the local midnight, so they never meet a date-time.
    std::set<std::int64_t> excludedInstants(icalcomponent* event, const char* uid) {
        std::set<std::int64_t> out;
        for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY)) {
            const icaltimetype t = withZone(event, p, icalproperty_get_exdate(p));
            if (const auto instant = instantOf(t)) out.insert(t.is_date ? -1 - *instant : *instant);
        }
        if (uid)
            for (auto it = moved_.lower_bound({uid, INT64_MIN}); it != moved_.end() && it->first == uid; ++it)
                out.insert(it->second);
        return out;
    }

    // Seconds from the event's start to its end: DURATION, or DTEND less DTSTART; an all-day
    // event without either lasts its day, any other none.
    std::int64_t lengthOf(icalcomponent* event, const icaltimetype& start, std::int64_t startSeconds) {
        if (icalproperty* duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY))
            return std::max(0, icaldurationtype_as_int(icalproperty_get_duration(duration)));
        const icaltimetype end = timeOf(event, ICAL_DTEND_PROPERTY);
        const std::optional<std::int64_t> endSeconds = icaltime_is_null_time(end) ? std::nullopt : secondsOf(end);
        if (!endSeconds) return start.is_date ? kSecondsPerDay : 0;
        return std::max<std::int64_t>(0, *endSeconds - startSeconds);
    }

    // Seconds from the event's start to its first alarm (negative before it); none without one.
    std::int64_t alarmOffsetOf(icalcomponent* event, const icaltimetype& start, std::int64_t startSeconds) {
        icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
        icalproperty* trigger = alarm ? icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY) : nullptr;
        if (!trigger) return kNoAlarm;
        const icaltriggertype value = icalproperty_get_trigger(trigger);
        if (!icaltime_is_null_time(value.time)) {
            const auto at = secondsOf(value.time);
            return at ? *at - startSeconds : kNoAlarm;
        }
        std::int64_t offset = icaldurationtype_as_int(value.duration);
        icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
        if (related && icalparameter_get_related(related) == ICAL_RELATED_END) {
            // The end is DTEND, or the start and DURATION; an all-day event ends with its day.
            const icaltimetype end = timeOf(event, ICAL_DTEND_PROPERTY);
            const auto endSeconds = icaltime_is_null_time(end) ? std::nullopt : secondsOf(end);
            if (icalproperty* duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY))
                offset += icaldurationtype_as_int(icalproperty_get_duration(duration));
            else if (endSeconds)
                offset += *endSeconds - startSeconds;
            else if (start.is_date)
                offset += kSecondsPerDay;
        }
        return offset;
    }

    // The appointment for one date of an event: its slot, its text and its reminder lead.
    Wanted place(const icaltimetype& date, std::int64_t instant, std::int64_t alarmOffset,
                 const std::string& text, bool allDay) {
        Wanted w;
        std::string prefix;
        if (allDay) {
            w.year = date.year;
            w.month = date.month;
            w.day = date.day;
            w.hour = kFirstSlotHour;
            prefix = kAllDayPrefix;
        } else {
            const LocalDate local = toLocal(static_cast<Time32>(instant));
            w.year = local.year;
            w.month = local.month;
            w.day = local.day;
            const bool early = local.hour < kFirstSlotHour;
            w.hour = early ? kFirstSlotHour : local.hour;
            w.minute = early ? 0 : local.minute / 30 * 30;
            // An event off its slot's own time starts with that time ("9:15am" in the 9:00 slot,
            // "5:00am" in the first one), written as every other time the calendar shows.
            if (early || local.minute != w.minute) prefix = timeText(local.hour, local.minute, TimeForm::kFull, region_) + " ";
        }
        setText(w, prefix + text);
        if (alarmOffset != kNoAlarm) {
            const std::int64_t slot = localTime(w.year, w.month, w.day, w.hour, w.minute);
            const std::int64_t lead = (slot - (instant + alarmOffset)) / 60;
            w.early = static_cast<int>(std::clamp<std::int64_t>(lead, 0, kMaxLeadMinutes));
        }
        return w;
    }

    // An event that lasts into further days is shown on each of them too, in the first slot: "All
    // day: " where it lasts the whole day, "Until 10:00am: " on the day it ends. Days beyond
    // kMaxEventDays are counted, not shown.
    void placeFollowingDays(std::size_t first, const std::vector<std::int64_t>& instants, std::int64_t length,
                            const std::string& text, bool allDay) {
        const std::size_t occurrences = instants.size();
        for (std::size_t i = 0; i < occurrences; ++i) {
            const Wanted& occurrence = wanted_[first + i];
            const int year = occurrence.year, month = occurrence.month, day = occurrence.day;
            // The last moment the event covers; an end at midnight leaves that day free.
            const std::int64_t end = instants[i] + length;
            const LocalDate last = toLocal(static_cast<Time32>(std::min<std::int64_t>(end - 1, INT32_MAX)));
            const LocalDate ending = toLocal(static_cast<Time32>(std::min<std::int64_t>(end, INT32_MAX)));
            // An all-day event lasts whole days, whatever the clocks did in between.
            const std::int64_t days = (length + kSecondsPerDay / 2) / kSecondsPerDay;
            for (int offset = 1;; ++offset) {
                const LocalDate d = toLocal(localTime(year, month, day + offset, 12, 0));
                const bool past = allDay ? offset >= days
                                         : std::make_tuple(d.year, d.month, d.day) >
                                               std::make_tuple(last.year, last.month, last.day);
                if (past || !inExchangeYears(d.year)) break;
                if (offset >= kMaxEventDays) {
                    // The days left are counted without walking them: an event may last for years.
                    const std::int64_t noon = localTime(d.year, d.month, d.day, 12, 0);
                    const std::int64_t left =
                        allDay ? days - offset
                               : (localTime(last.year, last.month, last.day, 12, 0) - noon + kSecondsPerDay / 2) /
                                         kSecondsPerDay +
                                     1;
                    counts_.longEventDays = static_cast<int>(
                        std::min<std::int64_t>(INT32_MAX / 2, counts_.longEventDays + std::max<std::int64_t>(0, left)));
                    break;
                }
                Wanted w;
                w.year = d.year;
                w.month = d.month;
                w.day = d.day;
                w.hour = kFirstSlotHour;
                const bool endsThatDay = !allDay && ending.year == d.year && ending.month == d.month && ending.day == d.day;
                setText(w, (endsThatDay ? "Until " + timeText(ending.hour, ending.minute, TimeForm::kFull, region_) + ": "
                                        : std::string(kAllDayPrefix)) +
                               text);
                wanted_.push_back(std::move(w));
            }
        }
    }

    // The occurrences of a rule that maps on a kind of the calendar's own repeat, every one in
    // the same slot, become a series: the fields the repeat dialog would give the first.
    void markSeries(std::size_t first, int kind) {
        const Wanted& source = wanted_[first];
        for (std::size_t i = first + 1; i < wanted_.size(); ++i)
            if (wanted_[i].hour != source.hour || wanted_[i].minute != source.minute) return;
        const std::string sday = std::string("every ") + weekdayName(weekdayOf(source.year, source.month, source.day));
        const std::string nthweek = weekOfMonth(source.day);
        const int nthday = source.day;
        const Time32 started = localTime(source.year, source.month, source.day, source.hour, source.minute);
        for (std::size_t i = first; i < wanted_.size(); ++i) {
            Wanted& w = wanted_[i];
            w.kind = kind;
            w.sday = sday;
            w.nthweek = nthweek;
            w.nthday = nthday;
            w.started = started;
        }
    }

    static constexpr std::int64_t kNoAlarm = INT64_MIN;
    std::int64_t now_;
    std::int64_t oldestKept_;
    RegionSettings region_;
    std::chrono::steady_clock::time_point ruleDeadline_ = std::chrono::steady_clock::now() + kRuleBudget;
    std::int64_t datesLeft_ = kMaxDatesLookedAt;
    std::vector<Wanted> wanted_;
    std::set<std::pair<std::string, std::int64_t>> moved_;
    std::map<icaltimezone*, bool> zoneVerdicts_;
    IcsImportCounts counts_;
};

// The first moment the calendar keeps: its purge at shutdown deletes the months of the dates
// from (age + 1) * 30 days back, so nothing before the month after that one stays.
std::int64_t oldestKept(std::int64_t now) {
    SettingsKey key;
    int age = key.openPathForRead(settings::kReminders) ? key.readDword("age") : 0;
    if (age <= 0) age = settings::ReminderSettings{}.age;
    const std::int64_t purged = now - (static_cast<std::int64_t>(age) + 1) * 30 * kSecondsPerDay;
    if (purged <= 0) return 0;
    const LocalDate d = toLocal(static_cast<Time32>(purged));
    return localTime(d.year, d.month + 1, 1, 0, 0);
}

// The same text is already in the slot: alone, or joined there with others (the text may itself
// hold joined texts, as an exported slot does). A text that was cut to length matches the start
// of a longer one, and the start of a text is all a slot already full can hold of it.
bool holdsText(const std::string& notes, const std::string& text, bool cut) {
    const std::string_view all(notes);
    for (std::size_t at = all.find(text); at != std::string_view::npos; at = all.find(text, at + 1)) {
        const std::size_t end = at + text.size();
        const bool startsPart = at == 0 || all.substr(0, at).ends_with(kTextJoiner);
        const bool endsPart = cut || end == all.size() || all.substr(end).starts_with(kTextJoiner);
        if (startsPart && endsPart) return true;
    }
    // Four bytes: the longest character that may not have fitted.
    if (notes.size() + 4 <= kMaxImportedText) return false;
    const std::size_t joiner = all.rfind(kTextJoiner);
    const std::string_view last = joiner == std::string_view::npos ? all : all.substr(joiner + kTextJoiner.size());
    return !last.empty() && std::string_view(text).starts_with(last);
}

void merge(AppointmentTable& table, const Wanted& w, IcsImportCounts& counts, TableUndo& undo) {
    if (Appointment* existing = table.findAt(w.year, w.month, w.day, w.hour, w.minute)) {
        if (holdsText(existing->stored.notes, w.text, w.cut)) return;
        // The joined text keeps to the length of any entry; the text already there is never cut.
        std::string joined = existing->stored.notes + std::string(kTextJoiner) + w.text;
        const bool cut = w.cut || joined.size() > kMaxImportedText;
        joined.resize(text::wholeCharacterPrefix(joined, kMaxImportedText));
        if (joined.size() <= existing->stored.notes.size() + kTextJoiner.size()) {
            ++counts.noRoom;
            return;
        }
        undo.notesChanging(*existing);
        existing->stored.notes = std::move(joined);
        existing->save();
        ++counts.modified;
        if (cut) ++counts.cutTexts;
        return;
    }
    Appointment& a = table.construct();
    a.setWhen(w.year, w.month, w.day, w.hour, w.minute, w.early, w.text);
    if (w.kind != kRepeatNone) {
        a.setRepeat(w.kind, w.nthweek, w.sday, w.nthday);
        a.stored.started = w.started;
    }
    a.schedule(true);
    undo.added(a);
    ++counts.added;
    if (w.cut) ++counts.cutTexts;
}

std::string completion(const IcsImportCounts& c, const std::string& name) {
    using std::to_string;
    std::string text = text::formatted(
        N_("Import completed:\n  %d entries added from \"%s\";\n  %d existing entries modified;\n  %d "
           "duplicates "
           "ignored;\n  %d events skipped (cancelled, or without a usable start or text)."),
        {to_string(c.added), name, to_string(c.modified), to_string(c.duplicates()), to_string(c.skipped)});
    // Each reason an event was skipped for gets a line of its own below the total.
    const std::pair<int, std::string> skippedFor[] = {
        {c.cancelled, text::formatted(N_("%d cancelled."), {to_string(c.cancelled)})},
        {c.withoutStart,
         text::formatted(N_("%d without a start date and time that exists."), {to_string(c.withoutStart)})},
        {c.withoutText,
         text::formatted(N_("%d without a summary or description."), {to_string(c.withoutText)})},
        {c.unknownZone, c.firstUnknownZone.empty()
                            ? text::formatted(N_("%d in a time zone this calendar does not know."),
                                              {to_string(c.unknownZone)})
                            : text::formatted(N_("%d in a time zone this calendar does not know (\"%s\")."),
                                              {to_string(c.unknownZone), c.firstUnknownZone})},
        {c.outsideYears,
         text::formatted(
             N_("%d dated before %d or after %d, which this calendar cannot hold."),
             {to_string(c.outsideYears), to_string(kFirstExchangeYear), to_string(kLastExchangeYear)})},
        {c.noDateLeft,
         text::formatted(N_("%d with all of their dates excluded or outside the years this calendar holds."),
                         {to_string(c.noDateLeft)})},
    };
    for (const auto& [count, reason] : skippedFor)
        if (count > 0) text += "\n    " + reason;
    // Whatever else was left out or cut, a line for each reason that occurred.
    const std::pair<std::int64_t, std::string> reasons[] = {
        {c.busyZones, text::formatted(N_("%d events skipped: their time zone changes too often to work out."),
                                      {to_string(c.busyZones)})},
        {c.laterDates,
         text::formatted(c.laterDatesMore
                             ? N_("Over %d later dates of endless repeats not imported (beyond %s ahead).")
                             : N_("%d later dates of endless repeats not imported (beyond %s ahead)."),
                         {to_string(c.laterDates), text::translated(kEndlessHorizonText)})},
        {c.ownRepeats,
         text::formatted(
             N_("%d endless repeats imported as the calendar's own repeats, as far ahead as those reach."),
             {to_string(c.ownRepeats)})},
        {c.oldDates, text::formatted(N_("%d dates of repeats not imported (older than the calendar keeps)."),
                                     {to_string(c.oldDates)})},
        {c.overCap,
         text::formatted(N_("%d dates not imported: an event brings at most %d, those nearest today."),
                         {to_string(c.overCap), to_string(kMaxOccurrencesPerEvent)})},
        {c.partly,
         text::formatted(N_("%d repeating events imported in part: their rules take too long to work out."),
                         {to_string(c.partly)})},
        {c.longEventDays, text::formatted(N_("%d days of events longer than %d days not imported."),
                                          {to_string(c.longEventDays), to_string(kMaxEventDays)})},
        {c.cutTexts,
         text::formatted(N_("%d texts too long for an entry were cut."), {to_string(c.cutTexts)})},
        {c.noRoom, text::formatted(N_("%d texts not joined: their slot's entry is already full."),
                                   {to_string(c.noRoom)})},
    };
    for (const auto& [count, reason] : reasons)
        if (count != 0) text += "\n  " + reason;
    return text;
}

} // namespace

IcsImportResult importIcsText(AppointmentTable& table, std::string_view text, const std::string& name,
                              const RegionSettings& region) {
    prepareLibrary();
    IcsImportResult result;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::string_view terminated = text.substr(0, text.find('\0'));
    Component root(parse(terminated));
    std::vector<icalcomponent*> calendars;
    if (root && icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root.get());
    } else if (root && icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT) {
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            calendars.push_back(c);
    }
    if (calendars.empty()) {
        const bool begins = terminated.find("BEGIN:VCALENDAR") != std::string_view::npos;
        result.message =
            text::formatted(begins ? N_("The file \"%s\" is not a complete iCalendar file: it ends "
                                        "before its calendar does. Nothing was imported.")
                                   : N_("The file \"%s\" is not an iCalendar file. Nothing was imported."),
                            {name});
        return result;
    }

    const std::int64_t now = table.clock().now();
    Importer importer(now, oldestKept(now), region);
    for (icalcomponent* calendar : calendars)
        importer.read(calendar);
    root.reset();

    result.counts = importer.counts();
    result.counts.read = result.counts.skipped + result.counts.busyZones + static_cast<int>(importer.wanted().size());
    SettingsStore& store = settingsStore();
    const std::uint64_t failuresBefore = store.failures().count;
    TableUndo undo(table);
    {
        // The whole import is one transaction: it lands whole, or not at all.
        StoreBatch batch(store);
        for (const Wanted& w : importer.wanted())
            merge(table, w, result.counts, undo);
    }
    if (store.failures().count != failuresBefore) {
        // Nothing reached the store, so nothing may look imported either: the entries would
        // vanish at the next start.
        undo.rollBack();
        result.counts = {};
        result.message = store.failures().lastMessage + "\nNothing was imported.";
        return result;
    }
    result.ok = true;
    result.message = completion(result.counts, name);
    return result;
}

IcsPlacements placementsOf(std::string_view text, std::int64_t now, const RegionSettings& region) {
    prepareLibrary();
    IcsPlacements result;
    const Component root(parse(text.substr(0, text.find('\0'))));
    if (!root || icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) return result;
    result.ok = true;
    for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(root.get(), ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind != ICAL_VEVENT_COMPONENT && kind != ICAL_VTODO_COMPONENT) continue;
        if (const char* uid = icalcomponent_get_uid(c); uid && result.uid.empty()) result.uid = uid;
        if (kind == ICAL_VTODO_COMPONENT && !result.todo) {
            result.todo = true;
            result.todoText = entryText(icalcomponent_get_summary(c), icalcomponent_get_description(c));
            result.todoText.resize(text::wholeCharacterPrefix(result.todoText, kMaxImportedText));
        }
        if (kind == ICAL_VEVENT_COMPONENT && icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY))
            result.repeats = true;
    }
    Importer importer(now, oldestKept(now), region);
    importer.read(root.get());
    for (const Wanted& w : importer.wanted()) {
        IcsPlacement p;
        p.values.year = w.year;
        p.values.month = w.month;
        p.values.day = w.day;
        p.values.hour = w.hour;
        p.values.minute = w.minute;
        p.values.early = w.early;
        p.values.notes = w.text;
        if (w.kind != kRepeatNone) {
            p.values.repeats = w.kind;
            p.values.nthweek = w.nthweek;
            p.values.sday = w.sday;
            p.values.nthday = w.nthday;
            p.values.started = w.started;
        }
        p.occurrence = w.occurrence;
        result.entries.push_back(std::move(p));
    }
    return result;
}

IcsImportResult importIcs(AppointmentTable& table, const std::string& path, const RegionSettings& region) {
    const std::string name = shownName(path);
    IcsImportResult result;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        result.message =
            text::formatted(N_("The file \"%s\" could not be read: %s."), {name, error.message()});
        return result;
    }
    if (size > kMaxFileMegabytes * 1024 * 1024) {
        result.message = text::formatted(
            N_("The file \"%s\" is larger than %d MB, too large to be a calendar. Nothing was imported."),
            {name, std::to_string(kMaxFileMegabytes)});
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size))) {
        result.message =
            text::formatted(N_("The file \"%s\" could not be read: %s."), {name, std::strerror(errno)});
        return result;
    }
    return importIcsText(table, text, name, region);
}

} // namespace zc
