#include "t_form_program_group_box.h"

#include "core/kz_shell_link.h"
#include "kz_form_scale.h"
#include "t_form_create_program_group.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/utils.h>

#include <algorithm>
#include <vector>

namespace {

const wxColour Silver(192, 192, 192);
constexpr int PanelWidth = 100;
constexpr int ListWidth = 447 - PanelWidth;
constexpr int ButtonLeft = 14;
constexpr int ButtonWidth = 75;

// How often the list is read again while the desktop catches up with a new group folder.
constexpr int NewGroupAttempts = 31;

} // namespace

TFormProgramGroupBox::TFormProgramGroupBox(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("Program Group selection"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE),
      RunCreateDialog([](TFormCreateProgramGroup& dialog) { return dialog.ShowModal(); }) {
    SetName("TFormProgramGroupBox");
    SetBackgroundColour(Silver);
    const KzFormScale at(this);

    ListBox1 =
        new wxListBox(this, wxID_ANY, at.Point(8, 7), at.Size(332, 224), 0, nullptr, wxLB_SINGLE | wxLB_SORT);
    ListBox1->SetName("ListBox1");

    Panel1 = new wxPanel(this, wxID_ANY);
    Panel1->SetName("Panel1");
    Panel1->SetBackgroundColour(Silver);
    ButtonCreateGroup = new wxButton(Panel1, wxID_ANY, _("Create &group"), at.Point(14, 13), at.Size(75, 25));
    ButtonCreateGroup->SetName("ButtonCreateGroup");
    // Plain identifiers, so that the dialog's Escape and close-box handling do not run Cancel's
    // handler: closing the window leaves the answer as it was.
    ButtonCancel = new wxButton(Panel1, wxID_ANY, _("&Cancel"), at.Point(14, 173), at.Size(75, 25));
    ButtonCancel->SetName("ButtonCancel");
    ButtonOK = new wxButton(Panel1, wxID_ANY, _("&OK"), at.Point(14, 205), at.Size(75, 25));
    ButtonOK->SetName("ButtonOK");

    ButtonOK->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonOKClick(); });
    ButtonCancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonCancelClick(); });
    ButtonCreateGroup->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonCreateGroupClick(); });
    ListBox1->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { ButtonOKClick(); });
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent&) { FormShow(); });
    Bind(wxEVT_SIZE, [this](wxSizeEvent&) { FormResize(); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { FinishWith(wxID_CANCEL); });

    // The buttons keep their width unless the desktop's font needs more for a caption; the panel
    // and the dialog then grow with them, so no caption is ever cut off.
    int width = at(ButtonWidth);
    for (wxButton* button : {ButtonCreateGroup, ButtonCancel, ButtonOK})
        width = std::max(width, button->GetBestSize().GetWidth());
    for (wxButton* button : {ButtonCreateGroup, ButtonCancel, ButtonOK})
        button->SetSize(at(ButtonLeft), button->GetPosition().y, width, at(25));
    panelWidth_ =
        std::max(at(PanelWidth), at(ButtonLeft) + width + at(PanelWidth - ButtonLeft - ButtonWidth));

    SetClientSize(at(ListWidth) + panelWidth_, at(239));
    FormResize();
    CentreOnScreen();
}

void TFormProgramGroupBox::FormResize() {
    const wxSize client = GetClientSize();
    const int height = ButtonOK->GetRect().GetBottom() + 1 + 10;
    if (client.GetHeight() != height) {
        // The new size arrives here again and then only places the panel.
        SetClientSize(client.GetWidth(), height);
        return;
    }
    Panel1->SetSize(client.GetWidth() - panelWidth_, 0, panelWidth_, client.GetHeight());
}

void TFormProgramGroupBox::FormShow() {
    ButtonCreateGroup->Enable(AllowCreate);
    FillList();
}

void TFormProgramGroupBox::FillList() {
    std::vector<std::string> groups;
    ListProgramGroups(groups);
    ListBox1->Clear();
    for (const auto& group : groups)
        ListBox1->Append(wxString::FromUTF8(group));
    if (ListBox1->GetCount() > 1) ListBox1->SetSelection(1);
}

void TFormProgramGroupBox::ButtonOKClick() {
    SelectedGroup = "<selected not found>";
    const int selection = ListBox1->GetSelection();
    if (selection != wxNOT_FOUND) SelectedGroup = ListBox1->GetString(selection).utf8_string();
    FinishWith(wxID_OK);
}

void TFormProgramGroupBox::ButtonCancelClick() {
    SelectedGroup.clear();
    FinishWith(wxID_CANCEL);
}

void TFormProgramGroupBox::ButtonCreateGroupClick() {
    std::string created;
    {
        TFormCreateProgramGroup dialog(this);
        if (RunCreateDialog(dialog) != wxID_OK) return;
        created = dialog.NewGroup;
    }
    // The new folder may take a moment to show in a listing, so the list is read again a few
    // times, with the window kept alive in between.
    const wxString name = wxString::FromUTF8(created);
    int found = wxNOT_FOUND;
    for (int attempt = 0; attempt < NewGroupAttempts && found == wxNOT_FOUND; ++attempt) {
        FillList();
        found = ListBox1->FindString(name, true);
        if (!IsActive()) Raise();
        wxTheApp->Yield(true);
        if (found == wxNOT_FOUND) wxMilliSleep(100);
    }
    if (found != wxNOT_FOUND) ListBox1->SetSelection(found);
}

void TFormProgramGroupBox::FinishWith(int result) {
    if (IsModal()) {
        EndModal(result);
    } else {
        SetReturnCode(result);
        Hide();
    }
}
