#include "app/later_windows.h"

namespace zc {

void registerPlannerWindows() {}

} // namespace zc
