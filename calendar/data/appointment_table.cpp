#include "data/appointment_table.h"

#include "data/settings_key.h"
#include "text/text_utils.h"
#include "text/translatable.h"

#include <algorithm>

namespace zc {
namespace {

// The decimal value at the start of a text, as the C library's atoi reads it: blanks, a sign,
// then digits up to the first other character; 0 when there are none.
int leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 100000000; ++i)
        value = value * 10 + (text[i] - '0');
    return static_cast<int>(negative ? -value : value);
}

} // namespace

AppointmentTable::AppointmentTable(const Clock& clock, ReminderTimers& timers, Questions& questions)
    : clock_(clock), timers_(timers), questions_(questions) {
    slots_.resize(kInitialSlots);
}

AppointmentTable::~AppointmentTable() = default;

AppointmentTable::DateKey AppointmentTable::dateKey(int year, int month, int day) {
    return (static_cast<DateKey>(year) * 16 + month) * 32 + day;
}

Appointment& AppointmentTable::enter(std::unique_ptr<Appointment> appointment) {
    while (firstFree_ < slots_.size() && slots_[firstFree_])
        ++firstFree_;
    if (firstFree_ == slots_.size()) slots_.resize(slots_.size() + kGrowth);
    Appointment& a = *appointment;
    a.slot_ = firstFree_;
    a.indexedDate_ = dateKey(a.stored.year, a.stored.month, a.stored.day);
    byDate_[a.indexedDate_].push_back(&a);
    slots_[firstFree_++] = std::move(appointment);
    ++count_;
    changed();
    return a;
}

Appointment& AppointmentTable::construct() {
    return enter(std::unique_ptr<Appointment>(new Appointment(*this)));
}

Appointment& AppointmentTable::constructCopy(const Appointment& source) {
    std::unique_ptr<Appointment> a(new Appointment(*this));
    a->stored = source.stored;
    a->time = source.time;
    return enter(std::move(a));
}

void AppointmentTable::unindex(const Appointment& a) {
    auto it = byDate_.find(a.indexedDate_);
    if (it == byDate_.end()) return;
    auto& list = it->second;
    list.erase(std::remove(list.begin(), list.end(), &a), list.end());
    if (list.empty()) byDate_.erase(it);
}

void AppointmentTable::reindex(Appointment& a) {
    const DateKey key = dateKey(a.stored.year, a.stored.month, a.stored.day);
    if (key == a.indexedDate_) return;
    unindex(a);
    a.indexedDate_ = key;
    byDate_[key].push_back(&a);
}

void AppointmentTable::discard(Appointment& a) {
    unindex(a);
    const std::size_t slot = a.slot_;
    slots_[slot].reset();
    --count_;
    firstFree_ = std::min(firstFree_, slot);
    changed();
}

int AppointmentTable::addChangeListener(ChangeListener listener) {
    listeners_.emplace_back(nextListenerId_, std::move(listener));
    return nextListenerId_++;
}

