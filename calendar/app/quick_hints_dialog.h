#pragma once
// Dialog 146, "Quick hints on using the Month View": six lines on the month view's mouse use. It has
// no buttons and closes with its close box or Escape.
#include <wx/dialog.h>

namespace zc {

class CQuickHintsDlg final : public wxDialog {
  public:
    explicit CQuickHintsDlg(wxWindow* parent);
};

} // namespace zc
