#include "planner/repeat_dialog.h"

#include "ui/display_text.h"
#include "ui/help_topics.h"
#include "ui/program_icon.h"

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

namespace zc {

RepeatDialog::RepeatDialog(wxWindow* parent, RepeatDialogModel& model)
    : wxDialog(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "repeatDialog"),
      model_(model) {
    model_.openRepeatDialog();
    SetTitle(displayText(model_.title));
    SetIcons(programIcons());

    auto* box = new wxStaticBoxSizer(wxVERTICAL, this, _("This event should repeat:"));
    wxWindow* inBox = box->GetStaticBox();
    const auto descriptions = model_.shownDescriptions();
    auto* rows = new wxBoxSizer(wxVERTICAL);
    for (int kind = 0; kind < kRepeatKindCount; ++kind) {
        // The four kinds that depend on the date show their description in a read-only field
        // beside an unlabelled button; the other two are labelled by their button.
        const bool described = kind != kRepeatNone && kind != kRepeatYearly;
        radios_[kind] = new wxRadioButton(inBox, kFirstRadioId + kind,
                                          described ? wxString() : wxString::FromUTF8(descriptions[kind]),
                                          wxDefaultPosition, wxDefaultSize, kind == 0 ? wxRB_GROUP : 0);
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(radios_[kind], 0, wxALIGN_CENTER_VERTICAL);
        if (described)
            row->Add(new wxTextCtrl(inBox, wxID_ANY, displayText(descriptions[kind]), wxDefaultPosition,
                                    wxSize(260, -1), wxTE_READONLY),
                     1, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
        rows->Add(row, 0, wxEXPAND | wxBOTTOM, 4);
    }
    box->Add(rows, 1, wxEXPAND | wxALL, 8);
    // The week of the month travels with the dialog but is not shown.
    auto* nthweek = new wxTextCtrl(this, wxID_ANY, displayText(model_.shownNthweek()), wxDefaultPosition,
                                   wxDefaultSize, wxTE_READONLY, wxDefaultValidator, "nthweek");
    nthweek->Hide();

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, _("OK"));
    // Enter confirms the choice, as in the calendar's other dialogs.
    ok->SetDefault();
    buttons->Add(ok, 0, wxRIGHT, 8);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("Cancel")), 0, wxRIGHT, 8);
    auto* help = new wxButton(this, wxID_HELP, _("Help"));
    buttons->Add(help);
    help->Bind(wxEVT_BUTTON, [](wxCommandEvent&) { openHelpTopic(kHelpRepeats); });

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(box, 1, wxEXPAND | wxALL, 10);
    top->Add(nthweek);
    top->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(top);
    CentreOnScreen();
}

bool RepeatDialog::TransferDataToWindow() {
    radios_[static_cast<std::size_t>(model_.chosenKind())]->SetValue(true);
    return true;
}

bool RepeatDialog::TransferDataFromWindow() {
    for (int kind = 0; kind < kRepeatKindCount; ++kind)
        if (radios_[kind]->GetValue()) model_.kind = kind;
    return true;
}

} // namespace zc
