#include "ui/save_watch.h"

#include "data/settings_store.h"

namespace zc {

SaveWatch::SaveWatch() : before_(settingsStore().failures().count) {}

bool SaveWatch::saved(Questions& questions) const {
    const StoreFailures& failures = settingsStore().failures();
    if (failures.count == before_) return true;
    questions.showMessage(failures.lastMessage, "ZorvelCal");
    return false;
}

} // namespace zc
