#pragma once
// The small dialog that creates one new directory inside ParentDir. The name is typed into
// EditDirectory, whose key filter lets through only letters, digits and a few marks, so exactly
// one level is created. After OK, ParentDir holds the created directory (no trailing separator).
#include <string>

#include <wx/dialog.h>

class wxButton;
class wxKeyEvent;
class wxStaticText;
class wxTextCtrl;

class TFormCreateDirectory : public wxDialog {
  public:
    explicit TFormCreateDirectory(wxWindow* parent);

    std::string ParentDir;

    wxStaticText* Label1;
    wxTextCtrl* EditDirectory;
    wxButton* ButtonCancel;
    wxButton* ButtonOK;

    // The characters a directory name may be typed with; every other key is refused with a beep.
    static bool IsNameKey(int character);

    void ButtonOKClick();
    void ButtonCancelClick();

  private:
    void FormShow();
    void EditDirectoryKeyPress(wxKeyEvent& event);
    // Ends the dialog whether it runs modally or was only shown.
    void Finish(int result);
};
