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
// any moment carries on without duplicates or losses. Beside the token is a fingerprint of the
// table and the to-do list as the last sync that completed left them: a sync whose listing since
// the token holds nothing but that sync's own writes, and whose fingerprint is the same, stops
// there without reading all the records, and writes nothing but the server's new token. Writes
// are conditional: If-None-Match: * to create, If-Match to change or delete; a 412 is a conflict,
// in which the server's text keeps the slot and ours is joined to it with " / " and goes back up.
//
// An event from the server whose slot already holds another entry is joined to it as an import
// joins: the slot keeps its text with the event's after it, the slot's entry stays the entry of
// its own object (which takes the joined text up with the push, or is made with it), and the
// event's record notes its entry as joined, so neither side gets a second copy. When the event
// changes on the server, its part of the slot's text changes where it stands; when it moves or is
// deleted there, its part leaves the slot and the slot's entry stays. A part no longer found as
// it was (the slot's text was edited here since) is never cut out: a new text is joined after the
// slot's, a removal leaves the slot alone. Erasing the joined slot here deletes only the slot's
// own object; the event stays on the server, and shows here again when it changes there. A
// device taking in both objects of a slot joined elsewhere gives the slot to the object whose
// text holds the other's, whichever comes first, so that neither object is rewritten.
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
#include "data/todo_list.h"

#include <array>
#include <functional>
#include <map>
#include <string>

namespace zc {

class AppointmentTable;
class Clock;
class SettingsStore;

// How often the running calendar syncs by itself, once an account exists.
inline constexpr int kDefaultSyncMinutes = 15;

struct SyncAccount {
    std::string server;      // the address the user gave
    std::string user;
    std::string calendarUrl; // the collection discovery found
    std::string calendarName;
    int intervalMinutes = kDefaultSyncMinutes; // 0: only at start, after changes and on demand
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
    int notPlaced = 0; // to-do items from the server left out: every to-do line holds one
    // "sync: N sent, N received, N deleted here, N deleted on the server, N conflicts kept"
    std::string summary() const;
};

// Deletions of more than this share of the items and more than kMassDeleteItems need consent.
inline constexpr int kMassDeleteItems = 10;

SyncResult synchronize(AppointmentTable& table, platform::HttpClient& http, const SyncAccount& account,
                       const SyncOptions& options = {});

// How the sync talks to the server at url: the user's credentials, sent to that host only.
platform::HttpSettings syncHttpSettings(const std::string& url, const std::string& user, const std::string& password);

// One sync on the calling thread through a store connection of its own (the windows keep theirs):
// the appointments are read into a table of the sync's own, which arms no reminders and asks
// nobody; the windows reload theirs afterwards (see keepEditsMadeDuringSync).
SyncResult synchronizeOnConnection(SettingsStore& store, const Clock& clock, platform::HttpClient& http,
                                   const SyncAccount& account, const SyncOptions& options);

// Two texts of one slot that both changed: the server's keeps the slot and ours is joined to it
// with " / ", once (a text already part of the other is not added again).
std::string joinTexts(const std::string& theirs, const std::string& ours);

// The notes of every entry of a table by date and time, for telling afterwards which entries the
// windows changed while a background sync ran.
using EntryTexts = std::map<std::int64_t, std::string>;
EntryTexts entryTexts(const AppointmentTable& table);

// After the windows' table was loaded again from what a background sync left in the store: the
// entries the windows changed during the sync (atStart -> atEnd) are made again where the sync's
// own writes came after them. Where the server changed the same entry, its text keeps the slot
// and the window's is joined to it, as a sync joins; an entry the server removed comes back with
// the window's text; an entry erased in a window but changed on the server stays, with the
// server's text. Returns how many entries it changed; each goes up with the next sync.
int keepEditsMadeDuringSync(AppointmentTable& table, const EntryTexts& atStart, const EntryTexts& atEnd);

// The same for the to-do items a window changed during a sync: list holds the items as the store
// holds them after the sync; atStart and atEnd are what the window showed at its start and end.
// An empty item is no item. Returns how many items it changed, each written to the store.
using TodoTexts = std::array<std::string, TodoList::kItems>;
int keepTodoEditsMadeDuringSync(TodoList& list, const TodoTexts& atStart, const TodoTexts& atEnd);

} // namespace zc
