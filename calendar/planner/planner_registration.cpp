#include "app/later_windows.h"
#include "planner/list_views_registration.h"

namespace zc {

void registerPlannerWindows() {
    registerListViews();
}

} // namespace zc
