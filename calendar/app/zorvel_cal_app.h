#pragma once
// CZorvelCalApp starts the calendar: one program per store file, the store prepared on the first
// run, the start-up sound, and then the main frame with its month view.
#include "app/instance_guard.h"
#include "app/orderly_exit.h"
#include "data/services.h"

#include <wx/app.h>
#include <wx/weakref.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace zc {

class CMainFrame;

// What the store-side steps of the start found.
struct StartState {
    bool firstRun = false;
    bool splash = false;
};

// Steps 3 to 6 of the start, on the installed store: seeds a first run, gives "sounds" its
// defaults when new, plays the start sound and loads the "reminders" group (writing its defaults
// when new). splashAllowed is what the command line permits.
StartState prepareStore(bool splashAllowed);

class CZorvelCalApp : public wxApp {
  public:
    CZorvelCalApp();
    bool OnInit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    int FilterEvent(wxEvent& event) override;
    int OnExit() override;

    // The splash window of this start, shown by the main frame once it exists.
    bool splashEnabled() const { return splash_; }

  private:
    void onEndSession(wxCloseEvent& event);
    // Packs, a slice at a time between events, the stored entries that loading had to read value
    // by value (a store of an earlier build, or changed by hand), so that the next start is fast.
    void packLoadedEntries();
    static void onTerminate(int signal);

    std::chrono::steady_clock::time_point started_;
    std::unique_ptr<InstanceGuard> guard_;
    std::unique_ptr<OrderlyExit> exit_;
    SystemClock clock_;
    bool splashAllowed_ = true;
    bool splash_ = false;
    std::string openFile_;
    wxWeakRef<CMainFrame> frame_;
};

} // namespace zc

wxDECLARE_APP(zc::CZorvelCalApp);
