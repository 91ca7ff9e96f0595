// Entry point of the GUI test programs: wx is started once for the whole run, without entering
// its main loop, so each test creates real windows, drives them with events and wxYield(), and
// destroys them again.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/init.h>

#include <cstdlib>

namespace {
class TestApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

// A failed wx assertion would open a modal box that nobody answers under Xvfb and hang the run;
// it is reported as a failure of the running test instead, and the test goes on.
void ReportAssertion(const wxString& file, int line, const wxString& function, const wxString& condition,
                     const wxString& message) {
    ADD_FAILURE() << "wx assertion failed at " << file.utf8_string() << ":" << line << " in "
                  << function.utf8_string() << ": " << condition.utf8_string()
                  << (message.empty() ? std::string() : " (" + message.utf8_string() + ")");
}
} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests must not need a display.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    // Times and weeks follow LC_TIME; the tests expect the C locale's unless a test sets its own.
    if (!std::getenv("LC_ALL")) setenv("LC_TIME", "C", 1);
    wxSetAssertHandler(ReportAssertion);
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv)) return 2;
    wxTheApp->CallOnInit();
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
