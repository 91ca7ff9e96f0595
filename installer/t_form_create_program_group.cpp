#include "t_form_create_program_group.h"

#include "core/kz_shell_link.h"
#include "core/kz_text.h"
#include "kz_form_scale.h"
#include "kz_message.h"
#include "text/text_utils.h"
#include "text/translatable.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <algorithm>


TFormCreateProgramGroup::TFormCreateProgramGroup(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
      Beep([] { wxBell(); }) {
    SetName("TFormCreateProgramGroup");
    const KzFormScale at(this);

    Label1 = new wxStaticText(this, wxID_ANY, _("Create program group"), at.Point(6, 7));
    Label1->SetName("Label1");
    Label1->SetFont(Label1->GetFont().Bold());
    // The label was sized for the plain font, and GTK applies the bold one only later, so the
    // caption is measured in the bold font directly to keep it from being cut off.
    const wxSize extent = Label1->GetTextExtent(Label1->GetLabel());
    Label1->SetSize(std::max(extent.GetWidth(), Label1->GetBestSize().GetWidth()) + 2,
                    std::max(extent.GetHeight(), Label1->GetBestSize().GetHeight()));

    EditProgramgroup =
        new wxTextCtrl(this, wxID_ANY, wxEmptyString, at.Point(5, 26), at.Size(353, -1), wxTE_PROCESS_ENTER);
    EditProgramgroup->SetName("EditProgramgroup");

    // Plain identifiers: Escape and the close box reach Cancel through the close handler only,
    // never by the toolkit emulating a click.
    ButtonCancel = new wxButton(this, wxID_ANY, _("&Cancel"), at.Point(201, 57), at.Size(75, 25));
    ButtonCancel->SetName("ButtonCancel");
    ButtonOK = new wxButton(this, wxID_ANY, _("&OK"), at.Point(283, 57), at.Size(75, 25));
    ButtonOK->SetName("ButtonOK");

    ButtonOK->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonOKClick(); });
    ButtonCancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonCancelClick(); });
    EditProgramgroup->Bind(wxEVT_CHAR, &TFormCreateProgramGroup::EditProgramgroupKeyPress, this);
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent&) { FormShow(); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { ButtonCancelClick(); });

    FormShow();
}

void TFormCreateProgramGroup::FormShow() {
    const wxRect ok = ButtonOK->GetRect();
    SetClientSize(ok.GetRight() + 1 + 15, ok.GetBottom() + 1 + 7);
    Centre();
    EditProgramgroup->SetFocus();
}

bool TFormCreateProgramGroup::IsGroupNameKey(int key) {
    return key == WXK_BACK || key == ' ' || key == '-' || key == '.' || (key >= '0' && key <= '9') ||
           key == '@' || (key >= 'A' && key <= 'Z') || key == '_' || (key >= 'a' && key <= 'z') || key == '~';
}

void TFormCreateProgramGroup::EditProgramgroupKeyPress(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
        ButtonOKClick();
        return;
    }
    if (key == WXK_ESCAPE) {
        ButtonCancelClick();
        return;
    }
    // Keys that type no character (arrows, Home, End, Delete) and focus movement stay with the
    // edit box; only typed characters are filtered.
    if (event.GetUnicodeKey() == WXK_NONE || key == WXK_DELETE || key == WXK_TAB) {
        event.Skip();
        return;
    }
    if (IsGroupNameKey(static_cast<int>(event.GetUnicodeKey()))) {
        event.Skip();
        return;
    }
    Beep();
}

void TFormCreateProgramGroup::ButtonOKClick() {
    const std::string text = text::trimmed(EditProgramgroup->GetValue().utf8_string());
    EditProgramgroup->ChangeValue(wxString::FromUTF8(text));
    // Pasted text is held to the same characters as typed text, so no separator or other name
    // that leaves the program folder can reach the file system.
    const bool typeable = std::all_of(text.begin(), text.end(),
                                      [](unsigned char c) { return c != WXK_BACK && IsGroupNameKey(c); });
    if (text.empty() || text[0] == '.' || !typeable) {
        Beep();
        return;
    }
    try {
        CreateGroupFolder(text);
    } catch (const std::exception& e) {
        KzShowMessage(this, KzFormatted(N_("Unable to create program group: \n%s"), {e.what()}));
        FinishWith(wxID_CANCEL);
        return;
    }
    NewGroup = text;
    FinishWith(wxID_OK);
}

void TFormCreateProgramGroup::ButtonCancelClick() {
    FinishWith(wxID_CANCEL);
}

void TFormCreateProgramGroup::FinishWith(int result) {
    if (IsModal()) {
        EndModal(result);
    } else {
        SetReturnCode(result);
        Hide();
    }
}
