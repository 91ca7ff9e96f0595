// On a screen of scale 2 (run with GDK_SCALE=2; skipped at scale 1): the program's icons come
// drawn at twice their size, and the month grid's frame lines fall on whole device pixels, two
// pixels wide, with no blended pixel beside them.
#include "app_fixture.h"

#include "ui/program_icon.h"

#include <wx/dcmemory.h>

namespace zc::test {
namespace {

using HiDpiTest = AppTest;

TEST_F(HiDpiTest, IconsComeAtTwiceTheirSizeAndGridLinesStaySharp) {
    openFrame();
    if (frame->GetContentScaleFactor() < 2) GTEST_SKIP() << "the screen's scale is 1; run with GDK_SCALE=2";
    EXPECT_EQ(programIconBundle().GetBitmapFor(frame).GetSize(), wxSize(44, 44));
    EXPECT_EQ(programIconBundle(48).GetBitmapFor(frame).GetSize(), wxSize(96, 96));
    for (const int size : {16, 32, 48})
        EXPECT_TRUE(frame->GetIcons().GetIcon(wxSize(2 * size, 2 * size), wxIconBundle::FALLBACK_NONE).IsOk())
            << size;

    view().showMonth(2015, 8);
    const wxSize grid = view().gridSize();
    wxBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateWithDIPSize(grid, frame->GetContentScaleFactor(), 24));
    {
        wxMemoryDC dc(bitmap);
        view().drawMonth(dc, false);
    }
    const wxImage image = bitmap.ConvertToImage();
    ASSERT_EQ(image.GetSize(), 2 * grid);
    const Colours& c = colours();
    // The "<<" cell's raised frame: its top and left edges two device pixels wide in toplite, its
    // inside in the background right beside them.
    const int x = 8, y = 8;
    for (const int i : {0, 1}) {
        EXPECT_EQ(pixel(image, x, i), c.toplite) << "top edge, row " << i;
        EXPECT_EQ(pixel(image, i, y), c.toplite) << "left edge, column " << i;
    }
    EXPECT_EQ(pixel(image, x, 2), c.back);
    EXPECT_EQ(pixel(image, 2, y), c.back);
}

} // namespace
} // namespace zc::test
