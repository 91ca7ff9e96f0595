#pragma once
// The engine's questions and messages as modal message boxes.
#include "data/services.h"

#include <cstdint>
#include <string>

class wxString;
class wxWindow;

namespace zc {

// The top-level window the user works in, for parenting a dialog or message box: the active
// top-level window, else the last active pop-up or the main frame while shown, else nullptr (the
// main frame may be hidden in the notification area). A child control is never returned.
wxWindow* dialogParent();

// A text made fit for a message box: a run without spaces longer than a line (a long path) is
// broken into lines after its path separators, and a run far too long for any screen keeps its start and end around "...",
// so that the box stays narrower than the screen and its buttons can be reached.
wxString wrappedMessage(const std::string& utf8);
// wxMessageBox with the text wrapped as above; every message box of the calendar goes through it.
int messageBox(const std::string& utf8, const std::string& caption, long style, wxWindow* parent = nullptr);

// While it lives, dialogParent() returns window (when shown): a window that runs an operation whose
// engine code may ask a question (the series question of an emptied entry) has it centred on
// itself, even before the window manager has made it the active window.
class ScopedDialogParent {
  public:
    explicit ScopedDialogParent(wxWindow* window);
    ~ScopedDialogParent();
    ScopedDialogParent(const ScopedDialogParent&) = delete;
    ScopedDialogParent& operator=(const ScopedDialogParent&) = delete;

  private:
    wxWindow* previous_;
};

// Without a parent of its own, each question is centred on dialogParent() at the moment it is
// asked.
class WxQuestions final : public Questions {
  public:
    explicit WxQuestions(wxWindow* parent = nullptr) : parent_(parent) {}
    bool askYesNo(const std::string& text, const std::string& caption) override;
    bool askOkCancel(const std::string& text, const std::string& caption) override;
    void showMessage(const std::string& text, const std::string& caption) override;

    // While set, every WxQuestions hands its questions and messages to this one instead of a
    // message box: window tests answer and record them there.
    static Questions*& standIn();

  private:
    wxWindow* parent_;
};

// Watches the store across one change the user makes. When a write of the change failed, saved()
// tells the user once, in the store's own words, and returns false.
class SaveWatch {
  public:
    SaveWatch();
    bool saved(Questions& questions) const;

  private:
    std::uint64_t before_;
};

} // namespace zc
