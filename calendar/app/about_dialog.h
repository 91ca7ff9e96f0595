#pragma once
// Dialog 100, "About Zorvel Calendar": the program icon, its name, version and contact lines.
#include <wx/dialog.h>

namespace zc {

// The version the About dialog and "zorvelcal --version" show.
inline constexpr const char* kProgramVersion = "2.0c";

class CAboutDlg final : public wxDialog {
  public:
    explicit CAboutDlg(wxWindow* parent);
};

} // namespace zc
