#include "app/later_windows.h"

namespace zc {

void registerLaterWindows() {
    registerPlannerWindows();
    registerReminderWindows();
    registerSettingsWindows();
}

} // namespace zc
