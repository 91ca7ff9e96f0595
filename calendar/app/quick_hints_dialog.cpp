#include "app/quick_hints_dialog.h"

#include "app/program_icon.h"

#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace zc {

CQuickHintsDlg::CQuickHintsDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "   Quick hints on using the Month View", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "quickHintsDialog") {
    SetSizer(new wxBoxSizer(wxVERTICAL));
    addHint("left click on a date to access the Day Planner for that day", true);
    addHint("left click on << and >> to scan by month", true);
    addHint("right click on << and >> to scan by year", true);
    addHint("hold the mouse over \"ZC\" in the icon tray to check the next appointment", true);
    auto* heading = new wxStaticText(this, wxID_ANY, "additional shortcuts:");
    heading->SetFont(heading->GetFont().Bold());
    GetSizer()->Add(heading, 0, wxLEFT | wxRIGHT | wxTOP, 10);
    addHint("left click on any empty part of the Month View to access the To-Do List", true);
    addHint("right click on a date to access the Week View for that week", true);
    finish();
}

CQuickHintsDlg::CQuickHintsDlg(wxWindow* parent, const wxString& title, std::initializer_list<const char*> hints)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "quickHintsDialog") {
    SetSizer(new wxBoxSizer(wxVERTICAL));
    for (const char* hint : hints)
        addHint(hint, true);
    finish();
}

void CQuickHintsDlg::addHint(const char* text, bool withBullet) {
    const wxBitmap bullet = bulletBitmap(12);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    if (withBullet)
        row->Add(new wxStaticBitmap(this, wxID_ANY, bullet), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    else
        row->AddSpacer(bullet.GetWidth() + 8);
    row->Add(new wxStaticText(this, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL);
    GetSizer()->Add(row, 0, wxLEFT | wxRIGHT | wxTOP, 10);
}

void CQuickHintsDlg::finish() {
    SetIcons(programIcons());
    GetSizer()->AddSpacer(12);
    GetSizer()->SetSizeHints(this);
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
