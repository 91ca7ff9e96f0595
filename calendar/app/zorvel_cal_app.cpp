#include "app/zorvel_cal_app.h"

#include "app/about_dialog.h"
#include "ui/command_ids.h"
#include "app/display_backend.h"
#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/open_file_argument.h"
#include "app/orderly_exit.h"
#include "app/zorvel_cal_view.h"
#include "data/ical_exchange.h"
#include "data/settings_catalogue.h"
#include "data/sqlite_store.h"
#include "ui/sound.h"
#include "reminders/splash_wnd.h"
#include "ui/dialog_parent.h"
#include "ui/message_box.h"

#include <wx/cmdline.h>
#include <wx/msgdlg.h>

#include <csignal>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace zc {

StartState prepareStore(bool splashAllowed) {
    StartState state;
    state.firstRun = settings::seedFirstRun();
    if (state.firstRun) state.splash = splashAllowed;
    settings::ensureSoundDefaults();
    playSound(settings::kSoundStart);
    if (settings::loadReminderSettings().splash != 0) state.splash = splashAllowed;
    return state;
}

CZorvelCalApp::CZorvelCalApp() : started_(std::chrono::steady_clock::now()) {
    // The backend is chosen before the toolkit opens the display.
    applyDisplayBackend();
}

void CZorvelCalApp::OnInitCmdLine(wxCmdLineParser& parser) {
    wxApp::OnInitCmdLine(parser);
    describeOptions(parser);
}

bool CZorvelCalApp::OnCmdLineParsed(wxCmdLineParser& parser) {
    splashAllowed_ = !parser.Found("no-splash");
    openFile_ = openFileArgument(parser);
    return wxApp::OnCmdLineParsed(parser);
}

bool CZorvelCalApp::OnInit() {
    SetAppName("zorvelcal");
    SetAppDisplayName("Zorvel Calendar");
    const std::string storePath = SqliteStore::defaultPath();

    // One calendar per store: a second start brings the first forward and ends.
    guard_ = std::make_unique<InstanceGuard>(storePath);
    if (guard_->isAnotherRunning()) {
        guard_->bringRunningForward();
        messageBox(wxTRANSLATE("Zorvel Calendar is already running."), "ZorvelCal", wxOK | wxICON_INFORMATION);
        return false;
    }

    if (!wxApp::OnInit()) return false;

    // A calendar that cannot save would lose everything typed into it, so it does not start.
    try {
        setSettingsStore(std::make_unique<SqliteStore>(storePath));
    } catch (const StoreError& error) {
        messageBox(std::string(error.what()) + "\n\nZorvel Calendar cannot run without its store and ends now.",
                   "ZorvelCal", wxOK | wxICON_ERROR);
        return false;
    }

    const StartState state = prepareStore(splashAllowed_);
    splash_ = state.splash;

    CSplashWnd::enable(splash_);
    auto* frame = new CMainFrame(clock_);
    frame_ = frame;
    CSplashWnd::show(frame);
    SetTopWindow(frame);
    // The check of the store's pages ran while the window was built. A damaged store has been
    // rebuilt from what could be read of it; the table then loads the rebuilt one.
    try {
        auto& store = static_cast<SqliteStore&>(settingsStore());
        if (const std::string notice = store.awaitIntegrityCheck(); !notice.empty()) {
            frame->table().reloadAll();
            messageBox(notice, "ZorvelCal", wxOK | wxICON_WARNING);
            // Only a message that was read is not repeated at the next start.
            store.noticeShown();
        }
    } catch (const StoreError& error) {
        messageBox(std::string(error.what()) + "\n\nZorvel Calendar cannot run without its store and ends now.",
                   "ZorvelCal", wxOK | wxICON_ERROR);
        frame->Destroy();
        return false;
    }
    guard_->serve([this] {
        if (CMainFrame* f = frame_.get()) f->bringForward();
    });

    if (const char* exitAfter = std::getenv("ZORVELCAL_EXIT_AFTER_FIRST_PAINT");
        exitAfter && *exitAfter == '1') {
        frame->view()->firstPaintHandler = [this] {
            const auto elapsed =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started_);
            // Processor time too: on a busy machine the elapsed time says more about the others.
            const double processor = 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
            std::printf("first paint after %.1f ms (%.1f ms of processor time)\n", elapsed.count(), processor);
            std::fflush(stdout);
            if (CMainFrame* f = frame_.get()) f->Close(true);
        };
    } else {
        // Only once the month shows, so that it never delays the start.
        frame->view()->firstPaintHandler = [this] { packLoadedEntries(); };
    }

    // "Minimize at startup" with a notification area leaves the window hidden, as File > Minimize
    // does; the icon brings it back.
    if (!frame->startsHidden()) frame->Show(true);
    if (frame->startsIconized()) frame->Iconize(true);
    if (!openFile_.empty()) offerToImport(*frame, openFile_);

    exit_ = std::make_unique<OrderlyExit>([this] {
        if (CMainFrame* f = frame_.get()) f->Close(true);
    });
    SetSignalHandler(SIGTERM, &CZorvelCalApp::onTerminate);
    Bind(wxEVT_QUERY_END_SESSION, [](wxCloseEvent& event) { event.Skip(); });
    Bind(wxEVT_END_SESSION, &CZorvelCalApp::onEndSession, this);
    return true;
}

void CZorvelCalApp::packLoadedEntries() {
    // A slice takes a few milliseconds, so input is answered between slices.
    constexpr std::size_t kEntriesPerSlice = 2000;
    if (!hasSettingsStore() || !frame_) return;
    if (static_cast<SqliteStore&>(settingsStore()).fillValueCache(kEntriesPerSlice))
        CallAfter(&CZorvelCalApp::packLoadedEntries);
}

void CZorvelCalApp::onTerminate(int) {
    // The toolkit turns the signal into an event, which may arrive inside a dialog's loop.
    if (auto* app = dynamic_cast<CZorvelCalApp*>(wxTheApp); app && app->exit_) app->exit_->request();
}

void CZorvelCalApp::onEndSession(wxCloseEvent&) {
    exit_->request();
}

int CZorvelCalApp::FilterEvent(wxEvent& event) {
    // The splash window holds the program's events while it shows.
    if (const int result = CSplashWnd::filterEvent(event); result != Event_Skip) return result;
    if (event.GetEventType() == wxEVT_ACTIVATE) {
        auto& activate = static_cast<wxActivateEvent&>(event);
        auto* window = dynamic_cast<wxTopLevelWindow*>(event.GetEventObject());
        if (activate.GetActive() && window && window != frame_.get()) lastActivePopup() = window;
    }
    return Event_Skip;
}

int CZorvelCalApp::OnExit() {
    guard_.reset();
    return wxApp::OnExit();
}

} // namespace zc
