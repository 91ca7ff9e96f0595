#include "ui/quick_hints_dialog.h"

#include "ui/program_icon.h"

#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/translation.h>

namespace zc {

// Titles and hints come marked, in English; they are looked up in the user's language here.
CQuickHintsDlg::CQuickHintsDlg(wxWindow* parent)
    : CQuickHintsDlg(
          parent, wxTRANSLATE("   Quick hints on using the Month View"),
          {{wxTRANSLATE("left click on a date to access the Day Planner for that day")},
           {wxTRANSLATE("left click on << and >> to scan by month")},
           {wxTRANSLATE("right click on << and >> to scan by year")},
           {wxTRANSLATE("hold the mouse over \"ZC\" in the icon tray to check the next appointment")},
           {wxTRANSLATE("additional shortcuts:"), true},
           {wxTRANSLATE("left click on any empty part of the Month View to access the To-Do List")},
           {wxTRANSLATE("right click on a date to access the Week View for that week")}}) {}

CQuickHintsDlg::CQuickHintsDlg(wxWindow* parent, const wxString& title, std::initializer_list<Hint> hints)
    : wxDialog(parent, wxID_ANY, wxGetTranslation(title), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "quickHintsDialog") {
    SetIcons(programIcons());
    const wxBitmapBundle bullet = bulletBundle(12);
    auto* top = new wxBoxSizer(wxVERTICAL);
    for (const Hint& hint : hints) {
        if (hint.heading) {
            auto* heading = new wxStaticText(this, wxID_ANY, wxGetTranslation(hint.text));
            heading->SetFont(heading->GetFont().Bold());
            top->Add(heading, 0, wxLEFT | wxRIGHT | wxTOP, 10);
            continue;
        }
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(new wxStaticBitmap(this, wxID_ANY, bullet), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
        row->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation(hint.text)), 0, wxALIGN_CENTER_VERTICAL);
        top->Add(row, 0, wxLEFT | wxRIGHT | wxTOP, 10);
    }
    top->AddSpacer(12);
    SetSizerAndFit(top);
    // With no buttons there is no control to take the keyboard, so the dialog listens for Escape
    // itself and closes as its close box does.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE)
            EndModal(wxID_CANCEL);
        else
            event.Skip();
    });
    Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
        if (event.IsShown()) SetFocus();
        event.Skip();
    });
    CentreOnParent();
}

} // namespace zc
