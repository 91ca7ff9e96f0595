#include "app/quick_hints_dialog.h"

#include "app/program_icon.h"

#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace zc {

CQuickHintsDlg::CQuickHintsDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "   Quick hints on using the Month View", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "quickHintsDialog") {
    SetIcons(programIcons());
    const wxBitmap bullet = bulletBitmap(12);
    auto* top = new wxBoxSizer(wxVERTICAL);
    const auto hint = [&](const char* text, bool withBullet) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        if (withBullet)
            row->Add(new wxStaticBitmap(this, wxID_ANY, bullet), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
        else
            row->AddSpacer(bullet.GetWidth() + 8);
        row->Add(new wxStaticText(this, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL);
        top->Add(row, 0, wxLEFT | wxRIGHT | wxTOP, 10);
    };
    hint("left click on a date to access the Day Planner for that day", true);
    hint("left click on << and >> to scan by month", true);
    hint("right click on << and >> to scan by year", true);
    hint("hold the mouse over \"ZC\" in the icon tray to check the next appointment", true);
    auto* heading = new wxStaticText(this, wxID_ANY, "additional shortcuts:");
    heading->SetFont(heading->GetFont().Bold());
    top->Add(heading, 0, wxLEFT | wxRIGHT | wxTOP, 10);
    hint("left click on any empty part of the Month View to access the To-Do List", true);
    hint("right click on a date to access the Week View for that week", true);
    top->AddSpacer(12);
    SetSizerAndFit(top);
    // With no buttons, Escape closes the dialog as the close box does.
    SetEscapeId(wxID_ANY);
    CentreOnParent();
}

} // namespace zc
