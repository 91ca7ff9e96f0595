// The two-way sync: list what changed on the server, take it in (joining where both sides
// changed), then send what changed here. See caldav_sync.h for the rules it keeps.
#include "data/caldav_sync.h"

#include "data/appointment_table.h"
#include "data/date_helpers.h"
#include "data/ical_exchange.h"
#include "data/repeat_rules.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"
#include "data/todo_list.h"
#include "platform/platform.h"
#include "text/translatable.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <memory>
#include <optional>
#include <cstdio>
#include <random>
#include <unordered_map>
#include <unordered_set>

namespace zc {

namespace {

constexpr const char* kAccountGroup = "Sync";
constexpr const char* kItemsPath = "Sync\\Items";
// Beside the token: what the table and the to-do list were when the last sync completed (see
// Engine::localState()), so that a sync with nothing to do on either side can stop at the listing.
constexpr const char* kStateValue = "state";
// Where an appointment keeps the UID of the calendar object it belongs to, beside its twelve values.
constexpr const char* kUidValue = "syncuid";
// What an ETag is recorded as when the server gave none for a write: the next listing fetches
// the object once and finds it unchanged.
constexpr const char* kUnknownEtag = "?";
// Fetched objects taken in per transaction, and etags of sent objects recorded per transaction:
// a kill loses at most this much work, which the next sync redoes without duplicates.
constexpr std::size_t kGroup = 200;
constexpr std::size_t kSentGroup = 50;

enum Origin { kLocal = 0, kServer = 1, kTodo = 2 };

// One entry an object gave here (or, for an object made here, the entry it was made from), as it
// was when the server last agreed: the base a change here is measured against. A to-do item
// uses day for its line and leaves year 0. A joined entry is one whose text was joined to the
// entry another object (or none yet) shows in that slot: the slot is not this object's, and its
// notes are the part of the slot's text that came from this object.
struct Entry {
    AppointmentValues v;
    std::int64_t occurrence = 0;
    bool joined = false;
};

struct Record {
    std::string keyName;
    std::string href, etag, uid;
    int origin = kLocal;
    bool repeats = false;
    std::vector<Entry> entries;
    // The server's text of an object made there, which changes are made to: read from the store
    // only when a change here is to be sent (objectOf()), and not kept once stored, so that
    // thousands of them are not held at once.
    std::string object;
    bool objectHeld = false; // object is the current text (else the stored one is)
    bool gone = false;       // forgotten in this run
    bool seen() const { return !etag.empty(); }
};

std::string escapeLine(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string unescapeLine(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) out += s[++i] == 'n' ? '\n' : s[i];
        else out += s[i];
    }
    return out;
}

// A joined entry's line starts with this mark; a reader that does not know it passes the line over
// as one that does not start with a number, which leaves the slot to its own entry.
constexpr std::string_view kJoinedMark = "j ";

std::string entriesText(const std::vector<Entry>& entries) {
    std::string out;
    for (const Entry& e : entries) {
        char head[160];
        std::snprintf(head, sizeof head, "%s%d %d %d %d %d %d %lld ", e.joined ? kJoinedMark.data() : "", e.v.year,
                      e.v.month, e.v.day, e.v.hour, e.v.minute, e.v.early, static_cast<long long>(e.occurrence));
        out += head + escapeLine(e.v.notes) + "\n";
    }
    return out;
}

// Reads what entriesText wrote: on each line seven numbers, each followed by one space, then the
// escaped notes, whose own leading spaces are kept. A line that does not start so is passed over.
// Joined entries are read only when asked for: whoever asks what the server holds in a slot wants
// the entry that slot shows. The sync reads every record at each run, so this is plain parsing
// rather than a stream.
std::vector<Entry> entriesFrom(std::string_view text, bool withJoined = false) {
    std::vector<Entry> entries;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const bool joined = line.starts_with(kJoinedMark);
        if (joined && !withJoined) continue;
        if (joined) line.remove_prefix(kJoinedMark.size());
        long long numbers[7];
        bool whole = true;
        for (long long& n : numbers) {
            const char* last = line.data() + line.size();
            const auto [after, error] = std::from_chars(line.data(), last, n);
            if (error != std::errc() || after == last || *after != ' ') {
                whole = false;
                break;
            }
            line.remove_prefix(static_cast<std::size_t>(after - line.data()) + 1);
        }
        if (!whole ||
            std::any_of(numbers, numbers + 6, [](long long n) { return n < INT_MIN || n > INT_MAX; }))
            continue;
        Entry e;
        e.v.year = static_cast<int>(numbers[0]);
        e.v.month = static_cast<int>(numbers[1]);
        e.v.day = static_cast<int>(numbers[2]);
        e.v.hour = static_cast<int>(numbers[3]);
        e.v.minute = static_cast<int>(numbers[4]);
        e.v.early = static_cast<int>(numbers[5]);
        e.occurrence = numbers[6];
        e.joined = joined;
        e.v.notes = unescapeLine(line);
        entries.push_back(std::move(e));
    }
    return entries;
}