void AppointmentTable::removeChangeListener(int id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void AppointmentTable::changed() {
    if (loading_ || listeners_.empty()) return;
    // A listener may remove itself (or another) while being told.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        if (listener) listener();
}

Appointment* AppointmentTable::findAt(int year, int month, int day, int hour, int minute,
                                      const Appointment* except) const {
    auto it = byDate_.find(dateKey(year, month, day));
    if (it == byDate_.end()) return nullptr;
    Appointment* first = nullptr;
    for (Appointment* a : it->second)
        if (a != except && a->stored.hour == hour && a->stored.minute == minute &&
            (!first || a->slot_ < first->slot_))
            first = a;
    return first;
}

bool AppointmentTable::hasAppointmentOn(int year, int month, int day) const {
    return byDate_.count(dateKey(year, month, day)) != 0;
}

const std::vector<Appointment*>& AppointmentTable::entriesOn(int year, int month, int day) const {
    static const std::vector<Appointment*> none;
    auto it = byDate_.find(dateKey(year, month, day));
    return it == byDate_.end() ? none : it->second;
}

Appointment* AppointmentTable::findByTimer(unsigned timerId) const {
    for (const auto& slot : slots_)
        if (slot && slot->timerId == timerId) return slot.get();
    return nullptr;
}

Appointment* AppointmentTable::firstLaterThan(Time32 t) const {
    for (const auto& slot : slots_)
        if (slot && slot->time > t) return slot.get();
    return nullptr;
}

const Appointment* AppointmentTable::earliestAfter(Time32 t) const {
    const Appointment* earliest = nullptr;
    for (const auto& slot : slots_)
        if (slot && slot->time > t && (!earliest || slot->time < earliest->time)) earliest = slot.get();
    return earliest;
}

void AppointmentTable::sortByTime() {
    // Moving the empty slots to the end keeps the entries' order, and a stable sort keeps equal
    // times in that order: the same result as the adjacent-swap passes, in O(n log n).
    std::stable_partition(slots_.begin(), slots_.end(), [](const auto& slot) { return slot != nullptr; });
    std::stable_sort(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(count_),
                     [](const auto& a, const auto& b) { return a->time < b->time; });
    for (std::size_t i = 0; i < count_; ++i)
        slots_[i]->slot_ = i;
    firstFree_ = count_;
}

bool AppointmentTable::remove(Appointment& appointment, bool askAboutSeries) {
    std::vector<Change> changes;
    if (askAboutSeries && appointment.stored.repeats != 0) changes = seriesChanges(appointment);
    changes.push_back({&appointment, true, {}});
    return apply(changes);
}

bool AppointmentTable::askAndRemoveSeries(const Appointment& entry) {
    return apply(seriesChanges(entry));
}

std::vector<AppointmentTable::Change> AppointmentTable::seriesChanges(const Appointment& entry) {
    const std::string text = text::formatted(
        N_("You have deleted a datebook entry which repeats.  Delete the other \"%s\" entries as well?"),
        {entry.stored.notes});
    std::vector<Change> changes;
    if (!questions_.askYesNo(text, "ZorvelCal")) return changes;
    // Every text contains the empty text: an entry without words must not take every other
    // repeating entry at that time of day with it.
    if (entry.stored.notes.empty()) return changes;
    for (const auto& slot : slots_) {
        Appointment* other = slot.get();
        if (!other || other == &entry || other->stored.repeats != entry.stored.repeats ||
            other->stored.hour != entry.stored.hour || other->stored.minute != entry.stored.minute)
            continue;
        const std::size_t at = other->stored.notes.find(entry.stored.notes);
        if (at == std::string::npos) continue;
        if (other->stored.notes == entry.stored.notes)
            changes.push_back({other, true, {}});
        else
            changes.push_back(
                {other, false,
                 text::trimmed(std::string(other->stored.notes).erase(at, entry.stored.notes.size()))});
    }
    return changes;
}

bool AppointmentTable::apply(const std::vector<Change>& changes) {
    if (changes.empty()) return true;
    SettingsStore& store = settingsStore();
    const std::uint64_t failuresBefore = store.failures().count;
    {
        // A kill or a failed write leaves all of these or none of them in the store.
        StoreBatch batch(store);
        for (const Change& c : changes) {
            Appointment& a = *c.entry;
            if (c.removed) {
                SettingsKey key;
                key.deleteAppointmentKey(a.stored.year, a.stored.month, a.stored.day, a.stored.hour,
                                         a.stored.minute);
                continue;
            }
            // The entry freed of the series: its new text, and no repeat of its own.
            AppointmentValues freed = a.stored;
            freed.notes = c.notes;
            freed.repeats = 0;
            SettingsKey key;
            if (key.openAppointment(a.stored.year, a.stored.month, a.stored.day, a.stored.hour,
                                    a.stored.minute) != SettingsKey::kFailed)
                key.writeAppointment(freed);
        }
    }
    if (store.failures().count != failuresBefore) return false;
    for (const Change& c : changes) {
        Appointment& a = *c.entry;
        if (!c.removed) {
            a.stored.notes = c.notes;
            a.stored.repeats = 0;
            continue;
        }
        if (a.timerId != 0) timers_.stop(a.timerId);
        a.timerId = 0;
        a.stored.repeats = 0;
        discard(a);
    }
    return true;
}

bool AppointmentTable::clearDay(int year, int month, int day) {
    auto it = byDate_.find(dateKey(year, month, day));
    if (it == byDate_.end()) return true;
    std::vector<Appointment*> onDay = it->second;
    std::sort(onDay.begin(), onDay.end(),
              [](const Appointment* a, const Appointment* b) { return a->slot_ < b->slot_; });
    std::vector<Change> changes;
    for (Appointment* a : onDay)
        changes.push_back({a, true, {}});
    return apply(changes);
}

AppointmentTable::SlotChange AppointmentTable::setSlotText(int year, int month, int day, int hour, int minute,
                                                           const std::string& text, int early) {
    SettingsStore& store = settingsStore();
    const std::uint64_t failuresBefore = store.failures().count;
    SlotChange change;
    change.entry = findAt(year, month, day, hour, minute);
    if (text.find_first_not_of(" \t") == std::string::npos) {
        if (!change.entry) return change;
        change.kind = SlotChange::Kind::Removed;
        change.series = change.entry->stored.repeats != 0;
        change.stored = remove(*change.entry, true);
        change.entry = findAt(year, month, day, hour, minute);
        return change;
    }
    if (!change.entry) {
        change.kind = SlotChange::Kind::Created;
        Appointment& created = construct();
        created.setWhen(year, month, day, hour, minute, early, text);
        created.schedule(true);
        if (store.failures().count == failuresBefore) {
            change.entry = &created;
            return change;
        }
        // Not stored, so not kept: the table shows only what the store holds. A store without
        // transactions may have made the key before its values failed; it goes too.
        created.eraseStored();
        discard(created);
        change.stored = false;
        return change;
    }
    if (text::validUtf8(change.entry->stored.notes) == text) return change;
    change.kind = SlotChange::Kind::Changed;
    const std::string previous = change.entry->stored.notes;
    change.entry->changeNotes(text);
    if (store.failures().count != failuresBefore) {
        change.entry->stored.notes = previous;
        change.stored = false;
        changed();
    }
    return change;
}

void AppointmentTable::rearmReminders() {
    for (const auto& slot : slots_)
        if (slot && slot->timerId != 0) slot->schedule(false);
}

void AppointmentTable::loadAll() {
    SettingsKey root;
    if (root.openAppointments() == SettingsKey::kFailed) return;
    loading_ = true;
    // One read takes every month and entry; empty months are deleted only after it.
    StoredAppointments all = root.readAppointments();
    // A month is read under the name its year and month make ("2024_3"), so a month key spelt
    // otherwise ("2024_03") stands for the month of that name when there is one, and a name
    // without a month in it for none.
    std::unordered_map<std::string_view, std::size_t> byName;
    for (std::size_t i = 0; i < all.months.size(); ++i)
        byName.emplace(all.months[i].name, i);
    std::vector<bool> read(all.months.size());
    slots_.reserve(count_ + all.entries.size());
    byDate_.reserve(byDate_.size() + all.entries.size() / 4);
    std::vector<std::pair<int, int>> emptyMonths;
    const LocalDayMemo days;
    for (const StoredAppointments::Month& listed : all.months) {
        const std::string_view name = listed.name;
        const int year = leadingNumber(name.substr(0, 4));
        const std::size_t n = name.size();
        const int month = n >= 2 && name[n - 2] == '_' ? leadingNumber(name.substr(n - 1))
                                                       : leadingNumber(name.substr(n >= 2 ? n - 2 : 0));
        const auto found = byName.find(std::to_string(year) + "_" + std::to_string(month));
        if (found == byName.end()) continue;
        const StoredAppointments::Month& stored = all.months[found->second];
        if (stored.count == 0) emptyMonths.emplace_back(year, month);
        // A month reached under a second spelling holds the entries read already, each of which
        // would now be dropped as a duplicate.
        if (read[found->second]) continue;
        read[found->second] = true;
        // An entry is checked before it is entered, so one that is not valid never takes a slot
        // or a place in the date index.
        for (std::size_t i = stored.first; i < stored.first + stored.count; ++i) {
            std::unique_ptr<Appointment> a(new Appointment(*this));
            if (a->loadFrom(std::move(all.entries[i]))) enter(std::move(a)).scheduleAtTime(false);
        }
    }
    for (const auto& [year, month] : emptyMonths) {
        SettingsKey key;
        key.deleteMonth(year, month);
    }
    loading_ = false;
    changed();
}

void AppointmentTable::reloadAll() {
    std::vector<Appointment*> all;
    forEach([&](const Appointment& a) { all.push_back(const_cast<Appointment*>(&a)); });
    for (Appointment* a : all) {
        if (a->timerId != 0) timers_.stop(a->timerId);
        discard(*a);
    }
    loadAll();
}

void AppointmentTable::purgeOldMonths(int age) {
    constexpr std::int64_t kSpan = 30LL * kSecondsPerDay;
    std::int64_t t = clock_.now() - static_cast<std::int64_t>(age + 1) * kSpan;
    for (int i = 0; i < 6; ++i) {
        const LocalDate d = toLocal(static_cast<Time32>(t));
        SettingsKey key;
        key.deleteMonth(d.year, d.month);
        t -= kSpan;
    }
}

void TableUndo::rollBack() {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
        if (!it->added) {
            it->entry->stored.notes = it->notes;
            continue;
        }
        if (it->entry->timerId != 0) table_.timers().stop(it->entry->timerId);
        table_.discard(*it->entry);
    }
    steps_.clear();
    table_.changed();
}

} // namespace zc
