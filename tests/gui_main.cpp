// Entry point of the GUI test programs: wx is started once for the whole run, without entering
// its main loop, so each test creates real windows, drives them with events and wxYield(), and
// destroys them again.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

namespace {
class TestApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};
} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests must not need a display.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv)) return 2;
    wxTheApp->CallOnInit();
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