// FNV-1a: a few lines, and stable from one run and version to the next, for the names and
// fingerprints kept in the store.
std::uint64_t fnv1a(std::string_view bytes, std::uint64_t hash = 14695981039346656037ull) {
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string keyNameOf(const std::string& href) {
    const std::uint64_t hash = fnv1a(href);
    char name[24];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return name;
}

std::string newUid() {
    static std::random_device device;
    static std::mt19937_64 random(device() ^ (static_cast<std::uint64_t>(device()) << 32));
    char uid[64];
    std::snprintf(uid, sizeof uid, "zorvelcal-%016llx%08llx", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long long>(random() & 0xffffffffull));
    return uid;
}

std::int64_t slotOf(const AppointmentValues& v) {
    return ((((static_cast<std::int64_t>(v.year) * 13 + v.month) * 32 + v.day) * 24 + v.hour) * 60) + v.minute;
}

// The part of an entry's text that the import put before the event's own text ("All day: ",
// "9:15am "), when a new text keeps it too: what goes back as the event's summary is the rest.
std::string withoutPlacedPrefix(const std::string& base, const std::string& text) {
    std::size_t cut = 0;
    if (const std::size_t colon = base.find(": "); colon != std::string::npos && colon < 24) cut = colon + 2;
    else if (base.size() > 7) {
        const std::size_t space = base.find(' ');
        if (space != std::string::npos && space >= 6 && space <= 7 &&
            (base.compare(space - 2, 2, "am") == 0 || base.compare(space - 2, 2, "pm") == 0))
            cut = space + 1;
    }
    if (cut > 0 && text.size() > cut && text.compare(0, cut, base, 0, cut) == 0) return text.substr(cut);
    return text;
}

// The same text is already part of the slot's text, alone or among texts joined with " / ".
bool holds(const std::string& notes, const std::string& text) {
    if (notes == text) return true;
    const std::string j(kTextJoiner);
    return notes.starts_with(text + j) || notes.ends_with(j + text) || notes.find(j + text + j) != std::string::npos;
}

// Where part stands in notes as one of several texts joined with " / "; npos when it does not, or
// when it is the whole text.
std::size_t partAt(const std::string& notes, const std::string& part) {
    const std::size_t j = kTextJoiner.size();
    if (part.empty() || notes.size() <= part.size()) return std::string::npos;
    for (std::size_t at = notes.find(part); at != std::string::npos; at = notes.find(part, at + 1)) {
        const std::size_t end = at + part.size();
        const bool starts = at == 0 || (at >= j && notes.compare(at - j, j, kTextJoiner) == 0);
        const bool ends = end == notes.size() || notes.compare(end, j, kTextJoiner) == 0;
        if (starts && ends) return at;
    }
    return std::string::npos;
}

// The slot's text after the joined text part became by (empty: the part leaves, with its joiner).
// The part is changed where it stands; when it is no longer there as one of several texts (the
// slot was edited since, or holds nothing else), the new text is joined after the slot's and
// nothing of the slot's text is taken away.
std::string withPartChanged(const std::string& notes, const std::string& part, const std::string& by) {
    const std::size_t at = partAt(notes, part);
    if (at == std::string::npos) return by.empty() ? notes : joinTexts(notes, by);
    std::string rest = notes;
    const std::size_t j = kTextJoiner.size();
    if (at == 0) rest.erase(0, part.size() + j);
    else rest.erase(at - j, part.size() + j);
    if (by.empty() || holds(rest, by)) return rest;
    return std::string(notes).replace(at, part.size(), by);
}

class Engine {
  public:
    Engine(AppointmentTable& table, platform::HttpClient& http, const SyncAccount& account, const SyncOptions& options)
        : table_(table), client_(http, account.calendarUrl), options_(options), now_(table.clock().now()) {}

    SyncResult run() {
        SettingsKey account;
        if (account.openPathForRead(kAccountGroup)) {
            account.readString("token", token_);
            account.readString(kStateValue, state_);
        }
        todo_.load();
        dav::Listing listing;
        if (!list(listing)) return result_;
        if (nothingChanged(listing)) {
            // The server has nothing new since the last sync and nothing here differs from what
            // that sync left: the records are not all read, and nothing is written but a new
            // token after the last sync's own writes.
            if (!listing.syncToken.empty() && listing.syncToken != token_) {
                StoreBatch batch(settingsStore());
                storeToken(listing.syncToken);
            }
            result_.ok = true;
            return result_;
        }
        if (!state_.empty()) {
            // From here on the records may change: until this sync completes, the next one
            // compares them all.
            StoreBatch batch(settingsStore());
            SettingsKey key;
            if (key.openGroup(kAccountGroup) != SettingsKey::kFailed) key.writeString(kStateValue, "");
        }
        loadState();
        result_.ok = pull(std::move(listing)) && push();
        if (result_.ok) {
            // Written last: a sync cut short leaves none, and the next one compares everything.
            StoreBatch batch(settingsStore());
            SettingsKey key;
            if (key.openGroup(kAccountGroup) != SettingsKey::kFailed) key.writeString(kStateValue, localState());
        }
        return result_;
    }

  private:
    // ------------------------------------------------------------------------------------------
    // State

    // A fingerprint of all that a sync compares here: each entry's slot, text and reminder lead and
    // each to-do line, whatever order the table keeps them in (a sum of each entry's own hash).
    std::string localState() const {
        // The hashes are summed, so each one's bits are spread over the whole word first.
        const auto entryHash = [](std::int64_t where, std::int64_t early, const std::string& text) {
            const std::int64_t fields[] = {where, early};
            std::uint64_t h = fnv1a(text, fnv1a({reinterpret_cast<const char*>(fields), sizeof fields}));
            h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9ull;
            h = (h ^ (h >> 27)) * 0x94d049bb133111ebull;
            return h ^ (h >> 31);
        };
        std::uint64_t sum = 0;
        std::size_t count = 0;
        table_.forEach([&](const Appointment& a) {
            sum += entryHash(slotOf(a.stored), a.stored.early, a.stored.notes);
            ++count;
        });
        // A to-do line counts as a slot of its own, below every appointment's.
        for (int line = 0; line < TodoList::kItems; ++line)
            sum += entryHash(-1 - line, 0, todo_.item(line));
        char text[48];
        std::snprintf(text, sizeof text, "%zu:%016llx", count, static_cast<unsigned long long>(sum));
        return text;
    }

    // The table and the to-do list are as the last sync (which completed) left them, and the
    // listing since its token holds no change but objects as their records have them: what that
    // sync sent itself after it listed. Those records are looked up by their names, a few at most:
    // for many, reading all records at once costs less.
    bool nothingChanged(const dav::Listing& listing) const {
        if (token_.empty() || state_.empty() || listing.complete || !listing.removed.empty() ||
            listing.present.size() > kGroup || localState() != state_)
            return false;
        for (const dav::Member& m : listing.present) {
            SettingsKey key;
            std::string href, etag;
            if (m.etag.empty() || !key.openPathForRead(std::string(kItemsPath) + "\\" + keyNameOf(m.href)) ||
                !key.readString("href", href) || href != m.href || !key.readString("etag", etag) || etag != m.etag)
                return false;
        }
        return true;
    }

    void loadState() {
        SettingsKey items;
        if (!items.openPathForRead(kItemsPath)) return;
        for (const SubkeyValues& key : items.subkeysWithValues()) {
            Record r;
            r.keyName = key.name;
            for (const NamedValue& v : key.values) {
                const std::string& data = v.value.data;
                if (v.name == "href") r.href = data;
                else if (v.name == "etag") r.etag = data;
                else if (v.name == "uid") r.uid = data;
                else if (v.name == "entries") r.entries = entriesFrom(data, true);
                else if (v.name == "origin" && data.size() == 4) r.origin = static_cast<unsigned char>(data[0]);
                else if (v.name == "repeats" && data.size() == 4) r.repeats = data[0] != 0;
            }
            if (r.href.empty()) continue;
            byHref_[r.href] = records_.size();
            records_.push_back(std::move(r));
        }
        for (std::size_t i = 0; i < records_.size(); ++i)
            own(i);
    }

    void own(std::size_t i) {
        for (const Entry& e : records_[i].entries)
            if (!e.joined) (records_[i].origin == kTodo ? todoOwner_[e.v.day] : owner_[slotOf(e.v)]) = i;
    }
    void disown(std::size_t i) {
        for (const Entry& e : records_[i].entries) {
            if (e.joined) continue;
            auto& map = records_[i].origin == kTodo ? todoOwner_ : owner_;
            const std::int64_t k = records_[i].origin == kTodo ? e.v.day : slotOf(e.v);
            if (auto it = map.find(k); it != map.end() && it->second == i) map.erase(it);
        }
    }

    void storeRecord(const Record& r) {
        SettingsKey key;
        if (key.openPath(std::string(kItemsPath) + "\\" + r.keyName) == SettingsKey::kFailed) return;
        key.writeString("href", r.href);
        key.writeString("etag", r.etag);
        key.writeString("uid", r.uid);
        key.writeDword("origin", r.origin);
        key.writeDword("repeats", r.repeats ? 1 : 0);
        key.writeString("entries", entriesText(r.entries));
        if (r.origin != kServer || r.objectHeld) key.writeString("object", r.origin == kServer ? r.object : std::string());
    }

    const std::string& objectOf(Record& r) {
        if (!r.objectHeld) {
            SettingsKey key;
            if (key.openPathForRead(std::string(kItemsPath) + "\\" + r.keyName)) key.readString("object", r.object);
            r.objectHeld = true;
        }
        return r.object;
    }

    // Stores the record and lets go of its object's text, which the store now holds.
    void storeRecordReleasing(Record& r) {
        storeRecord(r);
        std::string().swap(r.object);
        r.objectHeld = false;
    }

    void forgetRecord(std::size_t i) {
        disown(i);
        records_[i].gone = true;
        byHref_.erase(records_[i].href);
        SettingsKey items;
        if (items.openPath(kItemsPath) != SettingsKey::kFailed) items.deleteSubkey(records_[i].keyName);
    }

    void storeToken(const std::string& token) {
        SettingsKey account;
        if (account.openGroup(kAccountGroup) != SettingsKey::kFailed) account.writeString("token", token);
        token_ = token;
    }

    bool storeFailed(std::uint64_t before) {
        if (settingsStore().failures().count == before) return false;
        result_.message = settingsStore().failures().lastMessage;
        return true;
    }

    bool keepGoing(const char* stage, int done, int total) {
        if (!options_.progress || options_.progress({done, total, stage})) return true;
        result_.message = text::translated(N_("The sync was cancelled."));
        return false;
    }

    // ------------------------------------------------------------------------------------------
    // What the table holds

    struct Local {
        Appointment* entry = nullptr; // null for a to-do item or an erased entry
        bool exists = false;
        std::string notes;
        int early = -1;
    };

    Local localOf(const Record& r, const Entry& e) {
        Local l;
        if (r.origin == kTodo) {
            l.notes = todo_.item(e.v.day);
            l.exists = !l.notes.empty();
            return l;
        }
        if (Appointment* a = table_.findAt(e.v.year, e.v.month, e.v.day, e.v.hour, e.v.minute)) {
            l.entry = a;
            l.exists = true;
            l.notes = a->stored.notes;
            l.early = a->stored.early;
        }
        return l;
    }

    static bool changedHere(const Record& r, const Entry& e, const Local& l) {
        return !l.exists || l.notes != e.v.notes || (r.origin != kTodo && l.early != e.v.early);
    }

    bool purged(const Entry& e) const {
        return e.v.year != 0 && localTime(e.v.year, e.v.month, e.v.day, e.v.hour, e.v.minute) < oldestKept();
    }
    std::int64_t oldestKept() const {
        // The calendar purges months from (age + 1) * 30 days back at each shutdown; what it
        // purged is forgotten, never deleted on the server. The reminders group keeps the age.
        if (!oldest_) {
            SettingsKey key;
            int age = key.openPathForRead(settings::kReminders) ? key.readDword("age") : 0;
            if (age <= 0) age = settings::ReminderSettings{}.age;
            oldest_ = now_ - (static_cast<std::int64_t>(age) + 1) * 30 * kSecondsPerDay;
        }
        return *oldest_;
    }

    Appointment* create(const AppointmentValues& v, const std::string& uid) {
        Appointment& a = table_.construct();
        a.setWhen(v.year, v.month, v.day, v.hour, v.minute, v.early, v.notes);
        if (v.repeats != kRepeatNone) {
            a.setRepeat(v.repeats, v.nthweek, v.sday, v.nthday);
            a.stored.started = v.started;
        }
        a.schedule(true);
        markUid(a, uid);
        return &a;
    }

    static void markUid(const Appointment& a, const std::string& uid) {
        SettingsKey key;
        if (key.openAppointment(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute) !=
            SettingsKey::kFailed)
            key.writeString(kUidValue, uid);
    }

    void setLocal(const Record& r, const Entry& e, Local& l, const std::string& notes, int early) {
        if (r.origin == kTodo) {
            todo_.save(e.v.day, notes);
        } else if (l.entry) {
            l.entry->stored.notes = notes;
            l.entry->stored.early = early;
            l.entry->schedule(true);
            markUid(*l.entry, r.uid);
        }
        l.notes = notes;
        l.early = early;
    }

    void eraseLocal(const Record& r, const Entry& e, Local& l) {
        if (r.origin == kTodo) todo_.save(e.v.day, "");
        else if (l.entry) table_.remove(*l.entry, false);
        l = {};
    }

    // ------------------------------------------------------------------------------------------
    // Taking in the server's objects

    // Makes the table show a fetched object; a change here to the same entries is kept by joining
    // it to the server's text, and goes back up with the next push.
    void apply(const dav::Fetched& f) {
        const IcsPlacements placed = placementsOf(f.text, now_, options_.region);
        if (!placed.ok) return;
        std::size_t index;
        bool wasNew = false;
        if (auto it = byHref_.find(f.href); it != byHref_.end()) {
            index = it->second;
        } else {
            Record r;
            r.href = f.href;
            r.keyName = keyNameOf(f.href);
            r.origin = placed.todo ? kTodo
                       : placed.uid.starts_with("zorvelcal-") && !placed.repeats && placed.entries.size() == 1 ? kLocal
                                                                                                               : kServer;
            index = records_.size();
            wasNew = true;
            takenInThisSync_.insert(index);
            byHref_[f.href] = index;
            records_.push_back(std::move(r));
        }
        Record& r = records_[index];
        disown(index);
        r.uid = placed.uid;
        r.repeats = placed.repeats;
        if (r.origin == kServer) {
            r.object = f.text;
            r.objectHeld = true;
        }
        r.etag = f.etag.empty() ? kUnknownEtag : f.etag;

        // What this object showed here before, and how each entry stands now.
        struct Old {
            Entry base;
            Local local;
            bool changed;
            bool matched = false;
        };
        std::vector<Old> old;
        for (const Entry& e : r.entries) {
            Local l = localOf(r, e);
            old.push_back({e, l, changedHere(r, e, l)});
        }
        const auto oldAt = [&](const AppointmentValues& v) -> Old* {
            for (Old& o : old)
                if (r.origin == kTodo ? o.base.v.day == v.day : slotOf(o.base.v) == slotOf(v)) return &o;
            return nullptr;
        };

        std::vector<Entry> wanted;
        if (placed.todo) {
            Entry e;
            e.v.notes = placed.todoText;
            e.v.day = old.empty() ? freeTodoLine() : old.front().base.v.day;
            if (e.v.day >= 0) wanted.push_back(e);
            else ++result_.notPlaced;
        } else {
            for (const IcsPlacement& p : placed.entries)
                wanted.push_back({p.values, p.occurrence});
        }

        bool changedSomething = wasNew;
        std::vector<Entry> entries;
        for (const Entry& w : wanted) {
            Entry base = w;
            if (Old* o = oldAt(w.v)) {
                o->matched = true;
                if (o->base.joined && o->local.exists) {
                    // Still joined to the slot's entry: the server's part of its text follows.
                    if (w.v.notes != o->base.v.notes) {
                        const std::string next = withPartChanged(o->local.notes, o->base.v.notes, w.v.notes);
                        if (next != o->local.notes) {
                            retext(*o->local.entry, next);
                            changedSomething = true;
                        } else {
                            base.v.notes.clear();
                        }
                    }
                    base.joined = true;
                    entries.push_back(base);
                    continue;
                }
                if (o->base.joined) {
                    // The slot was emptied here since: the event shows there as an entry of its own.
                    placeNew(r, w);
                    entries.push_back(base);
                    changedSomething = true;
                    continue;
                }
                if (!o->changed) {
                    if (o->local.notes != w.v.notes || (r.origin != kTodo && o->local.early != w.v.early)) {
                        setLocal(r, o->base, o->local, w.v.notes, w.v.early);
                        changedSomething = true;
                    }
                } else if (o->local.exists) {
                    // Changed on both sides: the server's text keeps the slot, ours joins it.
                    const std::string both = joinTexts(w.v.notes, o->local.notes);
                    if (both != o->local.notes || w.v.notes != o->base.v.notes) {
                        if (both != w.v.notes) ++result_.conflicts;
                        setLocal(r, o->base, o->local, both, o->local.early);
                        changedSomething = true;
                    }
                } else {
                    // Erased here, changed there: the server's change wins, the entry comes back.
                    o->local.entry = r.origin == kTodo ? nullptr : placeNew(r, w);
                    if (r.origin == kTodo) todo_.save(w.v.day, w.v.notes);
                    changedSomething = true;
                }
                entries.push_back(base);
                continue;
            }
            if (r.origin == kTodo) {
                todo_.save(w.v.day, w.v.notes);
                entries.push_back(base);
                changedSomething = true;
                continue;
            }
            Appointment* occupant = table_.findAt(w.v.year, w.v.month, w.v.day, w.v.hour, w.v.minute);
            if (occupant && !owner_.count(slotOf(w.v)) && occupant->stored.notes == w.v.notes) {
                // The same entry was typed here before it arrived (or sent by a sync that was
                // cut short before it could record it): the two are one.
                markUid(*occupant, r.uid);
                entries.push_back(base);
                continue;
            }
            if (occupant && w.v.notes != occupant->stored.notes &&
                joinTexts(occupant->stored.notes, w.v.notes) == w.v.notes) {
                // The arriving text already holds the slot's: another device joined the two, and
                // this is the object of that joined entry. It takes the slot, and an object that
                // held it becomes the part joined to it; else that object would send the joined
                // text to itself, over the text someone else gave their own event.
                if (const auto it = owner_.find(slotOf(w.v)); it != owner_.end()) becomeJoined(it->second, w.v);
                retext(*occupant, w.v.notes);
                markUid(*occupant, r.uid);
                entries.push_back(base);
                changedSomething = true;
                continue;
            }
            if (occupant) {
                // The slot holds another entry: the texts are joined there, as an import joins
                // them, the entry's own text first. It is what the user typed or saw in that slot
                // first, and that entry's object goes back up with both texts, while this
                // object's own text on the server stays as it is.
                // A text the slot already held was typed here, not joined: the record's part is
                // then empty, so that a later change or deletion there cuts nothing out of it.
                // Unless the slot's text itself came from the server in this sync: then another
                // device joined the two, and the part is this event's as on that device.
                const std::string both = joinTexts(occupant->stored.notes, w.v.notes);
                const auto owner = owner_.find(slotOf(w.v));
                if (both != occupant->stored.notes) retext(*occupant, both);
                else if (owner == owner_.end() || !takenInThisSync_.count(owner->second)) base.v.notes.clear();
                base.joined = true;
                entries.push_back(base);
                changedSomething = true;
                continue;
            }
            placeNew(r, w);
            entries.push_back(base);
            changedSomething = true;
        }
        for (Old& o : old) {
            if (o.matched) continue;
            if (o.base.joined) {
                // Moved or gone there: its part of the slot's text leaves.
                if (o.local.exists) {
                    const std::string rest = withPartChanged(o.local.notes, o.base.v.notes, "");
                    if (rest != o.local.notes) retext(*o.local.entry, rest);
                }
                changedSomething = true;
            } else if (!o.changed) {
                eraseLocal(r, o.base, o.local);
                changedSomething = true;
            } else if (o.local.exists) {
                // Changed here, but the server moved or removed the entry: ours stays as a new
                // item of its own and goes up with the push.
                ++result_.conflicts;
            }
        }
        r.entries = std::move(entries);
        own(index);
        storeRecordReleasing(r);
        if (changedSomething) ++result_.received;
    }

    Appointment* placeNew(const Record& r, const Entry& w) { return create(w.v, r.uid); }

    // Record i's entry in the slot of v becomes a part joined to the text another object holds
    // there; the slot is that object's from now on.
    void becomeJoined(std::size_t i, const AppointmentValues& v) {
        Record& r = records_[i];
        disown(i);
        for (Entry& e : r.entries)
            if (!e.joined && slotOf(e.v) == slotOf(v)) e.joined = true;
        own(i);
        storeRecord(r);
    }

    // A slot's entry whose text now holds a joined event's part: it stays the entry of its own
    // object (or of none yet), which sends the new text with the push.
    static void retext(Appointment& a, const std::string& notes) {
        a.stored.notes = notes;
        a.schedule(true);
    }

    int freeTodoLine() const {
        for (int i = 0; i < TodoList::kItems; ++i)
            if (todo_.item(i).empty() && !todoOwner_.count(i)) return i;
        return -1;
    }

    bool list(dav::Listing& listing) {
        if (!keepGoing("listing", 0, 0)) return false;
        listing = client_.list(token_, useSyncCollection_);
        if (listing.tokenRefused) listing = client_.list("", true);
        if (!listing.ok && token_.empty() && useSyncCollection_) {
            // A server without sync-collection is listed by ETag.
            useSyncCollection_ = false;
            listing = client_.list("", false);
        }
        if (!listing.ok) {
            result_.message = listing.message;
            return false;
        }
        return true;
    }

    // Takes the listing, which goes before the push: a first sync lists thousands of items.
    bool pull(dav::Listing listing) {
        int seen = 0;
        for (const Record& r : records_)
            if (r.seen()) ++seen;
        std::vector<std::size_t> removed;
        // Views of the listing's own texts: a first sync lists thousands.
        std::unordered_set<std::string_view> present;
        std::vector<std::string_view> wanted;
        for (const dav::Member& m : listing.present) {
            present.insert(m.href);
            auto it = byHref_.find(m.href);
            if (it == byHref_.end() || records_[it->second].etag != m.etag || m.etag.empty()) wanted.push_back(m.href);
        }
        if (listing.complete) {
            if (listing.present.empty() && seen > 0) {
                result_.message =
                    text::formatted(N_("The calendar server listed no items although it held %d at the "
                                       "last sync; nothing was deleted here. Try again later."),
                                    {std::to_string(seen)});
                return false;
            }
            for (std::size_t i = 0; i < records_.size(); ++i)
                if (records_[i].seen() && !present.count(records_[i].href)) removed.push_back(i);
        } else {
            for (const std::string& href : listing.removed)
                if (auto it = byHref_.find(href); it != byHref_.end() && records_[it->second].seen())
                    removed.push_back(it->second);
        }
        const int deletions = static_cast<int>(removed.size());
        if (deletions > kMassDeleteItems && deletions * 2 > seen &&
            !(options_.confirmMassDelete && options_.confirmMassDelete(deletions, seen))) {
            massDeleteRefused_ = true;
            result_.message =
                text::formatted(N_("The calendar server no longer holds %d of the %d items synced "
                                   "before; nothing was deleted here."),
                                {std::to_string(deletions), std::to_string(seen)});
            return false;
        }

        for (std::size_t first = 0; first < wanted.size(); first += kGroup) {
            if (!keepGoing("receiving", static_cast<int>(first), static_cast<int>(wanted.size()))) return false;
            const std::vector<std::string> group(wanted.begin() + static_cast<std::ptrdiff_t>(first),
                                                 wanted.begin() + static_cast<std::ptrdiff_t>(std::min(wanted.size(), first + kGroup)));
            std::vector<dav::Fetched> fetched;
            if (!client_.fetch(group, fetched, result_.message)) return false;
            const std::uint64_t before = settingsStore().failures().count;
            {
                StoreBatch batch(settingsStore());
                for (const dav::Fetched& f : fetched)
                    apply(f);
            }
            if (storeFailed(before)) return false;
        }
        const std::uint64_t before = settingsStore().failures().count;
        {
            StoreBatch batch(settingsStore());
            for (std::size_t i : removed)
                takeRemoval(i);
            if (!listing.syncToken.empty() && listing.syncToken != token_) storeToken(listing.syncToken);
        }
        return !storeFailed(before);
    }

    // The server deleted an object: its entries go here too, unless one was changed here since,
    // which then stays as a new item and goes back up.
    void takeRemoval(std::size_t i) {
        Record& r = records_[i];
        bool kept = false;
        std::vector<std::pair<Entry, Local>> states;
        for (const Entry& e : r.entries) {
            Local l = localOf(r, e);
            if (l.exists && !e.joined && changedHere(r, e, l)) kept = true;
            states.emplace_back(e, l);
        }
        if (kept) {
            ++result_.conflicts;
        } else {
            for (auto& [e, l] : states) {
                if (!l.exists) continue;
                if (!e.joined) {
                    eraseLocal(r, e, l);
                } else if (const std::string rest = withPartChanged(l.notes, e.v.notes, ""); rest != l.notes) {
                    // Only its part of a joined slot's text leaves; the slot's own entry stays.
                    retext(*l.entry, rest);
                }
            }
            ++result_.deletedHere;
        }
        forgetRecord(i);
    }

    // ------------------------------------------------------------------------------------------
    // Sending the changes made here

    // The object's new text with this calendar's changes; empty when it is to be deleted.
    std::string changedObject(Record& r, std::vector<Entry>& base, bool& erase) {
        erase = false;
        std::vector<std::pair<Entry*, Local>> changes;
        bool anyLeft = false;
        for (Entry& e : base) {
            Local l = localOf(r, e);
            if (l.exists) anyLeft = true;
            // A joined entry's slot is another object's: what changes there goes up with that one.
            if (!e.joined && changedHere(r, e, l)) changes.emplace_back(&e, l);
        }
        if (changes.empty()) return {};
        if (r.origin == kLocal || r.origin == kTodo) {
            const Local& l = changes.front().second;
            if (!l.exists) {
                erase = true;
                return {};
            }
            base.front().v.notes = l.notes;
            base.front().v.early = l.early;
            return r.origin == kTodo ? todoObjectText(l.notes, r.uid, now_) : eventObjectText(*l.entry, r.uid, now_);
        }
        if (!anyLeft && !r.repeats) {
            erase = true;
            return {};
        }
        std::string object = objectOf(r);
        for (auto& [e, l] : changes) {
            std::string next;
            if (r.repeats && e->occurrence != 0) {
                next = l.exists ? withDateChanged(object, e->occurrence, withoutPlacedPrefix(e->v.notes, l.notes))
                                : withDateErased(object, e->occurrence);
            } else if (l.exists) {
                next = withNewSummary(object, withoutPlacedPrefix(e->v.notes, l.notes));
            } else {
                continue; // one day of an event of many days: the event stays
            }
            if (!next.empty()) object = std::move(next);
            e->v.notes = l.notes;
            e->v.early = l.early;
        }
        std::erase_if(base, [&](const Entry& e) { return !localOf(r, e).exists; });
        return object;
    }

    // Sends one changed object; a 412 takes in the server's version (joining ours) and tries once
    // more.
    bool sendChange(std::size_t i) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            Record& r = records_[i];
            if (r.gone) return true;
            std::vector<Entry> base = r.entries;
            bool erase = false;
            const std::string object = changedObject(r, base, erase);
            if (object.empty() && !erase) return true;
            const dav::WriteResult w = erase ? client_.remove(r.href, r.etag == kUnknownEtag ? "" : r.etag)
                                             : client_.put(r.href, object, r.etag == kUnknownEtag ? "" : r.etag);
            if (w.status == 412) {
                dav::Fetched f;
                if (!client_.get(r.href, f, result_.message)) return false;
                StoreBatch batch(settingsStore());
                apply(f);
                continue;
            }
            if (erase && (w.ok() || w.status == 404)) {
                StoreBatch batch(settingsStore());
                forgetRecord(i);
                ++result_.deletedThere;
                return true;
            }
            if (!w.ok()) {
                result_.message = w.message;
                return false;
            }
            StoreBatch batch(settingsStore());
            disown(i);
            r.entries = std::move(base);
            r.etag = w.etag.empty() ? kUnknownEtag : w.etag;
            if (r.origin == kServer) {
                r.object = object;
                r.objectHeld = true;
            }
            own(i);
            storeRecordReleasing(r);
            ++result_.sent;
            return true;
        }
        return true;
    }

    bool push() {
        // Changes to what the server holds.
        std::vector<std::size_t> seenRecords;
        for (std::size_t i = 0; i < records_.size(); ++i)
            if (!records_[i].gone && records_[i].seen()) seenRecords.push_back(i);
        {
            // Entries the calendar purged as too old are forgotten, never deleted on the server.
            StoreBatch batch(settingsStore());
            for (std::size_t i : seenRecords) {
                Record& r = records_[i];
                if (r.origin == kTodo || r.entries.empty()) continue;
                bool allPurged = true;
                for (const Entry& e : r.entries)
                    allPurged = allPurged && purged(e) && !localOf(r, e).exists;
                if (allPurged) forgetRecord(i);
            }
        }
        for (std::size_t n = 0; n < seenRecords.size(); ++n) {
            if (n % kGroup == 0 && !keepGoing("sending", static_cast<int>(n), static_cast<int>(seenRecords.size())))
                return false;
            if (!sendChange(seenRecords[n])) return false;
        }

        // New items: recorded before they are sent, so a sync cut short sends them again under
        // the same name, where the server's If-None-Match refusal shows they arrived.
        std::vector<std::size_t> fresh;
        const std::uint64_t before = settingsStore().failures().count;
        {
            StoreBatch batch(settingsStore());
            const auto add = [&](Record r) {
                r.keyName = keyNameOf(r.href);
                byHref_[r.href] = records_.size();
                fresh.push_back(records_.size());
                records_.push_back(std::move(r));
                own(records_.size() - 1);
                storeRecord(records_.back());
            };
            table_.forEach([&](const Appointment& a) {
                if (owner_.count(slotOf(a.stored)) || a.stored.notes.empty() || a.stored.year < kFirstExchangeYear ||
                    a.stored.year > kLastExchangeYear)
                    return;
                Record r;
                r.uid = newUid();
                r.href = client_.hrefFor(r.uid + ".ics");
                r.origin = kLocal;
                r.entries.push_back({a.stored, 0});
                markUid(a, r.uid);
                add(std::move(r));
            });
            for (const auto& [line, text] : todo_.filledItems()) {
                if (todoOwner_.count(line)) continue;
                Record r;
                r.uid = newUid();
                r.href = client_.hrefFor(r.uid + ".ics");
                r.origin = kTodo;
                Entry e;
                e.v.day = line;
                e.v.notes = text;
                r.entries.push_back(e);
                add(std::move(r));
            }
        }
        if (storeFailed(before)) return false;
        for (std::size_t i = 0; i < records_.size(); ++i)
            if (!records_[i].gone && !records_[i].seen() &&
                std::find(fresh.begin(), fresh.end(), i) == fresh.end())
                fresh.push_back(i);

        // The etags of sent items are recorded a group at a time.
        std::unique_ptr<StoreBatch> batch;
        std::size_t inBatch = 0;
        for (std::size_t n = 0; n < fresh.size(); ++n) {
            if (n % kGroup == 0 && !keepGoing("sending", static_cast<int>(n), static_cast<int>(fresh.size()))) return false;
            Record& r = records_[fresh[n]];
            Local l = localOf(r, r.entries.front());
            if (!l.exists) {
                // Erased before it ever reached the server: nothing to send or delete there.
                if (!batch) batch = std::make_unique<StoreBatch>(settingsStore());
                forgetRecord(fresh[n]);
                continue;
            }
            const std::string object =
                r.origin == kTodo ? todoObjectText(l.notes, r.uid, now_) : eventObjectText(*l.entry, r.uid, now_);
            dav::WriteResult w = client_.put(r.href, object, "");
            if (w.status == 412) {
                // Already there: sent by a sync that was cut short, or made at once elsewhere.
                batch.reset();
                dav::Fetched f;
                std::string why;
                if (client_.get(r.href, f, why)) {
                    StoreBatch one(settingsStore());
                    apply(f);
                    continue;
                }
                // Refused, yet not there: a proxy or a server in trouble. Once more.
                w = client_.put(r.href, object, "");
            }
            if (!w.ok()) {
                result_.message = w.message;
                return false;
            }
            if (!batch) batch = std::make_unique<StoreBatch>(settingsStore());
            r.entries.front().v.notes = l.notes;
            r.entries.front().v.early = l.early;
            r.etag = w.etag.empty() ? kUnknownEtag : w.etag;
            storeRecord(r);
            ++result_.sent;
            if (++inBatch == kSentGroup) {
                batch.reset();
                inBatch = 0;
            }
        }
        batch.reset();
        return !storeFailed(before);
    }

    AppointmentTable& table_;
    dav::CalDavClient client_;
    const SyncOptions& options_;
    std::int64_t now_;
    mutable std::optional<std::int64_t> oldest_;
    std::string token_;
    std::string state_; // localState() as the last sync that completed left it; empty: none did
    bool useSyncCollection_ = true;
    bool massDeleteRefused_ = false;
    std::vector<Record> records_;
    std::unordered_map<std::string, std::size_t> byHref_;
    std::unordered_map<std::int64_t, std::size_t> owner_;     // appointment slot -> record
    std::unordered_map<std::int64_t, std::size_t> todoOwner_; // to-do line -> record
    std::unordered_set<std::size_t> takenInThisSync_;         // records of objects new here this sync
    TodoList todo_;
    SyncResult result_;
};

} // namespace

