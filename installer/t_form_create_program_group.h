#pragma once
// The small dialog behind "Create &group": the user types a name and the group folder is made.
#include <wx/dialog.h>

#include <functional>
#include <string>

class wxButton;
class wxKeyEvent;
class wxStaticText;
class wxTextCtrl;

class TFormCreateProgramGroup : public wxDialog {
  public:
    explicit TFormCreateProgramGroup(wxWindow* parent);

    // The name of the group that was created; empty until the dialog ends with OK.
    std::string NewGroup;

    // How a refused key or name is signalled; tests count the beeps here.
    std::function<void()> Beep;

    wxStaticText* Label1;
    wxTextCtrl* EditProgramgroup;
    wxButton* ButtonCancel;
    wxButton* ButtonOK;

    void FormShow();
    void ButtonOKClick();
    void ButtonCancelClick();
    void EditProgramgroupKeyPress(wxKeyEvent& event);

    // Ends a modal run with the result, or hides a dialog that was shown without one.
    void FinishWith(int result);

    // True for the characters the name box accepts as typed.
    static bool IsGroupNameKey(int key);
};
