#include "app/calendar_server_dialog.h"

#include "data/settings_store.h"
#include "platform/http_client.h"
#include "platform/secret_store.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <chrono>

namespace zc {
namespace {

std::string trimmed(const wxString& text) {
    wxString t = text;
    t.Trim(true).Trim(false);
    return t.utf8_string();
}

wxString fromEngine(const std::string& message) {
    return wxGetTranslation(wxString::FromUTF8(message));
}

} // namespace

CalendarServerDialog::CalendarServerDialog(wxWindow* parent, const SyncAccount& account, const std::string& lastFailure)
    : wxDialog(parent, wxID_ANY, _("Calendar Server"), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "calendarServer"),
      account_(account) {
    const int gap = FromDIP(6);
    auto* grid = new wxFlexGridSizer(2, gap, gap);
    grid->AddGrowableCol(1);
    const auto label = [&](const wxString& text) {
        grid->Add(new wxStaticText(this, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL);
    };
    const wxSize wide(FromDIP(300), -1);
    label(_("&Address:"));
    address_ = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(account.server), wxDefaultPosition, wide, 0,
                              wxDefaultValidator, "address");
    address_->SetHint("https://");
    grid->Add(address_, 1, wxEXPAND);
    label(_("&User name:"));
    user_ = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(account.user), wxDefaultPosition, wide, 0,
                           wxDefaultValidator, "user");
    grid->Add(user_, 1, wxEXPAND);
    label(_("&Password:"));
    password_ = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wide, wxTE_PASSWORD,
                               wxDefaultValidator, "password");
    // The kept password is never shown; an empty field keeps it.
    if (!account.empty()) password_->SetHint(_("(kept in the keyring)"));
    grid->Add(password_, 1, wxEXPAND);
    grid->AddSpacer(0);
    test_ = new wxButton(this, wxID_ANY, _("&Test"), wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator, "test");
    grid->Add(test_, 0, wxALIGN_LEFT);
    label(_("&Calendar:"));
    calendar_ = new wxChoice(this, wxID_ANY, wxDefaultPosition, wide, 0, nullptr, 0, wxDefaultValidator, "calendar");
    if (!account.empty()) {
        calendar_->Append(wxString::FromUTF8(account.calendarName));
        calendar_->SetSelection(0);
    }
    grid->Add(calendar_, 1, wxEXPAND);

    auto* every = new wxBoxSizer(wxHORIZONTAL);
    every->Add(new wxStaticText(this, wxID_ANY, _("&Synchronize every")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    interval_ = new wxSpinCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 0,
                               24 * 60, account.empty() ? kDefaultSyncMinutes : account.intervalMinutes, "interval");
    every->Add(interval_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    every->Add(new wxStaticText(this, wxID_ANY, _("minutes")), 0, wxALIGN_CENTER_VERTICAL);

    status_ = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(FromDIP(400), -1),
                               wxST_NO_AUTORESIZE, "status");
    if (!lastFailure.empty())
        status_->SetLabel(wxString::Format(_("The last sync failed: %s"), wxString::FromUTF8(lastFailure)));

    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(grid, 0, wxALL | wxEXPAND, FromDIP(10));
    column->Add(every, 0, wxLEFT | wxRIGHT, FromDIP(10));
    column->Add(status_, 1, wxALL | wxEXPAND, FromDIP(10));
    column->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, FromDIP(10));
    SetSizerAndFit(column);
    // Room for a failure of two or three lines.
    status_->Wrap(status_->GetSize().x);
    SetMinSize(GetSize());

    test_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { test(); });
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { onOk(); }, wxID_OK);
    CentreOnParent();
}

CalendarServerDialog::~CalendarServerDialog() {
    // The test stops before its next request; its answer is not wanted any more.
    closing_ = true;
    if (worker_.joinable()) worker_.join();
}

std::string CalendarServerDialog::address() const {
    return trimmed(address_->GetValue());
}

std::string CalendarServerDialog::user() const {
    return trimmed(user_->GetValue());
}

wxString CalendarServerDialog::status() const {
    return status_->GetLabel();
}

