// On a screen of scale 2 (run with GDK_SCALE=2; skipped at scale 1): the program's icons come at
// twice their size, and the month grid's and the planner's lines fall on whole device pixels, two
// wide, with no blended pixel beside them.
#include "app_fixture.h"

#include "planner/appoint_book2.h"
#include "ui/program_icon.h"

#include <wx/dcmemory.h>

namespace zc::test {
namespace {

using HiDpiTest = AppTest;

TEST_F(HiDpiTest, IconsComeAtTwiceTheirSizeAndLinesStaySharp) {
    openFrame();
    const double scale = frame->GetContentScaleFactor();
    if (scale < 2) GTEST_SKIP() << "the screen's scale is 1; run with GDK_SCALE=2";
    EXPECT_EQ(programIconBundle().GetBitmapFor(frame).GetSize(), wxSize(44, 44));
    for (const int size : {16, 32, 48})
        EXPECT_TRUE(frame->GetIcons().GetIcon(wxSize(2 * size, 2 * size), wxIconBundle::FALLBACK_NONE).IsOk());
    const auto drawn = [&](wxSize size, const std::function<void(wxDC&)>& draw) {
        wxBitmap bitmap;
        EXPECT_TRUE(bitmap.CreateWithDIPSize(size, scale, 24));
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        draw(dc);
        dc.SelectObject(wxNullBitmap);
        return bitmap.ConvertToImage();
    };
    const Colours& c = colours();
    view().showMonth(2015, 8);
    const wxImage month = drawn(view().gridSize(), [&](wxDC& dc) { view().drawMonth(dc, false); });
    // The "<<" cell's raised frame: top and left edges two device pixels of toplite, then background.
    for (const int i : {0, 1}) {
        EXPECT_EQ(pixel(month, 8, i), c.toplite) << i;
        EXPECT_EQ(pixel(month, i, 8), c.toplite) << i;
    }
    EXPECT_EQ(pixel(month, 8, 2), c.back);
    EXPECT_EQ(pixel(month, 2, 8), c.back);

    // A planner's hour line: two device pixels of black between the hour's own shading.
    openDayPlanner(frame->context(), 2015, 8, 12);
    AppointBook2& planner = *AppointBook2::find(2015, 8, 12);
    const AppointBook2::SlotRect slot = planner.slots()[2].hour;
    const wxImage day = drawn({slot.right + 20, slot.bottom + 20}, [&](wxDC& dc) { planner.drawDay(dc, false); });
    const int x = 2 * (slot.left + 20), y = 2 * slot.bottom;
    const ColourRef shade = planner.firstHour() % 2 == 0 ? c.dayplan1 : c.dayplan2;
    // The line at logical row y covers device rows 2y-1 and 2y, each wholly black.
    EXPECT_EQ(std::vector({pixel(day, x, y - 2), pixel(day, x, y - 1), pixel(day, x, y), pixel(day, x, y + 1)}),
              std::vector<ColourRef>({shade, 0, 0, shade}));
}

} // namespace
} // namespace zc::test
