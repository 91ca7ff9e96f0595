#pragma once
// Two-way sync of the appointments and to-do items with one calendar on a CalDAV server.
//
// Each appointment is one calendar object on the server (the VEVENT the export writes) under a
// UID and resource name of its own; an event from the server becomes the entries the import
// makes of it, a repeating one all its dates, and erasing or changing one of those dates here
// goes back as an EXDATE or a RECURRENCE-ID override of that series. To-do items are VTODOs.
//
// What the server held at the last sync is kept in the store beside the appointments (below
// "Sync\Items", one key per object: its href, ETag, UID and the entries it gave here), and each
// change here is stored in the same transaction as the state that records it, so a sync killed at
// any moment carries on without duplicates or losses. Writes are conditional: If-None-Match: * to
// create, If-Match to change or delete; a 412 is a conflict, in which the server's text keeps the
// slot and ours is joined to it with " / " and goes back up.
//
// Safety: a listing that fails, is cut short or comes back empty where the server held items
// before deletes nothing here; an item is deleted on the server only when it was seen there;
// the server deleting more than half of the calendar (and more than 10 items) at once needs the
// user's consent; entries the calendar itself purged as too old are forgotten, not deleted there.
//
// The engine runs on any thread that owns the table for its duration (a window runs it on a
// worker and shows the result); progress reports let it be cancelled between requests.
#include "data/caldav_client.h"
#include "data/date_helpers.h"
#include "data/settings_store.h"

#include <functional>
#include <string>

namespace zc {

class AppointmentTable;

struct SyncAccount {
    std::string server;      // the address the user gave
    std::string user;
    std::string calendarUrl; // the collection discovery found
    std::string calendarName;
    bool empty() const { return calendarUrl.empty(); }
};

// The account kept in the store ("Sync"); empty when none was set up.
SyncAccount loadSyncAccount();
// Stores the account; a different calendar than before starts afresh (its state is forgotten).
bool saveSyncAccount(const SyncAccount& account);

struct SyncProgress {
    int done = 0;
    int total = 0; // 0 while unknown
    std::string stage; // "listing", "receiving", "sending"
};

struct SyncOptions {
    // Answers whether deletions on the server of `count` of the `total` items held here may be
    // made here too. Unset: refused.
    std::function<bool(int count, int total)> confirmMassDelete;
    // Called between steps; false cancels the sync (what was done so far stays done and stored).
    std::function<bool(const SyncProgress&)> progress;
    // How the texts of events from the server write their times, as an import writes them.
    RegionSettings region;
};

struct SyncResult {
    bool ok = false;
    std::string message; // the failure, in the user's words
    int sent = 0, received = 0, deletedHere = 0, deletedThere = 0, conflicts = 0;
    int notPlaced = 0; // server entries left out: their slot holds another entry
    // "sync: N sent, N received, N deleted here, N deleted on the server, N conflicts kept"
    std::string summary() const;
};

// Deletions of more than this share of the items and more than kMassDeleteItems need consent.
inline constexpr int kMassDeleteItems = 10;

SyncResult synchronize(AppointmentTable& table, platform::HttpClient& http, const SyncAccount& account,
                       const SyncOptions& options = {});

} // namespace zc
