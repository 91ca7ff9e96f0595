#include "reminders/configure_reminder_dialog.h"

#include "ui/program_icon.h"
#include "ui/range_validators.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>
#include <wx/valgen.h>

#include <algorithm>

namespace zc {

ConfigureReminderDialog::ConfigureReminderDialog(wxWindow* parent, bool enabled, int minutes)
    : wxDialog(parent, kResource, "                         Configure Reminder", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "configureReminderDialog"),
      enabled_(enabled), minutes_(minutes), chosen_(minutes) {
    SetIcons(programIcons());
    check_ = new wxCheckBox(this, kEnable, _("Enable reminder for the selected entry."), wxDefaultPosition,
                            wxDefaultSize, 0, wxGenericValidator(&enabled_), "enable");
    auto* box = new wxStaticBoxSizer(wxHORIZONTAL, this, _("How many minutes early to pop-up the reminder:"));
    wxWindow* inBox = box->GetStaticBox();
    edit_ = new wxTextCtrl(inBox, kMinutes, wxEmptyString, wxDefaultPosition, wxSize(FromDIP(60), -1), 0,
                           IntRangeValidator(&minutes_, 0, kMaxMinutes), "minutes");
    // The slider starts at 1: a lead of 0 is typed.
    slider_ = new wxSlider(inBox, kSlider, std::clamp(minutes_, 1, kMaxMinutes), 1, kMaxMinutes, wxDefaultPosition,
                           wxSize(FromDIP(240), -1), wxSL_HORIZONTAL, wxDefaultValidator, "minutesSlider");
    box->Add(edit_, 0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
    box->Add(slider_, 1, wxALIGN_CENTER_VERTICAL | wxALL, 6);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(check_, 0, wxALL, 10);
    top->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    top->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);
    // The number sits inside the group box, so checks and transfers reach into it.
    SetExtraStyle(GetExtraStyle() | wxWS_EX_VALIDATE_RECURSIVELY);
    TransferDataToWindow();

    check_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { enabled_ = check_->GetValue(); });
    edit_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        // While a number is out of range or not a number, the lead chosen before the typing stays:
        // the in-range prefix of a longer number ("20" of "200") was never the user's choice, and
        // Escape must not keep it.
        auto* check = static_cast<IntRangeValidator*>(edit_->GetValidator());
        if (const std::optional<long> typed = check->number(); typed && check->inRange(*typed))
            minutes_ = static_cast<int>(*typed);
        else
            minutes_ = chosen_;
        slider_->SetValue(std::max(minutes_, 1));
    });
    slider_->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) {
        minutes_ = chosen_ = slider_->GetValue();
        edit_->ChangeValue(wxString::Format("%d", minutes_));
    });
    CentreOnParent();
}

} // namespace zc
