#pragma once
// Dialog 146, "Quick hints on using the Month View": six lines on the month view's mouse use. It has
// no buttons and closes with its close box or Escape.
// The other windows' quick hints (to-do list, week and year views) are the same dialog with their
// own title and lines.
#include <wx/dialog.h>

#include <initializer_list>

namespace zc {

class CQuickHintsDlg final : public wxDialog {
  public:
    explicit CQuickHintsDlg(wxWindow* parent);
    // A bulleted line for each hint.
    CQuickHintsDlg(wxWindow* parent, const wxString& title, std::initializer_list<const char*> hints);

  private:
    void addHint(const char* text, bool withBullet);
    void finish();
};

} // namespace zc
