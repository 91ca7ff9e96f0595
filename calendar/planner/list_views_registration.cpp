#include "planner/list_views_registration.h"

#include "ui/command_ids.h"
#include "app/main_frame.h"
#include "app/view_year.h"
#include "app/zorvel_cal_view.h"
#include "planner/appoint_book2.h"
#include "planner/to_do.h"
#include "planner/view_week.h"

namespace zc {

void registerListViews() {
    CZorvelCalView::hooks().openToDoList = [] { ToDo::open(); };
    CZorvelCalView::hooks().openWeekView = [](int year, int month, int day) { ViewWeek::open(year, month, day); };
    CMainFrame::laterCommands()[cmd::kThisYear] = [](CMainFrame&) { ViewYear::open(); };
    // A planner that closes may have changed the week on show.
    AppointBook2::closedHandler() = [] {
        if (ViewWeek* week = ViewWeek::instance()) week->canvas()->Refresh(false);
    };
}

} // namespace zc
