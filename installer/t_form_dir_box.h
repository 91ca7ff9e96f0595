#pragma once
// The directory selection dialog: a tree of directories, a list of the places a user picks
// directories from (the root, the home folder, mounted media) and, when AllowCreate is set, a
// button that creates a new directory inside the current one. The caller sets the fields between
// creating and showing it; after OK, Directory holds the chosen directory with a trailing separator.
#include <memory>
#include <string>
#include <vector>

#include <wx/dialog.h>
#include <wx/translation.h>

class wxButton;
class wxChoice;
class wxGenericDirCtrl;
class wxLog;
class wxStaticText;
class TFormCreateDirectory;

class TFormDirBox : public wxDialog {
  public:
    explicit TFormDirBox(wxWindow* parent);
    ~TFormDirBox() override;

    std::string DialogCaption = wxTRANSLATE("Directory selection");
    std::string UpperLabel;
    std::string LowerLabel = wxTRANSLATE("Double-click a directory to select it");
    std::string Directory;
    bool AllowCreate = false;

    // The entries of DriveCombo, filled at creation with the root, the home folder and the mounted
    // media; a caller (or a test) may change them before the dialog is shown.
    std::vector<std::string> Drives;

    wxStaticText* LabelTitle2;
    wxStaticText* LabelTitle3;
    wxGenericDirCtrl* DirList;
    wxStaticText* Label1;
    wxChoice* DriveCombo;
    wxButton* ButtonCreateDir;
    wxButton* ButtonCancel;
    wxButton* ButtonOK;

    // The places offered as drives on this system.
    static std::vector<std::string> SystemDrives();

    // Moves the list to the drive at index in DriveCombo, as choosing it there does.
    void DriveComboChange(int index);
    void ButtonOKClick();
    void ButtonCancelClick();
    void ButtonCreateDirClick();

  private:
    void FormShow();
    void FormHide();
    void DirListChange();
    // The directory the list shows now.
    std::string ListDirectory() const;
    // Shows directory in the list, with its parents opened.
    void MoveListTo(const std::string& directory);
    void Finish(int result);

    // While the dialog is shown, failures to read a directory of the tree are not reported in
    // boxes of their own: an unreadable directory simply shows no sub-directories.
    std::unique_ptr<wxLog> quietLog_;
    wxLog* previousLog_ = nullptr;
    bool logInstalled_ = false;
};
