#include "t_form_create_directory.h"

#include "core/kz_files.h"
#include "core/kz_text.h"
#include "kz_form_scale.h"
#include "kz_message.h"
#include "text/translatable.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

TFormCreateDirectory::TFormCreateDirectory(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
      ParentDir(std::string(1, KzPathSeparator())) {
    SetName("TFormCreateDirectory");
    SetBackgroundColour(wxColour(192, 192, 192));
    const KzFormScale at(this);

    Label1 = new wxStaticText(this, wxID_ANY, _("Create new directory"), at.Point(8, 7));
    Label1->SetName("Label1");
    Label1->SetFont(Label1->GetFont().Bold());
    EditDirectory = new wxTextCtrl(this, wxID_ANY, "", at.Point(8, 25), at.Size(369, -1), wxTE_PROCESS_ENTER);
    EditDirectory->SetName("EditDirectory");
    ButtonCancel = new wxButton(this, wxID_CANCEL, _("&Cancel"), at.Point(216, 56), at.Size(75, 25));
    ButtonCancel->SetName("ButtonCancel");
    ButtonOK = new wxButton(this, wxID_OK, _("&OK"), at.Point(302, 56), at.Size(75, 25));
    ButtonOK->SetName("ButtonOK");

    ButtonOK->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonOKClick(); });
    ButtonCancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonCancelClick(); });
    EditDirectory->Bind(wxEVT_CHAR, &TFormCreateDirectory::EditDirectoryKeyPress, this);
    EditDirectory->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { ButtonOKClick(); });
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent&) { FormShow(); });
    CentreOnScreen();
}

void TFormCreateDirectory::FormShow() {
    SetTitle(wxString::FromUTF8(ParentDir));
    // The bold font is measured only once the label is on the screen; until then it keeps the
    // width of its plain text and would cut off its end.
    Label1->InvalidateBestSize();
    Label1->SetSize(Label1->GetBestSize());
    const wxRect ok = ButtonOK->GetRect();
    SetClientSize(ok.GetRight() + 1 + 10, ok.GetBottom() + 1 + 7);
    CentreOnScreen();
    EditDirectory->SetFocus();
}

bool TFormCreateDirectory::IsNameKey(int c) {
    return c == WXK_BACK || c == ' ' || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == '@' ||
           (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') || c == '~';
}

void TFormCreateDirectory::EditDirectoryKeyPress(wxKeyEvent& event) {
    const int character = event.GetUnicodeKey();
    if (character == WXK_RETURN) return ButtonOKClick();
    if (character == WXK_ESCAPE) return ButtonCancelClick();
    // Keys that move the caret or the focus type nothing and keep working as usual.
    if (character == WXK_NONE || character == WXK_TAB || character == WXK_DELETE || IsNameKey(character)) {
        event.Skip();
        return;
    }
    wxBell();
}

void TFormCreateDirectory::ButtonOKClick() {
    std::string path = ParentDir;
    if (path.empty() || path.back() != KzPathSeparator()) path += KzPathSeparator();
    path += EditDirectory->GetValue().utf8_string();
    // One level only: the parent must exist, and a name that exists already is a failure too.
    if (MakeDirectory(path).status == KzStatusOk) {
        ParentDir = path;
        Finish(wxID_OK);
        return;
    }
    wxBell();
    KzShowMessage(this, KzFormatted(N_("Unable to create \n%s"), {path}));
    Finish(wxID_CANCEL);
}

void TFormCreateDirectory::ButtonCancelClick() {
    Finish(wxID_CANCEL);
}

void TFormCreateDirectory::Finish(int result) {
    if (IsModal()) {
        EndModal(result);
    } else {
        SetReturnCode(result);
        Hide();
    }
}
