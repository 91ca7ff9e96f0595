#include "app/sync_progress_window.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace zc {

SyncProgressWindow::SyncProgressWindow(wxWindow* parent, std::function<void()> onCancel)
    : wxDialog(parent, wxID_ANY, _("Synchronizing with the Calendar Server"), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxCLOSE_BOX, "syncProgress"),
      cancel_(std::move(onCancel)) {
    auto* column = new wxBoxSizer(wxVERTICAL);
    label_ = new wxStaticText(this, wxID_ANY, _("Looking at the calendar server..."), wxDefaultPosition,
                              wxDefaultSize, 0, "progressText");
    gauge_ = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxSize(FromDIP(420), -1), wxGA_HORIZONTAL,
                         wxDefaultValidator, "progress");
    auto* button = new wxButton(this, wxID_CANCEL, _("Cancel"), wxDefaultPosition, wxDefaultSize, 0,
                                wxDefaultValidator, "cancel");
    column->Add(label_, 0, wxALL | wxEXPAND, FromDIP(10));
    column->Add(gauge_, 0, wxLEFT | wxRIGHT | wxEXPAND, FromDIP(10));
    column->Add(button, 0, wxALL | wxALIGN_RIGHT, FromDIP(10));
    SetSizerAndFit(column);
    text_ = label_->GetLabel();
    button->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { cancel(); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { cancel(); });
}

void SyncProgressWindow::update(int done, int total, const std::string& stage) {
    if (stage == "receiving")
        text_ = wxString::Format(_("Receiving %d of %d items..."), done, total);
    else if (stage == "sending")
        text_ = wxString::Format(_("Sending %d of %d items..."), done, total);
    else
        text_ = _("Looking at the calendar server...");
    label_->SetLabel(text_);
    gauge_->SetRange(total > 0 ? total : 1);
    gauge_->SetValue(total > 0 ? std::min(done, total) : 0);
}

void SyncProgressWindow::cancel() {
    // What was sent and received so far stays; the window goes once the sync has stopped.
    if (cancel_) cancel_();
    label_->SetLabel(_("Cancelling..."));
    FindWindow(wxID_CANCEL)->Disable();
}

} // namespace zc
