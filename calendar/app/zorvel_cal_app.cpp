#include "app/zorvel_cal_app.h"

#include "app/about_dialog.h"
#include "ui/command_ids.h"
#include "app/display_backend.h"
#include "app/later_windows.h"
#include "app/main_frame.h"
#include "app/open_file_argument.h"
#include "app/orderly_exit.h"
#include "ui/wx_questions.h"
#include "app/zorvel_cal_view.h"
#include "data/ical_exchange.h"
#include "data/settings_catalogue.h"
#include "data/sqlite_store.h"
#include "ui/sound.h"
#include "reminders/splash_wnd.h"

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

namespace {

constexpr const char* kExportOption = "export-ics";
constexpr const char* kImportOption = "import-ics";

// The program's own options; the toolkit adds its help and verbose switches to these.
void describeOptions(wxCmdLineParser& parser) {
    parser.AddSwitch("", "no-splash", "start without the splash screen");
    parser.AddSwitch("", "version", "show the version, then end");
    // Handled before the toolkit starts (runExchangeOptions); listed here for --help.
    parser.AddOption("", kImportOption, "import the appointments of an iCalendar file, then end");
    parser.AddOption("", kExportOption, "export every appointment and to-do item to an iCalendar file, then end");
    addOpenFileParameter(parser);
}

int exchangeFailed(const std::string& message) {
    std::fprintf(stderr, "zorvelcal: %s\n", message.c_str());
    return 1;
}

} // namespace

std::optional<int> runTextOptions(int argc, char** argv) {
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // What follows "--" is no option.
        if (arg == "--") break;
        // A file name is no option either, even one that looks like it.
        if (arg == std::string("--") + kImportOption || arg == std::string("--") + kExportOption) {
            ++i;
            continue;
        }
        help = help || arg == "-h" || arg == "--help";
        version = version || arg == "--version";
    }
    if (help) {
        wxCmdLineParser parser(argc, argv);
        // The switches the toolkit adds once it runs, so that both show the same help.
        parser.AddSwitch("h", "help", "show this help message", wxCMD_LINE_OPTION_HELP);
        parser.AddSwitch("", "verbose", "generate verbose log messages");
        describeOptions(parser);
        std::fputs(parser.GetUsageString().utf8_str(), stdout);
    } else if (version) {
        std::printf("Zorvel Calendar %s\n", kProgramVersion);
    } else {
        return std::nullopt;
    }
    std::fflush(stdout);
    return 0;
}

std::optional<int> runExchangeOptions(int argc, char** argv) {
    // (import?, file) in the order given; "--option FILE" and "--option=FILE" alike.
    std::vector<std::pair<bool, std::string>> steps;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        for (const char* option : {kImportOption, kExportOption}) {
            const std::string flag = std::string("--") + option;
            std::string file;
            if (arg == flag) {
                if (i + 1 >= argc) {
                    std::fprintf(stderr, "zorvelcal: %s needs a file name\n", flag.c_str());
                    return 2;
                }
                file = argv[++i];
            } else if (arg.rfind(flag + "=", 0) == 0) {
                file = arg.substr(flag.size() + 1);
            } else {
                continue;
            }
            if (file.empty()) {
                std::fprintf(stderr, "zorvelcal: %s needs a file name\n", flag.c_str());
                return 2;
            }
            steps.emplace_back(option == kImportOption, file);
        }
    }
    if (steps.empty()) return std::nullopt;

    const std::string storePath = SqliteStore::defaultPath();
    bool imports = false;
    for (const auto& step : steps)
        imports = imports || step.first;
    // A running calendar keeps every appointment in memory and would not see what an import
    // writes beside it; its next change to one of those slots would overwrite the imported entry.
    std::unique_ptr<InstanceGuard> guard;
    if (imports) {
        guard = std::make_unique<InstanceGuard>(storePath);
        if (guard->isAnotherRunning())
            return exchangeFailed("Zorvel Calendar is running on this store; import from its File menu, or close "
                                  "it first.");
    }
    try {
        setSettingsStore(std::make_unique<SqliteStore>(storePath));
    } catch (const StoreError& error) {
        return exchangeFailed(error.what());
    }
    int code = 0;
    {
        SystemClock clock;
        NoTimers timers;
        SilentQuestions questions;
        AppointmentTable table(clock, timers, questions);
        table.loadAll();
        for (const auto& [import, file] : steps) {
            const std::uint64_t failuresBefore = settingsStore().failures().count;
            std::string message;
            bool ok = false;
            if (import) {
                const IcsImportResult result = importIcs(table, file);
                ok = result.ok;
                message = result.message;
            } else {
                const IcsExportResult result = exportIcs(table, file);
                ok = result.ok;
                message = result.message;
            }
            if (ok && settingsStore().failures().count != failuresBefore) {
                std::printf("%s\n", message.c_str());
                ok = false;
                message = settingsStore().failures().lastMessage;
            }
            if (!ok) {
                code = exchangeFailed(message);
                break;
            }
            std::printf("%s\n", message.c_str());
        }
    }
    setSettingsStore(nullptr);
    std::fflush(stdout);
    return code;
}

