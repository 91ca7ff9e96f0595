#pragma once
// The Countdown Timer dialog (resource 151): a kitchen timer. OK starts a countdown of the chosen
// minutes (1 to 120) on the program's timers; when it runs out, a reminder window in its countdown form
// shows the optional text (at most 60 characters). Any number of countdowns may run at once, each
// with its own text; none survives the end of the program.
#include "ui/calendar_context.h"

#include <wx/dialog.h>

#include <string>

class wxSlider;
class wxTextCtrl;

namespace zc {

class CountdownDialog final : public wxDialog {
  public:
    static constexpr int kResource = 151;
    static constexpr int kTextEdit = 1064;
    static constexpr int kSlider = 1065;
    static constexpr int kMinutesEdit = 1066;
    static constexpr int kMinMinutes = 1;
    static constexpr int kMaxMinutes = 120;
    static constexpr std::size_t kMaxText = 60;

    CountdownDialog(wxWindow* parent, CalendarContext& context);

    int minutes() const { return minutes_; }
    const wxString& text() const { return text_; }
    wxTextCtrl* minutesEdit() const { return minutesEdit_; }
    wxSlider* slider() const { return slider_; }
    wxTextCtrl* textEdit() const { return textEdit_; }

  private:
    void onMinutesTyped(wxCommandEvent& event);
    void onSlider(wxCommandEvent& event);
    void onOk(wxCommandEvent& event);

    CalendarContext& context_;
    int minutes_ = 1;
    wxString text_;
    wxTextCtrl* minutesEdit_ = nullptr;
    wxSlider* slider_ = nullptr;
    wxTextCtrl* textEdit_ = nullptr;
};

// Starts a countdown on the program's timers: after minutes, the countdown window with text opens.
void startCountdown(CalendarContext& context, int minutes, const std::string& text);
// File > Set Timer.
void runCountdownDialog(CalendarContext& context);

} // namespace zc
