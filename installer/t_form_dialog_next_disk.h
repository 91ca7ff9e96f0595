#pragma once
// The prompt shown when a file to be copied cannot be read: it names the file and asks for the
// next disk. OK retries; Ch&ange lets the user point at another location (Location is then that
// directory with a trailing separator and the prompt ends as with OK); Cancel, after the
// confirmation, ends the installation.
//
// Its ShowModal() goes through the toolkit's modal dialog hook like any dialog's, so a test of a
// caller answers it without showing it (wxTEST_DIALOG with an expectation for this class, which may
// set Location before returning wxID_OK).
#include <string>

#include <wx/dialog.h>

class wxButton;
class wxStaticLine;
class wxStaticText;
class TFormDirBox;

class TFormDialogNextDisk : public wxDialog {
  public:
    explicit TFormDialogNextDisk(wxWindow* parent);

    std::string Location;
    std::string NeededFile;

    wxStaticText* Label1;
    wxStaticText* Label4;
    wxStaticLine* Bevel1;
    wxStaticText* Label2;
    wxStaticText* LabelNeededFile;
    wxStaticText* Label3;
    wxButton* ButtonOK;
    wxButton* ButtonCancel;
    wxButton* ButtonChange;

    void ButtonOKClick();
    void ButtonCancelClick();
    void ButtonChangeClick();

  private:
    void FormShow();
    void Finish(int result);

    // Set once the controls below the needed file's name have moved down for a long name.
    bool neededFileGrown_ = false;
};
