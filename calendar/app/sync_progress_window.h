#pragma once
// SyncProgressWindow: how far a large sync has come (the first one of a big calendar), with a
// Cancel button. It blocks no other window: the sync runs in the background, and a cancelled one
// keeps what it has done and carries on from there next time.
#include <wx/dialog.h>

#include <functional>
#include <string>

class wxGauge;
class wxStaticText;

namespace zc {

class SyncProgressWindow final : public wxDialog {
  public:
    SyncProgressWindow(wxWindow* parent, std::function<void()> onCancel);
    // stage: "listing", "receiving" or "sending", as the sync reports it.
    void update(int done, int total, const std::string& stage);
    const wxString& text() const { return text_; }

  private:
    void cancel();

    std::function<void()> cancel_;
    wxStaticText* label_;
    wxGauge* gauge_;
    wxString text_;
};

} // namespace zc
