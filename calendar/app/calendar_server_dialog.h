#pragma once
// CalendarServerDialog (File > "Calendar Server..."): the account the calendar syncs with. The
// user gives the server's address, a user name and a password; Test asks the server (on a worker
// thread, so the dialog stays usable) and fills the chooser with the calendars it offers. OK
// keeps the password in the desktop's secret service, never in the store, and the rest of the
// account in the store. The dialog also names the last sync's failure, if any.
#include "data/caldav_client.h"
#include "data/caldav_sync.h"

#include <wx/dialog.h>

#include <atomic>
#include <string>
#include <thread>

class wxButton;
class wxChoice;
class wxSpinCtrl;
class wxStaticText;
class wxTextCtrl;

namespace zc {

class CalendarServerDialog final : public wxDialog {
  public:
    CalendarServerDialog(wxWindow* parent, const SyncAccount& account, const std::string& lastFailure);
    ~CalendarServerDialog() override;

    // Asks the server with what the fields hold; the answer arrives on the window thread.
    void test();
    bool testing() const { return worker_.joinable(); }
    // The account as OK stored it.
    const SyncAccount& account() const { return account_; }
    // The line under the fields: the test's answer, or the last sync's failure.
    wxString status() const;

  private:
    void tested(const dav::Discovery& found, const std::string& passwordUsed);
    void onOk();
    bool save();
    // The address and user the fields hold, trimmed.
    std::string address() const;
    std::string user() const;

    SyncAccount account_;
    wxTextCtrl* address_;
    wxTextCtrl* user_;
    wxTextCtrl* password_;
    wxButton* test_;
    wxChoice* calendar_;
    wxSpinCtrl* interval_;
    wxStaticText* status_;
    std::thread worker_;
    std::atomic<bool> closing_{false};
    // What the last successful test found, and for which address and user.
    dav::Discovery found_;
    std::string foundFor_;
    std::string passwordUsed_;
    bool okAfterTest_ = false;
};

} // namespace zc
