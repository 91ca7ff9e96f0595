// The mapping between RRULEs and the calendar's own repeat kinds, and the limits within which a
// rule is followed at all.
#include "data/ical_shared.h"

#include "data/repeat_rules.h"

#include <cstdlib>

namespace zc::ical {
namespace {

bool noneSet(const short* list) {
    return list[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether every value of a rule's part lies within limit of zero (and is not zero where zero
// means nothing).
bool within(const short* list, int size, int low, int limit) {
    for (int i = 0; i < size && list[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        if (list[i] < low || list[i] > limit || (low < 0 && list[i] == 0)) return false;
    return true;
}

bool onlyValue(const short* list, int value) {
    return noneSet(list) || (list[0] == value && list[1] == ICAL_RECURRENCE_ARRAY_MAX);
}

} // namespace

std::int64_t horizonFor(const icalrecurrencetype& rule, int kind) {
    if (kind != kRepeatNone) return repeatHorizon(kind);
    switch (rule.freq) {
    case ICAL_MONTHLY_RECURRENCE:
        return repeatHorizon(kRepeatMonthlyOnDay);
    case ICAL_YEARLY_RECURRENCE:
        return repeatHorizon(kRepeatYearly);
    default:
        return repeatHorizon(kRepeatWeekly);
    }
}

bool canMatch(const icalrecurrencetype& rule) {
    const int weekLimit = rule.freq == ICAL_MONTHLY_RECURRENCE || !noneSet(rule.by_month) ? 5 : 53;
    for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        if (std::abs(icalrecurrencetype_day_position(rule.by_day[i])) > weekLimit) return false;
    return within(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE, -31, 31) &&
           within(rule.by_year_day, ICAL_BY_YEARDAY_SIZE, -366, 366) &&
           within(rule.by_week_no, ICAL_BY_WEEKNO_SIZE, -53, 53) && within(rule.by_month, ICAL_BY_MONTH_SIZE, 1, 12) &&
           within(rule.by_set_pos, ICAL_BY_SETPOS_SIZE, -366, 366) && within(rule.by_hour, ICAL_BY_HOUR_SIZE, 0, 23) &&
           within(rule.by_minute, ICAL_BY_MINUTE_SIZE, 0, 59) && within(rule.by_second, ICAL_BY_SECOND_SIZE, 0, 60);
}

int weekdayOf(int year, int month, int day) {
    return icaltime_day_of_week(wallTime(year, month, day, 0, 0));
}

// The calendar's monthly kind moves the 29th-31st to shorter months' last day and its yearly kind
// 29 February to the 28th, where the rule skips them; its nth-weekday kind has no "5th" rule that
// the rule could match.
int kindOf(const icalrecurrencetype& rule, int year, int month, int day) {
    if (rule.interval < 1 || !noneSet(rule.by_second) || !noneSet(rule.by_minute) || !noneSet(rule.by_hour) ||
        !noneSet(rule.by_year_day) || !noneSet(rule.by_week_no) || !noneSet(rule.by_set_pos) ||
        (rule.rscale && *rule.rscale))
        return kRepeatNone;
    const int weekday = weekdayOf(year, month, day);
    const bool dayMatches = noneSet(rule.by_day) || (rule.by_day[1] == ICAL_RECURRENCE_ARRAY_MAX &&
                                                     icalrecurrencetype_day_day_of_week(rule.by_day[0]) == weekday);
    const int position = noneSet(rule.by_day) ? 0 : icalrecurrencetype_day_position(rule.by_day[0]);
    switch (rule.freq) {
    case ICAL_WEEKLY_RECURRENCE:
        if (rule.interval > 2 || !dayMatches || !noneSet(rule.by_month_day) || !noneSet(rule.by_month) ||
            position != 0)
            return kRepeatNone;
        return rule.interval == 1 ? kRepeatWeekly : kRepeatEverySecondWeek;
    case ICAL_MONTHLY_RECURRENCE:
        if (rule.interval != 1 || !noneSet(rule.by_month)) return kRepeatNone;
        if (noneSet(rule.by_day))
            return onlyValue(rule.by_month_day, day) && day <= 28 ? kRepeatMonthlyOnDay : kRepeatNone;
        return noneSet(rule.by_month_day) && dayMatches && position >= 1 && position <= 4 &&
                       position == (day - 1) / 7 + 1
                   ? kRepeatNthWeekday
                   : kRepeatNone;
    case ICAL_YEARLY_RECURRENCE:
        return rule.interval == 1 && noneSet(rule.by_day) && onlyValue(rule.by_month, month) &&
                       onlyValue(rule.by_month_day, day) && !(month == 2 && day == 29)
                   ? kRepeatYearly
                   : kRepeatNone;
    default:
        return kRepeatNone;
    }
}

} // namespace zc::ical
