#include "app/later_windows.h"

namespace zc {

void registerSettingsWindows() {}

} // namespace zc
