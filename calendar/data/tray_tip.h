#pragma once
// The text of the notification icon's tip: the next appointment after now, in one of four forms
// depending on how far away it is, cut to fit the 63 characters a tip holds. The result holds the
// stored bytes of the notes; displayText turns it into what the icon shows.
#include "data/appointment_table.h"
#include "data/date_helpers.h"

#include <cstdint>
#include <limits>
#include <string>

namespace zc {

inline constexpr std::size_t kMaxTipLength = 63;

// Describes the earliest appointment later than now. The table's slots keep their order: the
// windows that walk them show entries in that order.
std::string trayTip(const AppointmentTable& table, Time32 now, const RegionSettings& region = {});

// The tip for one appointment at time "when" (hour and minute as stored) seen from now.
std::string describeNext(Time32 when, int hour, int minute, const std::string& notes, Time32 now,
                         const RegionSettings& region = {});

// The first moment after now at which the tip for an appointment at "when" may read differently
// without any change to the table (no earlier moment changes it): the appointment passes, the day
// turns (today and tomorrow move), or it comes within a week (the date gives way to the weekday). No appointment ahead
// (when <= now) means the tip stays as it is until the table changes.
inline constexpr std::int64_t kTipNeverChanges = std::numeric_limits<std::int64_t>::max();
std::int64_t tipChangesAt(Time32 when, Time32 now);

// The tip of a table and the moment it may next change by itself. The notification icon asks at
// every turn of the minute; until that moment comes, an idle minute costs one comparison whatever
// the size of the table.
class TipKeeper {
  public:
    // Computes the tip now; true when its text changed.
    bool recompute(const AppointmentTable& table, Time32 now, const RegionSettings& region = {});
    // The minute turned: recomputes only once the moment of change has come.
    bool minutePassed(const AppointmentTable& table, Time32 now, const RegionSettings& region = {}) {
        return now >= changesAt_ && recompute(table, now, region);
    }
    const std::string& tip() const { return tip_; }
    std::int64_t changesAt() const { return changesAt_; }

  private:
    std::string tip_ = "Zorvel Calendar";
    std::int64_t changesAt_ = 0;
};

} // namespace zc