CZorvelCalApp::CZorvelCalApp() : started_(std::chrono::steady_clock::now()) {
    // The backend is chosen before the toolkit opens the display.
    applyDisplayBackend();
}

std::function<int(wxEvent&)>& CZorvelCalApp::eventFilter() {
    static std::function<int(wxEvent&)> filter;
    return filter;
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
        messageBox("Zorvel Calendar is already running.", "ZorvelCal", wxOK | wxICON_INFORMATION);
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

    registerLaterWindows();
    const StartState state = prepareStore(splashAllowed_);
    splash_ = state.splash;

    CSplashWnd::enable(splash_);
    auto* frame = new CMainFrame(clock_);
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
    guard_->serve([] {
        if (CMainFrame* f = mainFrame()) f->bringForward();
    });

    if (const char* exitAfter = std::getenv("ZORVELCAL_EXIT_AFTER_FIRST_PAINT");
        exitAfter && *exitAfter == '1') {
        CZorvelCalView::firstPaintHandler() = [this] {
            const auto elapsed =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started_);
            // Processor time too: on a busy machine the elapsed time says more about the others.
            const double processor = 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
            std::printf("first paint after %.1f ms (%.1f ms of processor time)\n", elapsed.count(), processor);
            std::fflush(stdout);
            if (CMainFrame* f = mainFrame()) f->Close(true);
        };
    }

    // "Minimize at startup" with a notification area leaves the window hidden, as File > Minimize
    // does; the icon brings it back.
    if (!frame->startsHidden()) frame->Show(true);
    if (frame->startsIconized()) frame->Iconize(true);
    if (!openFile_.empty()) offerToImport(*frame, openFile_);

    exit_ = std::make_unique<OrderlyExit>([] {
        if (CMainFrame* f = mainFrame()) f->Close(true);
    });
    SetSignalHandler(SIGTERM, &CZorvelCalApp::onTerminate);
    Bind(wxEVT_QUERY_END_SESSION, [](wxCloseEvent& event) { event.Skip(); });
    Bind(wxEVT_END_SESSION, &CZorvelCalApp::onEndSession, this);
    return true;
}

void CZorvelCalApp::onTerminate(int) {
    // The toolkit turns the signal into an event, which may arrive inside a dialog's loop.
    if (auto* app = dynamic_cast<CZorvelCalApp*>(wxTheApp); app && app->exit_) app->exit_->request();
}

void CZorvelCalApp::onEndSession(wxCloseEvent&) {
    exit_->request();
}

int CZorvelCalApp::FilterEvent(wxEvent& event) {
    if (eventFilter()) {
        const int result = eventFilter()(event);
        if (result != Event_Skip) return result;
    }
    if (event.GetEventType() == wxEVT_ACTIVATE) {
        auto& activate = static_cast<wxActivateEvent&>(event);
        auto* window = dynamic_cast<wxTopLevelWindow*>(event.GetEventObject());
        if (activate.GetActive() && window && window != mainFrame()) CMainFrame::lastActivePopup() = window;
    }
    return Event_Skip;
}

int CZorvelCalApp::OnExit() {
    guard_.reset();
    return wxApp::OnExit();
}

} // namespace zc
