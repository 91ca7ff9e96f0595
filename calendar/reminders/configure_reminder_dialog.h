#pragma once
// Dialog 147, Configure Reminder: whether the selected entry has a reminder and how many minutes
// (0 to 180) ahead of it the reminder pops up. The values follow every change of the controls at
// once, so the caller reads them as they were left, whichever button closed the dialog.
#include <wx/dialog.h>

class wxCheckBox;
class wxSlider;
class wxTextCtrl;

namespace zc {

class ConfigureReminderDialog final : public wxDialog {
  public:
    static constexpr int kEnable = 1063;
    static constexpr int kMinutes = 1053;
    static constexpr int kSlider = 1073;
    static constexpr int kMaxMinutes = 180;

    ConfigureReminderDialog(wxWindow* parent, bool enabled, int minutes);

    bool enabled() const { return enabled_; }
    int minutes() const { return minutes_; }

    // OK: refuses a number outside 0 to 180 with the range message and keeps the dialog open.
    bool Validate() override;

  private:
    // The edit's number when it is a whole number in range.
    bool readMinutes(int& minutes) const;
    void readControls();
    void writeControls();

    bool enabled_;
    int minutes_;
    wxCheckBox* check_ = nullptr;
    wxTextCtrl* edit_ = nullptr;
    wxSlider* slider_ = nullptr;
    bool writing_ = false;
};

} // namespace zc
