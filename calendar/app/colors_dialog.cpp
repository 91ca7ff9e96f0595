#include "app/colors_dialog.h"

#include "ui/program_icon.h"

#include <wx/button.h>
#include <wx/colordlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace zc {

CColorsDialog::ColourChooser& CColorsDialog::colourChooser() {
    static ColourChooser chooser = [](wxWindow* parent) -> std::optional<ColourRef> {
        wxColourDialog dialog(parent);
        if (dialog.ShowModal() != wxID_OK) return std::nullopt;
        return static_cast<ColourRef>(dialog.GetColourData().GetColour().GetRGB());
    };
    return chooser;
}

ColourRef* CColorsDialog::featureColour(int controlId) {
    Colours& c = colours_;
    switch (controlId) {
    case kText:
        return &c.fore;
    case kBackground:
        return &c.back;
    case kCurrentDay:
        return &c.currentday;
    case kHasAppointment:
        return &c.hasappoint;
    case kDayPlanner1:
        return &c.dayplan1;
    case kDayPlanner2:
        return &c.dayplan2;
    case kTopHighlight:
        return &c.toplite;
    case kBottomHighlight:
        return &c.botlite;
    default:
        return nullptr;
    }
}

CColorsDialog::CColorsDialog(wxWindow* parent, Colours& colours, std::function<void()> changed)
    : wxDialog(parent, wxID_ANY, _("    Modify Zorvel Calendar Colors"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "colorsDialog"),
      colours_(colours), changed_(std::move(changed)) {
    SetIcons(programIcons());
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new wxStaticText(this, wxID_ANY, _("Select a feature:")), 0, wxALL, 10);

    struct Feature {
        int id;
        const char* label;
    };
    static constexpr Feature kFeatures[] = {
        {kText, wxTRANSLATE("Text")},
        {kBackground, wxTRANSLATE("Background")},
        {kCurrentDay, wxTRANSLATE("Current day")},
        {kHasAppointment, wxTRANSLATE("Has Appointment")},
        {kDayPlanner1, wxTRANSLATE("Day Planner 1")},
        {kDayPlanner2, wxTRANSLATE("Day Planner 2")},
        {kTopHighlight, wxTRANSLATE("Top highlight")},
        {kBottomHighlight, wxTRANSLATE("Bottom highlight")},
    };
    auto* grid = new wxGridSizer(2, 6, 6);
    for (const Feature& f : kFeatures) {
        auto* button = new wxButton(this, f.id, wxGetTranslation(f.label), wxDefaultPosition, wxDefaultSize,
                                    0, wxDefaultValidator, f.label);
        grid->Add(button, 0, wxEXPAND);
        Bind(wxEVT_BUTTON, &CColorsDialog::onFeature, this, f.id);
    }
    top->Add(grid, 0, wxLEFT | wxRIGHT | wxEXPAND, 10);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, kDefaults, _("Defaults"), wxDefaultPosition, wxDefaultSize, 0,
                              wxDefaultValidator, "Defaults"));
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, kOk, _("OK"), wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator, "OK"),
                 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kCancel, _("Cancel"), wxDefaultPosition, wxDefaultSize, 0,
                              wxDefaultValidator, "Cancel"));
    top->Add(buttons, 0, wxALL | wxEXPAND, 10);
    SetSizerAndFit(top);

    Bind(wxEVT_BUTTON, &CColorsDialog::onDefaults, this, kDefaults);
    Bind(wxEVT_BUTTON, &CColorsDialog::onOk, this, kOk);
    Bind(wxEVT_BUTTON, &CColorsDialog::onCancel, this, kCancel);
    Bind(wxEVT_CLOSE_WINDOW, &CColorsDialog::onClose, this);
    // Escape sends the standard cancel identifier, which is the Background button's here.
    SetEscapeId(kBackground);
    SetAffirmativeId(kOk);

    CentreOnScreen();
    // What the store holds now is what Cancel goes back to.
    saveColours(colours_);
}

void CColorsDialog::onFeature(wxCommandEvent& event) {
    ColourRef* target = featureColour(event.GetId());
    if (!target) return;
    const std::optional<ColourRef> chosen = colourChooser()(this);
    if (!chosen) return;
    *target = *chosen & 0xFFFFFF;
    if (changed_) changed_();
}

void CColorsDialog::onDefaults(wxCommandEvent&) {
    colours_ = Colours{};
}

void CColorsDialog::onOk(wxCommandEvent&) {
    EndModal(kOk);
}

void CColorsDialog::onCancel(wxCommandEvent&) {
    EndModal(kCancel);
}

void CColorsDialog::onClose(wxCloseEvent&) {
    // The close box would otherwise act as the Escape key and open the background colour chooser;
    // closing the dialog means leaving it without the changes.
    EndModal(kCancel);
}

void CColorsDialog::EndModal(int returnCode) {
    // Back to the colours saved when the dialog opened; the month view shows them again.
    if (returnCode != kOk) {
        colours_ = loadColours();
        if (changed_) changed_();
    }
    wxDialog::EndModal(returnCode);
}

} // namespace zc
