#pragma once
// The program group selection behind "&More..." of `create program group`: lists the existing
// groups and, when allowed, creates a new one.
#include <wx/dialog.h>

#include <functional>
#include <string>

class wxButton;
class wxListBox;
class wxPanel;
class TFormCreateProgramGroup;

class TFormProgramGroupBox : public wxDialog {
  public:
    explicit TFormProgramGroupBox(wxWindow* parent);

    // Whether "Create &group" is enabled when the dialog shows.
    bool AllowCreate = false;
    // The answer: the chosen group; "<selected not found>" for OK without a selection; empty
    // after Cancel; "<only initialized>" when the dialog was closed by its close box.
    std::string SelectedGroup = "<only initialized>";

    // Runs the group creation dialog modally; tests put a driver here. The default shows it.
    std::function<int(TFormCreateProgramGroup&)> RunCreateDialog;

    wxListBox* ListBox1;
    wxPanel* Panel1;
    wxButton* ButtonCreateGroup;
    wxButton* ButtonCancel;
    wxButton* ButtonOK;

    void FormShow();
    void FormResize();
    void FillList();
    void ButtonOKClick();
    void ButtonCancelClick();
    void ButtonCreateGroupClick();

  private:
    int panelWidth_ = 100;

    void FinishWith(int result);
};
