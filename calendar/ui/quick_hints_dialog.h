#pragma once
// The Quick Hints dialogs: bulleted lines on how to use a window. Dialog 146, "Quick hints on using
// the Month View", is the month view's; other windows give their own title and lines. They have no
// buttons and close with their close box or Escape.
#include <wx/dialog.h>

#include <initializer_list>

namespace zc {

class CQuickHintsDlg final : public wxDialog {
  public:
    // One hint line; a heading is drawn bold without a bullet.
    struct Hint {
        const char* text;
        bool heading = false;
    };
    // Dialog 146 of the month view.
    explicit CQuickHintsDlg(wxWindow* parent);
    CQuickHintsDlg(wxWindow* parent, const wxString& title, std::initializer_list<Hint> hints);
};

} // namespace zc
