#include "t_form_dir_box.h"

#include "core/kz_files.h"
#include "kz_form_scale.h"
#include "kz_message.h"
#include "t_form_create_directory.h"
#include "text/translatable.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dirctrl.h>
#include <wx/log.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class QuietLog : public wxLog {
  protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

// The directory without trailing separators, the root excepted.
std::string WithoutTrailingSeparator(std::string directory) {
    while (directory.size() > 1 && directory.back() == KzPathSeparator())
        directory.pop_back();
    return directory;
}

// A drive is ready when its directory can be listed: a medium that is gone, or a mount point
// whose device does not answer, cannot be.
bool IsReady(const std::string& drive) {
    std::error_code error;
    fs::directory_iterator listing(drive, error);
    return !error;
}

void AddSubdirectories(const std::string& base, std::vector<std::string>& drives) {
    std::error_code error;
    std::vector<std::string> found;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error))
        if (it->is_directory(error)) found.push_back(it->path().string());
    std::sort(found.begin(), found.end());
    drives.insert(drives.end(), found.begin(), found.end());
}

} // namespace

TFormDirBox::TFormDirBox(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("Directory selection"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE),
      Directory(WithoutTrailingSeparator(AppDirectory())), Drives(SystemDrives()),
      quietLog_(std::make_unique<QuietLog>()) {
    SetName("TFormDirBox");
    SetBackgroundColour(wxColour(192, 192, 192));
    const KzFormScale at(this);

    LabelTitle2 = new wxStaticText(this, wxID_ANY, "", at.Point(9, 1));
    LabelTitle2->SetName("LabelTitle2");
    LabelTitle3 = new wxStaticText(this, wxID_ANY, "", at.Point(8, 16));
    LabelTitle3->SetName("LabelTitle3");
    DirList = new wxGenericDirCtrl(this, wxID_ANY, "/", at.Point(7, 32), at.Size(288, 145),
                                   wxDIRCTRL_DIR_ONLY | wxDIRCTRL_3D_INTERNAL);
    DirList->SetName("DirList");
    Label1 = new wxStaticText(this, wxID_ANY, _("Drive:"), at.Point(8, 192));
    Label1->SetName("Label1");
    // A longer caption than "Drive:" (a translation) pushes the list to the right; its right edge stays.
    const wxPoint comboAt = at.Point(50, 191);
    const int comboLeft = std::max(comboAt.x, Label1->GetRect().GetRight() + 1 + at(4));
    const int comboRight = comboAt.x + at.Size(191, -1).GetWidth();
    DriveCombo =
        new wxChoice(this, wxID_ANY, wxPoint(comboLeft, comboAt.y), wxSize(comboRight - comboLeft, -1));
    DriveCombo->SetName("DriveCombo");
    // The caption sits level with the middle of the list, however tall the desktop draws it.
    const wxRect combo = DriveCombo->GetRect();
    Label1->Move(Label1->GetPosition().x,
                 combo.GetTop() + (combo.GetHeight() - Label1->GetSize().GetHeight()) / 2);
    ButtonCreateDir = new wxButton(this, wxID_ANY, _("Create &Dir"), at.Point(304, 32), at.Size(75, 25));
    ButtonCreateDir->SetName("ButtonCreateDir");
    ButtonCancel = new wxButton(this, wxID_CANCEL, _("&Cancel"), at.Point(305, 151), at.Size(75, 25));
    ButtonCancel->SetName("ButtonCancel");
    ButtonOK = new wxButton(this, wxID_OK, _("&OK"), at.Point(304, 183), at.Size(75, 25));
    ButtonOK->SetName("ButtonOK");
    ButtonCreateDir->Disable();

    ButtonOK->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonOKClick(); });
    ButtonCancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonCancelClick(); });
    ButtonCreateDir->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonCreateDirClick(); });
    DriveCombo->Bind(wxEVT_CHOICE, [this](wxCommandEvent& event) { DriveComboChange(event.GetSelection()); });
    DirList->Bind(wxEVT_DIRCTRL_SELECTIONCHANGED, [this](wxTreeEvent&) { DirListChange(); });
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent&) { FormShow(); });
    Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
        if (!event.IsShown()) FormHide();
        event.Skip();
    });
    CentreOnScreen();
}

TFormDirBox::~TFormDirBox() {
    FormHide();
}

