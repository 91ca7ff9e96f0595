#pragma once
// Dialog 147, Configure Reminder: whether the selected entry has a reminder and how many minutes
// (0 to 180) ahead of it the reminder pops up. The values follow every change of the controls at
// once, so the caller reads them as they were left, whichever button closed the dialog; a number
// that is out of range or not a number is never taken, and the lead before it stays.
#include <wx/dialog.h>

class wxCheckBox;
class wxSlider;
class wxTextCtrl;

namespace zc {

class ConfigureReminderDialog final : public wxDialog {
  public:
    static constexpr int kResource = 147;
    static constexpr int kEnable = 1063;
    static constexpr int kMinutes = 1053;
    static constexpr int kSlider = 1073;
    static constexpr int kMaxMinutes = 180;

    ConfigureReminderDialog(wxWindow* parent, bool enabled, int minutes);

    bool enabled() const { return enabled_; }
    int minutes() const { return minutes_; }

  private:
    bool enabled_;
    int minutes_;
    // The lead last chosen with the slider, or the one the dialog opened with.
    int chosen_;
    wxCheckBox* check_ = nullptr;
    wxTextCtrl* edit_ = nullptr;
    wxSlider* slider_ = nullptr;
};

} // namespace zc
