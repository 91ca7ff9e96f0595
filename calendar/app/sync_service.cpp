#include "app/sync_service.h"

#include "app/sync_progress_window.h"
#include "data/appointment_table.h"
#include "data/settings_catalogue.h"
#include "data/sqlite_store.h"
#include "planner/to_do.h"
#include "platform/secret_store.h"
#include "ui/dialog_parent.h"

#include <wx/intl.h>

#include <chrono>
#include <future>

namespace zc {

SyncService::SyncService(AppointmentTable& table, Questions& questions, const Clock& clock, std::string storePath)
    : table_(table), questions_(questions), clock_(clock), storePath_(std::move(storePath)) {
    // Each timer is its own owner, so that it reaches the handler bound to it; a timer owned by
    // the service would send its event to the service instead, where nothing handles it.
    interval_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (!running()) begin();
    });
    gather_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { syncNow(); });
    // A change typed in a window goes up a few seconds later, with the changes typed after it.
    tableListener_ = table_.addChangeListener([this] { changedHere(); });
}

void SyncService::changedHere() {
    if (!applying_ && hasAccount() && !gather_.IsRunning()) gather_.StartOnce(kGatherMilliseconds);
}

SyncService::~SyncService() {
    table_.removeChangeListener(tableListener_);
    interval_.Stop();
    gather_.Stop();
    // The worker stops at its next request; what it did so far is stored and is not done twice.
    stopping_ = true;
    if (worker_.joinable()) worker_.join();
    if (SyncProgressWindow* window = progress_.get()) window->Destroy();
}

void SyncService::start() {
    account_ = loadSyncAccount();
    if (!hasAccount()) return;
    armInterval();
    CallAfter([this] { syncNow(); });
}

void SyncService::accountChanged() {
    account_ = loadSyncAccount();
    lastFailure_.clear();
    armInterval();
    if (hasAccount()) syncNow();
    if (stateChanged) stateChanged();
}

void SyncService::armInterval() {
    interval_.Stop();
    if (hasAccount() && account_.intervalMinutes > 0) interval_.Start(account_.intervalMinutes * 60000);
}

void SyncService::syncNow() {
    gather_.Stop();
    if (!hasAccount()) return;
    if (running())
        again_ = true;
    else
        begin();
}

void SyncService::begin() {
    if (running() || !hasAccount() || stopping_) return;
    again_ = false;
    cancelled_ = false;
    atStart_ = entryTexts(table_);
    if (const ToDo* list = ToDo::instance()) {
        todoAtStart_ = list->items();
    } else {
        TodoList stored;
        stored.load();
        todoAtStart_ = stored.items();
    }
    worker_ = std::thread(&SyncService::work, this, account_);
}

void SyncService::work(SyncAccount account) {
    SyncResult result;
    std::string why;
    const std::optional<std::string> password = platform::lookupPassword(account.server, account.user, why);
    if (!password) {
        result.message = why.empty() ? wxString::Format(_("No password is kept for %s at %s."),
                                                        wxString::FromUTF8(account.user),
                                                        wxString::FromUTF8(account.server))
                                           .utf8_string()
                                     : wxString::Format(_("The password cannot be read: %s."), wxString::FromUTF8(why))
                                           .utf8_string();
    } else {
        try {
            if (!connection_) connection_ = std::make_unique<SqliteStore>(storePath_);
            platform::HttpSettings settings = syncHttpSettings(account.calendarUrl, account.user, *password);
            settings.keepGoing = [this] { return !stopping_ && !cancelled_; };
            const std::unique_ptr<platform::HttpClient> http = platform::makeHttpClient(settings);
            SyncOptions options;
            {
                ThreadSettingsStore here(*connection_);
                options.region = settings::loadRegionSettings();
            }
            options.progress = [this](const SyncProgress& progress) {
                if (progress.total >= kLargeSync) CallAfter([this, progress] { showProgress(progress); });
                return !stopping_ && !cancelled_;
            };
            // The question is asked on the window thread; the worker waits for the answer, or
            // gives up when the program closes meanwhile.
            options.confirmMassDelete = [this](int count, int total) {
                auto answer = std::make_shared<std::promise<bool>>();
                std::future<bool> answered = answer->get_future();
                CallAfter([this, answer, count, total] {
                    const wxString text =
                        wxString::Format(_("The calendar server no longer holds %d of the %d items synchronized "
                                           "before.\n\nDelete them here too?"),
                                         count, total);
                    answer->set_value(questions_.askYesNo(text.utf8_string(), "ZorvelCal"));
                });
                while (answered.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
                    if (stopping_) return false;
                return answered.get();
            };
            result = synchronizeOnConnection(*connection_, clock_, *http, account, options);
        } catch (const StoreError& error) {
            result.ok = false;
            result.message = error.what();
        }
    }
    const bool byUser = cancelled_;
    if (!stopping_) CallAfter([this, result, byUser] { finished(result, byUser); });
}

void SyncService::finished(const SyncResult& result, bool cancelledByUser) {
    worker_.join();
    if (SyncProgressWindow* window = progress_.get()) window->Destroy();
    // What the sync wrote reaches the windows through their table, loaded again from the store;
    // a sync that took nothing in (one that failed at once, every 15 minutes while the server is
    // away) leaves the table as it is.
    const bool touched = result.received + result.deletedHere + result.conflicts > 0;
    if (touched) {
        const EntryTexts atEnd = entryTexts(table_);
        applying_ = true;
        table_.reloadAll();
        int kept = keepEditsMadeDuringSync(table_, atStart_, atEnd);
        if (ToDo* list = ToDo::instance()) kept += list->followStore(todoAtStart_);
        applying_ = false;
        // The edits made again go up with the next sync.
        if (kept > 0) again_ = true;
    }
    ++completed_;
    if (result.ok)
        lastFailure_.clear();
    else if (!cancelledByUser)
        lastFailure_ = wxGetTranslation(wxString::FromUTF8(result.message)).utf8_string();
    if (stateChanged) stateChanged();
    if (again_) {
        if (cancelledByUser)
            again_ = false;
        else
            begin();
    }
}

void SyncService::showProgress(const SyncProgress& progress) {
    if (!running() || cancelled_) return;
    if (!progress_) {
        progress_ = new SyncProgressWindow(dialogParent(), [this] { cancelled_ = true; });
        progress_->Show();
    }
    progress_->update(progress.done, progress.total, progress.stage);
}

} // namespace zc