std::vector<std::string> TFormDirBox::SystemDrives() {
    std::vector<std::string> drives{std::string(1, KzPathSeparator())};
    const std::string home = WithoutTrailingSeparator(wxGetHomeDir().utf8_string());
    if (!home.empty() && home != drives.front()) drives.push_back(home);
    const std::string user = wxGetUserId().utf8_string();
    if (!user.empty()) {
        AddSubdirectories("/media/" + user, drives);
        AddSubdirectories("/run/media/" + user, drives);
    }
    AddSubdirectories("/mnt", drives);
    return drives;
}

void TFormDirBox::FormShow() {
    SetTitle(wxGetTranslation(wxString::FromUTF8(DialogCaption)));
    LabelTitle2->SetLabel(wxString::FromUTF8(UpperLabel));
    LabelTitle3->SetLabel(wxGetTranslation(wxString::FromUTF8(LowerLabel)));

    // The drive of Directory is the entry that holds it most closely.
    DriveCombo->Clear();
    int drive = 0;
    std::size_t longest = 0;
    const std::string directory = WithoutTrailingSeparator(Directory);
    for (std::size_t i = 0; i < Drives.size(); ++i) {
        DriveCombo->Append(wxString::FromUTF8(Drives[i]));
        const std::string& entry = Drives[i];
        const bool holds = entry == directory ||
                           (directory.rfind(entry, 0) == 0 && (entry.back() == KzPathSeparator() ||
                                                               directory[entry.size()] == KzPathSeparator()));
        if (holds && entry.size() > longest) {
            drive = static_cast<int>(i);
            longest = entry.size();
        }
    }
    if (!Drives.empty()) DriveCombo->SetSelection(drive);

    if (!logInstalled_) {
        previousLog_ = wxLog::SetActiveTarget(quietLog_.get());
        logInstalled_ = true;
    }
    MoveListTo(directory);
    ButtonCreateDir->Enable(AllowCreate);

    // The drive list of this desktop may stand taller than the design's, so the dialog ends
    // below whichever of it and ButtonOK reaches lower.
    const wxRect ok = ButtonOK->GetRect();
    const int bottom = std::max(ok.GetBottom(), DriveCombo->GetRect().GetBottom());
    SetClientSize(ok.GetRight() + 1 + 10, bottom + 1 + 7);
    CentreOnScreen();
}

void TFormDirBox::FormHide() {
    if (!logInstalled_) return;
    wxLog::SetActiveTarget(previousLog_);
    logInstalled_ = false;
}

std::string TFormDirBox::ListDirectory() const {
    const std::string path = DirList->GetPath().utf8_string();
    return path.empty() ? WithoutTrailingSeparator(Directory) : path;
}

void TFormDirBox::MoveListTo(const std::string& directory) {
    // A directory that is gone (a location on a removed disk, say) is not offered as an answer:
    // the list opens at the nearest directory above it that exists.
    fs::path shown = WithoutTrailingSeparator(directory);
    std::error_code error;
    while (shown.has_relative_path() && !fs::is_directory(shown, error))
        shown = shown.parent_path();
    if (shown.empty() || !fs::is_directory(shown, error)) shown = std::string(1, KzPathSeparator());
    DirList->SetPath(wxString::FromUTF8(shown.string()));
    DirListChange();
}

void TFormDirBox::DirListChange() {
    Directory = ListDirectory();
}

void TFormDirBox::DriveComboChange(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= Drives.size()) return;
    const std::string& drive = Drives[static_cast<std::size_t>(index)];
    if (IsReady(drive)) {
        if (DriveCombo->GetSelection() != index) DriveCombo->SetSelection(index);
        MoveListTo(drive);
        return;
    }
    KzShowMessage(this, text::formatted(N_("Drive:  %s: not ready."), {drive}));
    DriveCombo->SetSelection(0);
    MoveListTo(Drives.front());
}

void TFormDirBox::ButtonOKClick() {
    Directory = AddBackslash(ListDirectory());
    Finish(wxID_OK);
}

void TFormDirBox::ButtonCancelClick() {
    Finish(wxID_CANCEL);
}

void TFormDirBox::ButtonCreateDirClick() {
    TFormCreateDirectory create(this);
    create.ParentDir = Directory;
    if (create.ShowModal() != wxID_OK) return;
    const std::string created = create.ParentDir;
    DirList->ReCreateTree();
    MoveListTo(created);
}

void TFormDirBox::Finish(int result) {
    if (IsModal()) {
        EndModal(result);
    } else {
        SetReturnCode(result);
        Hide();
    }
}
