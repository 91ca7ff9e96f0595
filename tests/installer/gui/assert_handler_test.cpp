// A failed toolkit assertion in a window test must fail that test, not open a modal box that
// nobody answers on the virtual display.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <wx/debug.h>

TEST(GuiTestMain, ToolkitAssertionsBecomeTestFailures) {
    EXPECT_NONFATAL_FAILURE(wxFAIL_MSG("probe message"), "probe message");
    EXPECT_NONFATAL_FAILURE(wxASSERT(1 + 1 == 3), "1 + 1 == 3");
}
