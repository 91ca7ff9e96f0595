#include "reminders/countdown_dialog.h"

#include "ui/program_icon.h"
#include "ui/range_validators.h"
#include "reminders/reminder_wnd.h"
#include "ui/dialog_parent.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace zc {

CountdownDialog::CountdownDialog(wxWindow* parent, CalendarContext& context)
    : wxDialog(parent, kResource, "                                     Countdown Timer", wxDefaultPosition,
               wxDefaultSize, wxDEFAULT_DIALOG_STYLE, "countdownDialog"),
      context_(context) {
    SetIcons(programIcons());
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new wxStaticText(this, wxID_ANY, _(" Minutes until timer expires (1 - 120):")), 0, wxLEFT | wxRIGHT | wxTOP,
             10);
    auto* minutesRow = new wxBoxSizer(wxHORIZONTAL);
    minutesEdit_ = new wxTextCtrl(this, kMinutesEdit, "1", wxDefaultPosition, wxSize(FromDIP(50), -1), 0,
                                  IntRangeValidator(&minutes_, kMinMinutes, kMaxMinutes), "minutes");
    slider_ = new wxSlider(this, kSlider, minutes_, kMinMinutes, kMaxMinutes, wxDefaultPosition,
                           wxSize(FromDIP(220), -1), wxSL_HORIZONTAL, wxDefaultValidator, "slider");
    minutesRow->Add(minutesEdit_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    minutesRow->Add(slider_, 1, wxALIGN_CENTER_VERTICAL);
    top->Add(minutesRow, 0, wxEXPAND | wxALL, 10);
    top->Add(new wxStaticText(this, wxID_ANY, _(" Text to display when the timer expires (optional):")), 0,
             wxLEFT | wxRIGHT, 10);
    textEdit_ = new wxTextCtrl(this, kTextEdit, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0,
                               TextLengthValidator(&text_, kMaxText), "text");
    top->Add(textEdit_, 0, wxEXPAND | wxALL, 10);
    top->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);
    TransferDataToWindow();

    minutesEdit_->Bind(wxEVT_TEXT, &CountdownDialog::onMinutesTyped, this);
    slider_->Bind(wxEVT_SLIDER, &CountdownDialog::onSlider, this);
    Bind(wxEVT_BUTTON, &CountdownDialog::onOk, this, wxID_OK);
    CentreOnParent();
}

void CountdownDialog::onMinutesTyped(wxCommandEvent&) {
    auto* check = static_cast<IntRangeValidator*>(minutesEdit_->GetValidator());
    const std::optional<long> typed = check->number();
    if (typed && check->inRange(*typed)) {
        minutes_ = static_cast<int>(*typed);
        slider_->SetValue(minutes_);
        return;
    }
    // A box emptied to type a new number is not yet a mistake; anything else is reported as soon
    // as it is typed, once the keystroke has been handled.
    if (minutesEdit_->GetValue().Strip(wxString::both).empty()) return;
    const wxString message = typed ? check->rangeMessage() : _("Please enter an integer.");
    CallAfter([this, message] { validationMessage()(this, message); });
}

void CountdownDialog::onSlider(wxCommandEvent&) {
    minutes_ = slider_->GetValue();
    minutesEdit_->ChangeValue(wxString::Format("%d", minutes_));
}

void CountdownDialog::onOk(wxCommandEvent&) {
    // A countdown starts only for values that passed their checks; a refused OK starts nothing.
    if (!Validate() || !TransferDataFromWindow()) return;
    startCountdown(context_, minutes_, text_.utf8_string());
    EndDialog(wxID_OK);
}

void startCountdown(CalendarContext& context, int minutes, const std::string& text) {
    context.timers.startCallbackTimer(static_cast<std::int64_t>(minutes) * 60000, [&context, text] {
        showReminder(context, ReminderWnd::kCountdown, 0, text);
    });
}

void runCountdownDialog(CalendarContext& context) {
    CountdownDialog dialog(dialogParent() ? dialogParent() : context.owner, context);
    dialog.ShowModal();
}

} // namespace zc
