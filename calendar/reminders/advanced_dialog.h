#pragma once
// Dialog 145, "Advanced": whether reminders pop up, the default reminder lead, after how many
// months old entries are purged, the splash screen, minimised start and fast printing, the clock
// and the first day of the week, and the Backup and Restore buttons.
#include "data/settings_catalogue.h"
#include "ui/calendar_context.h"

#include <wx/dialog.h>

#include <optional>

class wxCheckBox;
class wxChoice;
class wxRadioButton;
class wxTextCtrl;

namespace zc {

class CAdvancedDialog final : public wxDialog {
  public:
    enum Id {
        kAutomatic = 1033,
        kNoReminders = 1034,
        kEarly = 1053,
        kSplash = 1054,
        kAge = 1055,
        kMinAtStart = 1056,
        kFastPrinting = 1057,
        kClock24 = 1058,
        kWeekStart = 1059,
    };
    static constexpr int kMinAge = 3, kMaxAge = 60;
    static constexpr int kMinEarly = 0, kMaxEarly = 180;

    CAdvancedDialog(wxWindow* parent, CalendarContext& context);

    // The stored settings: as read when the dialog opened, or as written by OK.
    const settings::ReminderSettings& values() const { return values_; }
    // The clock and week in force: as the windows showed them when the dialog opened, or as
    // chosen when OK stored them.
    const RegionSettings& region() const { return region_; }

  private:
    // Reads the fields in order; the first one that is refused gets the framework's message and
    // the focus, and nothing is returned.
    std::optional<settings::ReminderSettings> readControls();
    void onOk(wxCommandEvent& event);

    CalendarContext& context_;
    settings::ReminderSettings values_;
    settings::ReminderSettings edited_; // what the number fields exchange with
    RegionSettings region_;
    wxRadioButton* automatic_ = nullptr;
    wxRadioButton* noReminders_ = nullptr;
    wxTextCtrl* early_ = nullptr;
    wxTextCtrl* age_ = nullptr;
    wxCheckBox* splash_ = nullptr;
    wxCheckBox* minAtStart_ = nullptr;
    wxCheckBox* fastPrinting_ = nullptr;
    wxCheckBox* clock24_ = nullptr;
    wxChoice* weekStart_ = nullptr;
};

} // namespace zc
