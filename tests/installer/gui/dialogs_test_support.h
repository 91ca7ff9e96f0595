#pragma once
// Helpers for the tests of the installer's small dialogs: run a dialog really modally while a test
// drives it from inside the modal loop, answer the nested boxes and dialogs it opens, and make sure
// that neither a forgotten box nor a dialog that does not close can hang the test program.
#define wxTEST_DIALOG_HOOK_CLASS DialogsTestHook
#include <wx/button.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

// Reports a box or dialog that the test did not expect as a test failure rather than a wx assertion.
class DialogsTestHook : public wxTestingModalHook {
  public:
    using wxTestingModalHook::wxTestingModalHook;

  protected:
    void ReportFailure(const wxString& message) override { ADD_FAILURE() << message.utf8_string(); }
};

// Answers any modal box or dialog that no expectation claims with Cancel, and fails the test.
class RefuseUnexpectedDialogs : public wxModalDialogHook {
  public:
    RefuseUnexpectedDialogs() { Register(); }
    ~RefuseUnexpectedDialogs() override { Unregister(); }

  protected:
    int Enter(wxDialog* dialog) override {
        ADD_FAILURE() << "unexpected dialog \"" << dialog->GetTitle().utf8_string() << "\"";
        if (auto* box = dynamic_cast<wxMessageDialog*>(dialog))
            ADD_FAILURE() << "  saying \"" << box->GetMessage().utf8_string() << "\"";
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

// Expects a message box with exactly this text (line breaks as shown) and answers it.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
  public:
    ExpectMessage(std::string text, int answer) : text_(std::move(text)), answer_(answer) {}

  protected:
    int OnInvoked(wxMessageDialog* box) const override {
        EXPECT_EQ(box->GetMessage().utf8_string(), text_);
        return answer_;
    }

  private:
    std::string text_;
    int answer_;
};

// Expects a dialog of type T and lets the test act on it; the dialog is not shown, and its
// ShowModal() returns what act returns.
template <class T> class ExpectDialog : public wxExpectModalBase<T, ExpectDialog<T>> {
  public:
    explicit ExpectDialog(std::function<int(T&)> act) : act_(std::move(act)) {}

  protected:
    int OnInvoked(T* dialog) const override { return act_(*dialog); }

  private:
    std::function<int(T&)> act_;
};

// Shows dialog modally and runs drive inside its modal loop. If the dialog is still open ten
// seconds later it is ended with wxID_ABORT and the test fails.
inline int RunModal(wxDialog& dialog, std::function<void()> drive) {
    wxTimer guard;
    guard.Bind(wxEVT_TIMER, [&dialog](wxTimerEvent&) {
        ADD_FAILURE() << "the dialog did not close";
        if (dialog.IsModal()) dialog.EndModal(wxID_ABORT);
    });
    guard.StartOnce(10000);
    dialog.CallAfter([drive] {
        RefuseUnexpectedDialogs refuse;
        drive();
    });
    return dialog.ShowModal();
}

inline void Click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

// Sends one typed character to a text box; true when the box lets it through.
inline bool Type(wxTextCtrl* edit, int character) {
    wxKeyEvent event(wxEVT_CHAR);
    event.m_keyCode = character;
    event.m_uniChar = static_cast<wxChar>(character);
    event.SetEventObject(edit);
    event.SetId(edit->GetId());
    edit->GetEventHandler()->ProcessEvent(event);
    return event.GetSkipped();
}

// A temporary directory for one test, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/kz-dialogs-XXXXXX";
        path_ = ::mkdtemp(pattern) ? pattern : "";
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};
