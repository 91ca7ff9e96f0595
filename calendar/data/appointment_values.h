#pragma once
// The twelve values the store keeps of one appointment, in the order they are written. An
// appointment holds them as one member, so that copying an entry's stored state is one assignment.
#include <cstdint>
#include <string>

namespace zc {

struct AppointmentValues {
    std::int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
    std::int32_t early = 0; // reminder lead in minutes, -1 = no reminder
    std::string notes;
    std::int32_t started = 0; // the time of the series' first entry
    std::int32_t repeats = 0;
    std::string sday, nthweek;
    std::int32_t nthday = 0;
};

} // namespace zc
