#pragma once
// Fixture of the window tests: a real store in a temporary file, a fixed time zone with daylight
// saving, a clock the test sets, and a real main frame with its month view on demand.
#include "../data/store_fixture.h"

#include "data/colours.h"
#include "app/main_frame.h"
#include "app/zorvel_cal_view.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

namespace zc::test {

class AppTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        CZorvelCalView::hooks() = {};
        setDefaultColours();
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
