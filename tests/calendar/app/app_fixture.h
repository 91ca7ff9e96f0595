#pragma once
// Fixture of the window tests: a real store in a temporary file, a fixed time zone with daylight
// saving, a clock the test sets, and a real main frame with its month view on demand.
#include "../data/store_fixture.h"

#include "data/colours.h"
#include "app/main_frame.h"
#include "app/zorvel_cal_view.h"
#include "planner/appoint_book2.h"
#include "planner/to_do.h"
#include "planner/view_week.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

#include <string>
#include <vector>

namespace zc::test {

class AppTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        // Wednesday, 12 August 2015, 10:00.
        clock.t = localTime(2015, 8, 12, 10, 0);
    }

    void TearDown() override {
        closeFrame();
        StoreTest::TearDown();
    }

    CMainFrame& openFrame() {
        closeFrame();
        frame = new CMainFrame(clock);
        return *frame;
    }
    CZorvelCalView& view() { return *frame->view(); }
    ViewSettings& settings() { return frame->settings(); }
    Colours& colours() { return frame->settings().colours; }
    CalendarPrintJob& printJob() { return frame->printJob(); }

    // The feature windows open now, oldest first: "planner 2015-8-26", "week 2015-8-23" (the
    // week's Sunday), "todo".
    std::vector<std::string> openWindows() const {
        std::vector<std::string> open;
        const auto date = [](const char* what, int y, int m, int d) {
            return std::string(what) + " " + std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
        };
        for (wxWindow* w : wxTopLevelWindows) {
            if (w->IsBeingDeleted()) continue;
            if (auto* p = dynamic_cast<AppointBook2*>(w)) open.push_back(date("planner", p->year(), p->month(), p->day()));
            if (auto* v = dynamic_cast<ViewWeek*>(w))
                open.push_back(date("week", v->sunday().year, v->sunday().month, v->sunday().day));
            if (dynamic_cast<ToDo*>(w)) open.push_back("todo");
        }
        return open;
    }
    // Fires one of the program's timers as the toolkit does.
    void fireTimer(unsigned id) {
        wxTimer sameId(&frame->timers(), static_cast<int>(id));
        wxTimerEvent fired(sameId);
        frame->timers().ProcessEvent(fired);
    }

    // Closes the windows the frame owns, as the frame does when it closes.
    void closeFeatureWindows() { frame->closeOwnedWindows(); }

    void closeFrame() {
        delete frame;
        frame = nullptr;
    }

    // The month as the one drawing routine paints it, on a bitmap the size of the grid.
    wxImage paint() {
        const wxSize size = view().gridSize();
        wxBitmap bitmap(size.x, size.y, 24);
        {
            wxMemoryDC dc(bitmap);
            view().drawMonth(dc, false);
        }
        return bitmap.ConvertToImage();
    }

    static ColourRef pixel(const wxImage& image, int x, int y) {
        return static_cast<ColourRef>(image.GetRed(x, y)) |
               (static_cast<ColourRef>(image.GetGreen(x, y)) << 8) |
               (static_cast<ColourRef>(image.GetBlue(x, y)) << 16);
    }

    CMainFrame* frame = nullptr;
};

} // namespace zc::test
