#include "data/todo_list.h"

#include "data/settings_key.h"

namespace zc {
namespace {

constexpr const char* kTextValue = "notes";

std::string itemPath(int i) {
    return "ToDo\\" + std::to_string(i);
}

} // namespace

void TodoList::load() {
    read(false);
}

void TodoList::loadCreatingKeys() {
    read(true);
}

void TodoList::read(bool createKeys) {
    for (int i = 0; i < kItems; ++i) {
        items_[i].clear();
        SettingsKey key(store());
        const bool open = createKeys ? key.openPath(itemPath(i)) != SettingsKey::kFailed
                                     : key.openPathForRead(itemPath(i));
        if (open) key.readString(kTextValue, items_[i]);
    }
}

const std::string& TodoList::item(int i) const {
    static const std::string none;
    return i >= 0 && i < kItems ? items_[i] : none;
}

bool TodoList::save(int i, const std::string& text) {
    if (i < 0 || i >= kItems) return false;
    items_[i] = text;
    SettingsStore& to = store();
    const std::uint64_t failuresBefore = to.failures().count;
    SettingsKey key(to);
    if (key.openPath(itemPath(i)) == SettingsKey::kFailed) return false;
    key.writeString(kTextValue, text);
    return to.failures().count == failuresBefore;
}

std::vector<std::pair<int, std::string>> TodoList::filledItems() const {
    std::vector<std::pair<int, std::string>> filled;
    for (int i = 0; i < kItems; ++i)
        if (items_[i].find_first_not_of(" \t") != std::string::npos) filled.emplace_back(i, items_[i]);
    return filled;
}

} // namespace zc
