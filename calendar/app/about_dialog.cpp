#include "app/about_dialog.h"

#include "ui/program_icon.h"

#include <wx/button.h>
#include <wx/font.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace zc {

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("   About Zorvel Calendar"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "aboutDialog") {
    SetIcons(programIcons());
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticBitmap(this, wxID_ANY, programIconBundle(48)), 0, wxALL | wxALIGN_TOP, 12);

    auto* lines = new wxBoxSizer(wxVERTICAL);
    auto* name = new wxStaticText(this, wxID_ANY, "ZORVEL CALENDAR");
    name->SetFont(name->GetFont().Bold().Larger());
    lines->Add(name, 0, wxBOTTOM, 4);
    lines->Add(new wxStaticText(this, wxID_ANY, wxString::Format(_("Version %s"), kProgramVersion)), 0,
               wxBOTTOM, 10);
    lines->Add(new wxStaticText(this, wxID_ANY, _("ZorvelCal team")));
    row->Add(lines, 1, wxTOP | wxRIGHT | wxBOTTOM, 12);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(row);
    top->Add(new wxButton(this, wxID_OK, _("OK")), 0, wxALIGN_RIGHT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(top);
    CentreOnParent();
}

} // namespace zc
