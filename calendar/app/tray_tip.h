#pragma once
// The text of the notification icon's tip: the next appointment after now, in one of four forms
// depending on how far away it is, cut to fit the 63 characters a tip holds.
#include "data/appointment_table.h"
#include "data/date_helpers.h"

#include <string>

namespace zc {

inline constexpr std::size_t kMaxTipLength = 63;

// Sorts the table by time (as every look-up of the next appointment does) and describes the
// first appointment later than now.
std::string trayTip(AppointmentTable& table, Time32 now);

// The tip for one appointment at time "when" (hour and minute as stored) seen from now.
std::string describeNext(Time32 when, int hour, int minute, const std::string& notes, Time32 now);

} // namespace zc
