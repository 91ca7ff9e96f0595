#include "app/later_windows.h"
#include "planner/list_views_registration.h"

#include "app/zorvel_cal_view.h"
#include "data/repeat_rules.h"
#include "planner/appoint_book2.h"

namespace zc {

void registerPlannerWindows() {
    CZorvelCalView::Hooks& hooks = CZorvelCalView::hooks();
    hooks.openPlanner = [](int year, int month, int day) { openDayPlanner(year, month, day); };
    hooks.closeAllPlanners = &AppointBook2::closeAll;
    // A new repeat series may fall in the month on show.
    setMonthRepaintHandler([](int year, int month) {
        if (CZorvelCalView* view = currentView()) view->refreshIfShowing(year, month);
    });
    registerListViews();
}

} // namespace zc
