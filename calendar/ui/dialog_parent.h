#pragma once
// Where dialogs and message boxes go: on the top-level window the user works in, never on a child
// control and never on a main window hidden in the notification area.
#include <wx/toplevel.h>
#include <wx/weakref.h>

class wxWindow;

namespace zc {

// The top-level window the user works in, for parenting a dialog or message box: the active
// top-level window, else the last active pop-up or the main window while shown, else nullptr (the
// main window may be hidden in the notification area). A child control is never returned.
wxWindow* dialogParent();

// The program's main window, which the application names once it exists.
wxWeakRef<wxTopLevelWindow>& mainWindow();
// The top-level window other than the main one that was active last; a second start brings it
// to the top with the main window.
wxWeakRef<wxTopLevelWindow>& lastActivePopup();

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

} // namespace zc
