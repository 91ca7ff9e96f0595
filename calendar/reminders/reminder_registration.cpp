#include "app/later_windows.h"

namespace zc {

void registerReminderWindows() {}

} // namespace zc
