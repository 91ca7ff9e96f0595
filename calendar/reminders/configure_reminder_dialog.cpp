#include "reminders/configure_reminder_dialog.h"

#include "app/program_icon.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace zc {

ConfigureReminderDialog::ConfigureReminderDialog(wxWindow* parent, bool enabled, int minutes)
    : wxDialog(parent, wxID_ANY, "                         Configure Reminder", wxDefaultPosition,
               wxDefaultSize, wxDEFAULT_DIALOG_STYLE, "configureReminderDialog"),
      enabled_(enabled), minutes_(minutes) {
    SetIcons(programIcons());
    check_ = new wxCheckBox(this, kEnable, "Enable reminder for the selected entry.");
    auto* box = new wxStaticBoxSizer(wxHORIZONTAL, this, "How many minutes early to pop-up the reminder:");
    wxWindow* inBox = box->GetStaticBox();
    edit_ = new wxTextCtrl(inBox, kMinutes, wxEmptyString, wxDefaultPosition, wxSize(60, -1), 0,
                           wxDefaultValidator, "minutes");
    // The slider starts at 1: a lead of 0 is typed.
    slider_ = new wxSlider(inBox, kSlider, std::clamp(minutes, 1, kMaxMinutes), 1, kMaxMinutes, wxDefaultPosition,
                           wxSize(240, -1), wxSL_HORIZONTAL, wxDefaultValidator, "minutesSlider");
    box->Add(edit_, 0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
    box->Add(slider_, 1, wxALIGN_CENTER_VERTICAL | wxALL, 6);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, wxID_OK, "OK"), 0, wxRIGHT, 8);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"));

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(check_, 0, wxALL, 10);
    top->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    top->Add(buttons, 0, wxALIGN_RIGHT | wxALL, 10);
    SetSizerAndFit(top);
    writeControls();

    check_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { readControls(); });
    edit_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        if (writing_) return;
        readControls();
        slider_->SetValue(std::max(minutes_, 1));
    });
    slider_->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) {
        readControls();
        minutes_ = slider_->GetValue();
        writeControls();
    });
    CentreOnParent();
}

bool ConfigureReminderDialog::readMinutes(int& minutes) const {
    const wxString text = edit_->GetValue().Strip(wxString::both);
    long value = 0;
    if (!text.ToLong(&value) || value < 0 || value > kMaxMinutes) return false;
    minutes = static_cast<int>(value);
    return true;
}

void ConfigureReminderDialog::readControls() {
    enabled_ = check_->GetValue();
    // A half-typed number leaves the last good one in force.
    readMinutes(minutes_);
}

void ConfigureReminderDialog::writeControls() {
    writing_ = true;
    check_->SetValue(enabled_);
    edit_->ChangeValue(wxString::Format("%d", minutes_));
    slider_->SetValue(std::clamp(minutes_, 1, kMaxMinutes));
    writing_ = false;
}

bool ConfigureReminderDialog::Validate() {
    int minutes = 0;
    if (!readMinutes(minutes)) {
        wxMessageBox(wxString::Format("Please enter an integer between %d and %d.", 0, kMaxMinutes), "ZorvelCal",
                     wxOK | wxICON_EXCLAMATION, this);
        edit_->SetFocus();
        edit_->SelectAll();
        return false;
    }
    readControls();
    return true;
}

} // namespace zc