std::string joinTexts(const std::string& theirs, const std::string& ours) {
    if (theirs.empty()) return ours;
    if (ours.empty() || holds(theirs, ours)) return theirs;
    if (holds(ours, theirs)) return ours;
    return theirs + std::string(kTextJoiner) + ours;
}

EntryTexts entryTexts(const AppointmentTable& table) {
    EntryTexts texts;
    table.forEach([&](const Appointment& a) { texts.emplace(slotOf(a.stored), a.stored.notes); });
    return texts;
}

namespace {

// What the last sync recorded the server as holding: appointments by slot, to-do items by line.
// A text there that the windows neither showed at the start of a sync nor typed during it is the
// server's change of that sync.
struct RecordedTexts {
    std::unordered_map<std::int64_t, std::string> slots;
    std::unordered_map<int, std::string> lines;
};

RecordedTexts recordedServerTexts() {
    RecordedTexts texts;
    SettingsKey items;
    if (!items.openPathForRead(kItemsPath)) return texts;
    for (const SubkeyValues& key : items.subkeysWithValues())
        for (const NamedValue& v : key.values) {
            if (v.name != "entries") continue;
            for (Entry& e : entriesFrom(v.value.data)) {
                if (e.v.year != 0)
                    texts.slots[slotOf(e.v)] = std::move(e.v.notes);
                else
                    texts.lines[e.v.day] = std::move(e.v.notes);
            }
        }
    return texts;
}

// What a slot (or to-do line) that a window changed during a sync holds afterwards, none: nothing.
// before: the window's text at the start, window: at the end, server: the server's text as the
// sync recorded it, stored: what the store holds now; a null pointer is "no entry". An entry
// erased in a window stays when the server changed it (the erasure of a text the user never saw
// must not win); typed text is joined to a server change, the server's text first, as a sync
// joins a conflict.
std::optional<std::string> keptText(const std::string* before, const std::string* window, const std::string* server,
                                    const std::string* stored) {
    const bool serverChanged =
        server && (!before || *server != *before) && (!window || *server != *window);
    if (!window) {
        if (!serverChanged) return std::nullopt;
        return stored ? *stored : *server;
    }
    if (!serverChanged) return *window;
    return joinTexts(stored && *stored != *window ? *stored : *server, *window);
}

template <class Map, class Key>
const std::string* found(const Map& map, const Key& key) {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

const std::string* unlessEmpty(const std::string& text) {
    return text.empty() ? nullptr : &text;
}

} // namespace

int keepEditsMadeDuringSync(AppointmentTable& table, const EntryTexts& atStart, const EntryTexts& atEnd) {
    // Every slot the windows changed: in either snapshot, with a different text or only in one.
    std::vector<std::int64_t> changed;
    for (const auto& [slot, text] : atEnd)
        if (auto it = atStart.find(slot); it == atStart.end() || it->second != text) changed.push_back(slot);
    for (const auto& [slot, text] : atStart)
        if (!atEnd.count(slot)) changed.push_back(slot);
    if (changed.empty()) return 0;

    const RecordedTexts server = recordedServerTexts();
    int made = 0;
    for (const std::int64_t slot : changed) {
        std::int64_t rest = slot;
        const int minute = static_cast<int>(rest % 60);
        rest /= 60;
        const int hour = static_cast<int>(rest % 24);
        rest /= 24;
        const int day = static_cast<int>(rest % 32);
        rest /= 32;
        const int month = static_cast<int>(rest % 13);
        const int year = static_cast<int>(rest / 13);
        Appointment* now = table.findAt(year, month, day, hour, minute);
        const std::optional<std::string> text = keptText(found(atStart, slot), found(atEnd, slot),
                                                         found(server.slots, slot), now ? &now->stored.notes : nullptr);
        if (!text) {
            if (now && table.remove(*now, false)) ++made;
            continue;
        }
        if (now && *text == now->stored.notes) continue;
        if (now) {
            now->stored.notes = *text;
            now->schedule(true);
        } else {
            Appointment& a = table.construct();
            a.setWhen(year, month, day, hour, minute, table.defaultEarly(), *text);
            a.schedule(true);
        }
        ++made;
    }
    if (made > 0) table.changed();
    return made;
}

int keepTodoEditsMadeDuringSync(TodoList& list, const TodoTexts& atStart, const TodoTexts& atEnd) {
    std::optional<RecordedTexts> server;
    int made = 0;
    for (int i = 0; i < TodoList::kItems; ++i) {
        if (atStart[i] == atEnd[i]) continue;
        if (!server) server = recordedServerTexts();
        const std::string text = keptText(unlessEmpty(atStart[i]), unlessEmpty(atEnd[i]), found(server->lines, i),
                                          unlessEmpty(list.item(i)))
                                     .value_or(std::string());
        if (text == list.item(i)) continue;
        list.save(i, text);
        ++made;
    }
    return made;
}

platform::HttpSettings syncHttpSettings(const std::string& url, const std::string& user, const std::string& password) {
    platform::HttpSettings settings;
    settings.user = user;
    settings.password = password;
    platform::UrlParts parts;
    if (platform::splitUrl(url, parts)) settings.credentialHost = parts.host + ":" + parts.port;
    return settings;
}

SyncResult synchronizeOnConnection(SettingsStore& store, const Clock& clock, platform::HttpClient& http,
                                   const SyncAccount& account, const SyncOptions& options) {
    SyncResult result;
    {
        ThreadSettingsStore here(store);
        NoTimers timers;
        SilentQuestions questions;
        AppointmentTable table(clock, timers, questions);
        table.loadAll();
        result = synchronize(table, http, account, options);
    }
    // The sync's own table and records were megabytes for a large calendar, which the heap would
    // otherwise keep for the program's remaining days.
    platform::releaseFreedMemory();
    return result;
}

std::string SyncResult::summary() const {
    return text::formatted(
        N_("sync: %d sent, %d received, %d deleted here, %d deleted on the server, %d conflicts kept"),
        {std::to_string(sent), std::to_string(received), std::to_string(deletedHere),
         std::to_string(deletedThere), std::to_string(conflicts)});
}

SyncAccount loadSyncAccount() {
    SyncAccount account;
    SettingsKey key;
    if (!key.openPathForRead(kAccountGroup)) return account;
    key.readString("server", account.server);
    key.readString("user", account.user);
    key.readString("calendar", account.calendarUrl);
    key.readString("name", account.calendarName);
    // Written with the account from the start; an account set up on the command line has none yet.
    if (std::int32_t minutes = 0; key.readDword("interval", minutes)) account.intervalMinutes = std::max(0, minutes);
    return account;
}

bool saveSyncAccount(const SyncAccount& account) {
    SettingsStore& store = settingsStore();
    const std::uint64_t before = store.failures().count;
    const SyncAccount old = loadSyncAccount();
    StoreBatch batch(store);
    SettingsKey key;
    if (key.openGroup(kAccountGroup) == SettingsKey::kFailed) return false;
    if (old.calendarUrl != account.calendarUrl || old.user != account.user) {
        // Another calendar: what was recorded of the old one means nothing there.
        key.deleteSubkey("Items");
        key.writeString("token", "");
        key.writeString(kStateValue, "");
    }
    key.writeString("server", account.server);
    key.writeString("user", account.user);
    key.writeString("calendar", account.calendarUrl);
    key.writeString("name", account.calendarName);
    key.writeDword("interval", account.intervalMinutes);
    return store.failures().count == before;
}

SyncResult synchronize(AppointmentTable& table, platform::HttpClient& http, const SyncAccount& account,
                       const SyncOptions& options) {
    Engine engine(table, http, account, options);
    return engine.run();
}

} // namespace zc
