#pragma once
// The one in-memory table of every appointment, filled from the store once at start and written
// through on every change. Slots keep insertion order with holes: a removed entry empties its slot
// and the next new entry reuses the first empty one, so every walk of the table sees entries in the
// order the program has always shown them.
#include "data/appointment.h"
#include "data/services.h"
#include "data/settings_catalogue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zc {

class AppointmentTable {
  public:
    static constexpr std::size_t kInitialSlots = 100;
    static constexpr std::size_t kGrowth = 50;
    static constexpr unsigned kFirstTimerId = 3;

    AppointmentTable(const Clock& clock, ReminderTimers& timers, Questions& questions);
    ~AppointmentTable();
    AppointmentTable(const AppointmentTable&) = delete;
    AppointmentTable& operator=(const AppointmentTable&) = delete;

    // A new, empty appointment with the default reminder lead, entered into the table.
    Appointment& construct();
    // A copy of source (everything but its timer), entered into the table.
    Appointment& constructCopy(const Appointment& source);

    Appointment* findAt(int year, int month, int day, int hour, int minute,
                        const Appointment* except = nullptr) const;
    bool hasAppointmentOn(int year, int month, int day) const;
    // The entries of one date, in no particular order; valid until the table next changes.
    const std::vector<Appointment*>& entriesOn(int year, int month, int day) const;
    Appointment* findByTimer(unsigned timerId) const;
    Appointment* firstLaterThan(Time32 t) const;
    // The entry with the earliest time after t (the first in slot order among equal times),
    // found without reordering the slots.
    const Appointment* earliestAfter(Time32 t) const;
    // Moves every entry ahead of the empty slots, then orders them by time; equal times keep
    // their order.
    void sortByTime();
    // Removes an entry: asks the series question first when asked to and the entry repeats. The
    // entry and the series go in one transaction; when the store cannot take it, nothing changes,
    // in the store or in the table, and false is returned (the store's failures() tell why).
    bool remove(Appointment& appointment, bool askAboutSeries);
    // Removes every entry of a date, without any question, all or none as remove does.
    bool clearDay(int year, int month, int day);

    // What setting a slot's text did.
    struct SlotChange {
        enum class Kind { None, Created, Changed, Removed };
        Kind kind = Kind::None;
        // False when the store did not take the change; the table is then as it was, and the
        // store's failures() tell why.
        bool stored = true;
        // The emptied entry belonged to a series: entries of other days may have changed too.
        bool series = false;
        Appointment* entry = nullptr; // the slot's entry afterwards
    };
    // Sets the text of the slot at a date and time as it was typed into the day planner: a text
    // creates the slot's entry (with the reminder lead early) or gives it new notes; a text of
    // only blanks removes it, asking the series question for a repeating entry. A text that is
    // what the slot shows already changes nothing, so stored bytes that are not UTF-8 stay as
    // they are.
    SlotChange setSlotText(int year, int month, int day, int hour, int minute, const std::string& text,
                           int early);
    // Schedules again (without saving) every entry whose reminder timer was started.
    void rearmReminders();
    // Loads every appointment from the store; called once at start.
    void loadAll();
    // Forgets every entry (stopping its reminder) and loads the store again: for a start whose
    // store turned out damaged and was rebuilt after the first load.
    void reloadAll();
    // Deletes from the store the months (age + 1) * 30 to (age + 6) * 30 days back.
    void purgeOldMonths(int age);
    // The series question asked when a repeating entry is emptied; on Yes the other entries of
    // the series are removed or freed of the series' text.
    bool askAndRemoveSeries(const Appointment& entry);

    // Walks the occupied slots in slot order.
    template <typename F> void forEach(F&& f) const {
        for (const auto& slot : slots_)
            if (slot) f(*slot);
    }
    std::size_t size() const { return count_; }
    std::size_t slotCount() const { return slots_.size(); }
    const Appointment* slot(std::size_t index) const { return slots_[index].get(); }

    // Change notification: each listener is called after an entry was entered, removed, saved,
    // rescheduled or given new notes, so what shows the table outside its windows (the notification
    // icon's tip) can follow it. Loading calls them once, at its end. Listeners should only note
    // the change: one edit may call them several times.
    using ChangeListener = std::function<void()>;
    int addChangeListener(ChangeListener listener);
    void removeChangeListener(int id);
    void changed();

    // The reminder lead new entries take ("early" of the "reminders" settings). This is the one
    // place the program keeps it: the month view's `early` refers to it.
    int defaultEarly() const { return defaultEarly_; }
    int& defaultEarly() { return defaultEarly_; }

    const Clock& clock() const { return clock_; }
    ReminderTimers& timers() { return timers_; }
    Questions& questions() { return questions_; }
    unsigned nextTimerId() { return nextTimerId_++; }

    // Takes an entry out of the table and destroys it without touching the store: for entries
    // that were never valid (a duplicate found while loading, an occurrence that would collide).
    void discard(Appointment& appointment);

  private:
    friend class Appointment;
    // One entry's part in a change of many: removed, or given new notes and freed of its series.
    struct Change {
        Appointment* entry;
        bool removed;
        std::string notes;
    };
    // The changes of the series question's Yes; empty when the answer is No.
    std::vector<Change> seriesChanges(const Appointment& entry);
    // Writes the changes in one transaction and, only when it landed, makes them in the table.
    bool apply(const std::vector<Change>& changes);
    using DateKey = std::int64_t;
    static DateKey dateKey(int year, int month, int day);
    Appointment& enter(std::unique_ptr<Appointment> appointment);
    void reindex(Appointment& appointment);
    void unindex(const Appointment& appointment);

    const Clock& clock_;
    ReminderTimers& timers_;
    Questions& questions_;
    int defaultEarly_ = settings::ReminderSettings{}.early;
    unsigned nextTimerId_ = kFirstTimerId;

    std::vector<std::pair<int, ChangeListener>> listeners_;
    int nextListenerId_ = 1;
    bool loading_ = false;

    std::vector<std::unique_ptr<Appointment>> slots_;
    std::size_t count_ = 0;
    std::size_t firstFree_ = 0; // no empty slot lies before this one
    // Slot positions of the entries of each date, kept in step with the slots, so the month and
    // year views and the slot look-ups need not walk the whole table.
    std::unordered_map<DateKey, std::vector<Appointment*>> byDate_;
};

// The entries a batch of writes added or gave a longer text, so that they can be taken back when
// the store refuses the batch: nothing may look saved in memory that the next start would not
// find.
class TableUndo {
  public:
    explicit TableUndo(AppointmentTable& table) : table_(table) {}
    void added(Appointment& entry) { steps_.push_back({&entry, true, {}}); }
    void notesChanging(Appointment& entry) { steps_.push_back({&entry, false, entry.stored.notes}); }
    // Takes every step back, the last first, and has the windows repaint.
    void rollBack();

  private:
    struct Step {
        Appointment* entry;
        bool added;
        std::string notes; // the text before the change
    };
    AppointmentTable& table_;
    std::vector<Step> steps_;
};

} // namespace zc
