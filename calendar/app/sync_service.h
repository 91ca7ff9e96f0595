#pragma once
// SyncService keeps the calendar in step with its calendar server while the program runs: a sync
// at start, a few seconds after the windows change an entry (changes made in a row are gathered
// into one sync), on the interval the account names, and when the user asks (File > "Synchronize
// Now").
//
// The network and the engine run on a worker thread with a store connection of their own, so no
// window ever waits on the server. The windows' table stays the one owner of what the windows
// show: when a sync has changed the store, the table is loaded again on the window thread, and
// the entries the windows changed while the sync ran are made again over what the sync wrote
// (keepEditsMadeDuringSync), so neither side's change is lost. The engine stores its state in
// the same transactions as the entries, so a kill at any moment only repeats work.
//
// A failure is kept and named (in the notification icon's tip and the server dialog) instead of
// being put in front of the user at every interval; the question whether to follow a mass
// deletion on the server goes through the program's questions.
#include "data/caldav_sync.h"
#include "data/services.h"

#include <wx/event.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace zc {

class AppointmentTable;
class SettingsStore;
class SyncProgressWindow;

class SyncService final : public wxEvtHandler {
  public:
    // Changes gathered this long before they are sent.
    static constexpr int kGatherMilliseconds = 3000;
    // A sync that moves at least this many items shows its progress, with a Cancel button.
    static constexpr int kLargeSync = 500;

    // storePath: the file the windows' store connection has open; the worker opens its own.
    SyncService(AppointmentTable& table, Questions& questions, const Clock& clock, std::string storePath);
    ~SyncService() override;
    SyncService(const SyncService&) = delete;
    SyncService& operator=(const SyncService&) = delete;

    // Reads the account and, when there is one, arms the interval and syncs once the window
    // thread is free.
    void start();
    // A sync now; one already running is followed by another.
    void syncNow();
    // The server dialog stored a new account or interval.
    void accountChanged();
    // Something here changed (the table tells by itself; the to-do list through this): it goes up
    // a few seconds later, with the changes made after it.
    void changedHere();

    bool hasAccount() const { return !account_.empty(); }
    bool running() const { return worker_.joinable(); }
    // The last sync's failure in the user's words; empty after a sync that succeeded.
    const std::string& lastFailure() const { return lastFailure_; }
    // Syncs completed (successfully or not) since the start.
    int completed() const { return completed_; }
    // The progress window of a large sync, while it shows.
    SyncProgressWindow* progressWindow() const { return progress_.get(); }

    // Called on the window thread after each sync and when the failure changes: the tip and the
    // dialog show it.
    std::function<void()> stateChanged;

  private:
    void begin();
    void work(SyncAccount account);
    void finished(const SyncResult& result, bool cancelledByUser);
    void showProgress(const SyncProgress& progress);
    void armInterval();

    AppointmentTable& table_;
    Questions& questions_;
    const Clock& clock_;
    std::string storePath_;
    SyncAccount account_;
    // The worker's connection, opened on its first sync and kept; used by one worker at a time.
    std::unique_ptr<SettingsStore> connection_;
    std::thread worker_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> cancelled_{false};
    bool again_ = false;
    bool applying_ = false;
    EntryTexts atStart_;
    TodoTexts todoAtStart_;
    std::string lastFailure_;
    int completed_ = 0;
    int tableListener_ = 0;
    wxTimer interval_;
    wxTimer gather_;
    wxWeakRef<SyncProgressWindow> progress_;
};

} // namespace zc
