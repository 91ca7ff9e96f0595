#pragma once
// The to-do list: twenty one-line items that never move, so an erased item stays an empty line.
// Each item is the text value "notes" of a key of its own, ToDo\0 to ToDo\19, and only this
// class knows it: the list window and the calendar exchange read and write the items through it.
// Texts are kept as the store holds them, whatever their bytes; the windows make display text.
#include "data/settings_store.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace zc {

class TodoList {
  public:
    static constexpr int kItems = 20;

    // A list on the store installed at each call, as the windows use.
    TodoList() = default;
    explicit TodoList(SettingsStore& store) : store_(&store) {}

    // Reads the twenty items and leaves the store as it is. An item whose key or text is missing,
    // or whose value is not text, is empty.
    void load();
    // The same, creating every missing key on the way, as the list window does when it opens.
    void loadCreatingKeys();

    // Item i, empty for an i outside the list.
    const std::string& item(int i) const;
    const std::array<std::string, kItems>& items() const { return items_; }

    // Makes text item i and stores it. False when i lies outside the list or the store did not
    // take the write; the list holds the text all the same, so that the user still sees what was
    // typed and can copy it elsewhere.
    bool save(int i, const std::string& text);

    // The items that hold more than blanks and tabs, each with its number (0 to 19), which
    // stays the same when the items around it change.
    std::vector<std::pair<int, std::string>> filledItems() const;

  private:
    void read(bool createKeys);
    SettingsStore& store() const { return store_ ? *store_ : settingsStore(); }

    SettingsStore* store_ = nullptr;
    std::array<std::string, kItems> items_;
};

} // namespace zc
