#include "t_form_dialog_next_disk.h"

#include "core/kz_files.h"
#include "kz_form_scale.h"
#include "kz_message.h"
#include "kz_text_fit.h"
#include "t_form_dir_box.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/statline.h>
#include <wx/stattext.h>

#include <algorithm>

namespace {
// A name longer than this many lines is shown by its start and its end.
constexpr std::size_t NeededFileLines = 8;

std::string WithoutTrailingSeparator(std::string directory) {
    while (directory.size() > 1 && directory.back() == KzPathSeparator())
        directory.pop_back();
    return directory;
}
} // namespace

TFormDialogNextDisk::TFormDialogNextDisk(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("Insert next disk"), wxPoint(221, 216), wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE),
      Location(WithoutTrailingSeparator(AppDirectory())) {
    SetName("TFormDialogNextDisk");
    SetBackgroundColour(wxColour(192, 192, 192));
    const KzFormScale at(this);

    Label1 = new wxStaticText(this, wxID_ANY, _("Insert the next disk to continue"), at.Point(15, 15));
    Label1->SetName("Label1");
    Label1->Wrap(at(111));
    Label4 = new wxStaticText(this, wxID_ANY, _("and press 'OK'"), at.Point(15, 49));
    Label4->SetName("Label4");
    Bevel1 = new wxStaticLine(this, wxID_ANY, at.Point(15, 88), at.Size(229, 3));
    Bevel1->SetName("Bevel1");
    Label2 = new wxStaticText(this, wxID_ANY, _("If the required file:"), at.Point(16, 101));
    Label2->SetName("Label2");
    LabelNeededFile = new wxStaticText(this, wxID_ANY, "", at.Point(15, 118));
    LabelNeededFile->SetName("LabelNeededFile");
    LabelNeededFile->SetFont(LabelNeededFile->GetFont().Bold());
    Label3 = new wxStaticText(this, wxID_ANY, _("is in a different location, press change:"), at.Point(16, 136));
    Label3->SetName("Label3");
    Label3->Wrap(at(137));
    ButtonOK = new wxButton(this, wxID_OK, _("&OK"), at.Point(168, 16), at.Size(75, 25));
    ButtonOK->SetName("ButtonOK");
    ButtonCancel = new wxButton(this, wxID_CANCEL, _("&Cancel"), at.Point(168, 48), at.Size(73, 25));
    ButtonCancel->SetName("ButtonCancel");
    ButtonChange = new wxButton(this, wxID_ANY, _("Ch&ange"), at.Point(168, 143), at.Size(73, 25));
    ButtonChange->SetName("ButtonChange");
    ButtonOK->SetDefault();
    // A longer prompt (a translation) wraps to more lines: the line below it and everything under
    // the rule move down to make room, and the English layout stays as designed.
    const int promptBottom = Label1->GetRect().GetBottom() + 1;
    if (promptBottom > Label4->GetPosition().y) {
        const int down = promptBottom - Label4->GetPosition().y;
        for (wxWindow* below :
             std::initializer_list<wxWindow*>{Label4, Bevel1, Label2, LabelNeededFile, Label3, ButtonChange})
            below->Move(below->GetPosition().x, below->GetPosition().y + down);
    }

    ButtonOK->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonOKClick(); });
    ButtonCancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonCancelClick(); });
    ButtonChange->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonChangeClick(); });
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent&) { FormShow(); });
    // The close box gives up without asking: the user has already said what he wants.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Finish(wxID_CANCEL); });
}

void TFormDialogNextDisk::FormShow() {
    // The needed file is named whole: a long name wraps within the width of the rule above it,
    // and what stands below moves down to make room.
    const int lineHeight = LabelNeededFile->GetCharHeight();
    const int oldHeight = std::max(lineHeight, LabelNeededFile->GetSize().y);
    const wxString neededFile = wxString::FromUTF8(NeededFile);
    LabelNeededFile->SetLabelText(KzWrapToWidth(LabelNeededFile, neededFile, Bevel1->GetSize().x, NeededFileLines));
    LabelNeededFile->SetToolTip(neededFile);
    // Measured in the label's own font: the toolkit's best size still belongs to the plain font
    // until the label is next laid out.
    wxClientDC dc(LabelNeededFile);
    dc.SetFont(LabelNeededFile->GetFont());
    LabelNeededFile->SetSize(dc.GetMultiLineTextExtent(LabelNeededFile->GetLabelText()) + wxSize(2, 2));
    const int grown = std::max(0, LabelNeededFile->GetSize().y - oldHeight);
    if (grown > 0 && !neededFileGrown_) {
        for (wxWindow* below : {static_cast<wxWindow*>(Label3), static_cast<wxWindow*>(ButtonChange)})
            below->Move(below->GetPosition().x, below->GetPosition().y + grown);
        neededFileGrown_ = true;
    }
    const wxRect change = ButtonChange->GetRect();
    SetClientSize(change.GetRight() + 1 + 10, change.GetBottom() + 1 + 10);
    // The prompt appears where the installer always put it, not centred. The toolkit centres a
    // dialog on its parent as it maps it, so the place is set again once it is on the screen.
    Move(221, 216);
    CallAfter([this] { Move(221, 216); });
}

void TFormDialogNextDisk::ButtonOKClick() {
    Finish(wxID_OK);
}

void TFormDialogNextDisk::ButtonCancelClick() {
    if (KzConfirm(this, _("Are you sure you want to abort the installation procedure?").utf8_string()))
        Finish(wxID_CANCEL);
}

void TFormDialogNextDisk::ButtonChangeClick() {
    TFormDirBox box(this);
    box.AllowCreate = false;
    box.DialogCaption = _("New location").utf8_string();
    box.UpperLabel = _("Double click a directory").utf8_string();
    box.LowerLabel = _("to select a new location").utf8_string();
    box.Directory = Location;
    if (box.ShowModal() != wxID_OK) return;
    Location = AddBackslash(box.Directory);
    SetTitle(wxString::FromUTF8(Location));
    ButtonOKClick();
}

void TFormDialogNextDisk::Finish(int result) {
    if (IsModal()) {
        EndModal(result);
    } else {
        SetReturnCode(result);
        Hide();
    }
}
