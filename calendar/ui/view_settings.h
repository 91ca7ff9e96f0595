#pragma once
// The settings every window of the calendar draws and behaves by, held once by the main frame and
// handed to the windows with their context: the "reminders" group's values that windows use, the
// region's clock and week, the eight colours and the main font. The default reminder lead is not here: the appointment table
// keeps it, as it gives it to each new entry.
#include "data/colours.h"
#include "data/date_helpers.h"
#include "ui/font_record.h"

#include <wx/font.h>

namespace zc {

struct ViewSettings {
    // Months after which entries are purged when the program ends.
    int age = 60;
    // 0: a reminder that falls due opens its window; otherwise reminders stay silent.
    int reminders = 0;
    // Printouts leave out fills and colours.
    int fastprinting = 0;
    // The clock and the first day of the week every window shows times and weeks by.
    RegionSettings region;
    Colours colours;
    LogFont mainFontRecord;
    wxFont mainFont;

    void setMainFont(const LogFont& description) {
        mainFontRecord = description;
        mainFont = fontFromRecord(description);
    }
};

} // namespace zc