void CalendarServerDialog::test() {
    if (testing()) return;
    const std::string url = address(), name = user();
    if (url.empty() || name.empty()) {
        status_->SetLabel(_("Give the server's address and your user name."));
        okAfterTest_ = false;
        return;
    }
    std::string password = password_->GetValue().utf8_string();
    // An empty field stands for the password kept for this account.
    const bool kept = password.empty() && url == account_.server && name == account_.user;
    status_->SetLabel(_("Asking the server..."));
    test_->Disable();
    worker_ = std::thread([this, url, name, password, kept]() mutable {
        dav::Discovery found;
        if (kept) {
            std::string why;
            if (const std::optional<std::string> stored = platform::lookupPassword(url, name, why))
                password = *stored;
            else if (!why.empty()) {
                found.failure = dav::Failure::Refused;
                found.message = "The password cannot be read: " + why + ".";
            }
        }
        if (found.failure == dav::Failure::None) {
            platform::HttpSettings settings = syncHttpSettings(url, name, password);
            settings.keepGoing = [this] { return !closing_; };
            settings.retries = 1;
            const std::unique_ptr<platform::HttpClient> http = platform::makeHttpClient(settings);
            found = dav::CalDavClient::discover(*http, url, "");
        }
        if (!closing_) CallAfter([this, found, password] { tested(found, password); });
    });
}

void CalendarServerDialog::tested(const dav::Discovery& found, const std::string& passwordUsed) {
    worker_.join();
    test_->Enable();
    calendar_->Clear();
    if (found.failure != dav::Failure::None) {
        okAfterTest_ = false;
        foundFor_.clear();
        status_->SetLabel(fromEngine(found.message));
        status_->Wrap(status_->GetSize().x);
        return;
    }
    found_ = found;
    foundFor_ = address() + "\n" + user();
    passwordUsed_ = passwordUsed;
    for (const std::string& name : found.calendarNames)
        calendar_->Append(wxString::FromUTF8(name));
    // The calendar synced so far stays chosen where the server still offers it.
    auto chosen = std::find(found.calendarNames.begin(), found.calendarNames.end(), account_.calendarName);
    if (chosen == found.calendarNames.end())
        chosen = std::find(found.calendarNames.begin(), found.calendarNames.end(), found.calendarName);
    calendar_->SetSelection(chosen == found.calendarNames.end() ? 0 : static_cast<int>(chosen - found.calendarNames.begin()));
    const unsigned offered = static_cast<unsigned>(found.calendarNames.size());
    status_->SetLabel(wxString::Format(wxPLURAL("The server offers %u calendar.", "The server offers %u calendars.", offered),
                                       offered));
    if (okAfterTest_) {
        okAfterTest_ = false;
        onOk();
    }
}

void CalendarServerDialog::onOk() {
    if (testing()) {
        okAfterTest_ = true;
        return;
    }
    const std::string url = address(), name = user();
    const bool sameAccount = !account_.empty() && url == account_.server && name == account_.user &&
                             password_->IsEmpty();
    if (sameAccount && foundFor_.empty()) {
        // Only the interval can have changed: the server need not be asked.
        account_.intervalMinutes = interval_->GetValue();
        if (save()) EndModal(wxID_OK);
        return;
    }
    if (foundFor_ != url + "\n" + name || found_.calendarUrls.empty()) {
        okAfterTest_ = true;
        test();
        return;
    }
    const int chosen = std::max(0, calendar_->GetSelection());
    if (!password_->IsEmpty()) {
        const platform::SecretResult kept = platform::storePassword(url, name, passwordUsed_);
        if (!kept.ok) {
            status_->SetLabel(wxString::Format(_("The password cannot be kept: %s. Nothing was changed."),
                                               fromEngine(kept.error)));
            return;
        }
    }
    account_.server = url;
    account_.user = name;
    account_.calendarUrl = found_.calendarUrls[static_cast<std::size_t>(chosen)];
    account_.calendarName = found_.calendarNames[static_cast<std::size_t>(chosen)];
    account_.intervalMinutes = interval_->GetValue();
    if (save()) EndModal(wxID_OK);
}

bool CalendarServerDialog::save() {
    if (saveSyncAccount(account_)) return true;
    status_->SetLabel(wxString::FromUTF8(settingsStore().failures().lastMessage));
    return false;
}

} // namespace zc
