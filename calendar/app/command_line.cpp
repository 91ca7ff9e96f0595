#include "app/command_line.h"

#include "app/about_dialog.h"
#include "app/instance_guard.h"
#include "app/open_file_argument.h"
#include "data/appointment_table.h"
#include "data/ical_exchange.h"
#include "data/settings_catalogue.h"
#include "data/sqlite_store.h"

#include <wx/cmdline.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zc {
namespace {

constexpr const char* kExportOption = "export-ics";
constexpr const char* kImportOption = "import-ics";

} // namespace

void describeOptions(wxCmdLineParser& parser) {
    parser.AddSwitch("", "no-splash", "start without the splash screen");
    parser.AddSwitch("", "version", "show the version, then end");
    // Handled before the toolkit starts (runExchangeOptions); listed here for --help.
    parser.AddOption("", kImportOption, "import the appointments of an iCalendar file, then end");
    parser.AddOption("", kExportOption, "export every appointment and to-do item to an iCalendar file, then end");
    addOpenFileParameter(parser);
}

namespace {

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
                const IcsImportResult result = importIcs(table, file, settings::loadRegionSettings());
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

} // namespace zc
