#include "app/command_line.h"

#include "app/about_dialog.h"
#include "app/instance_guard.h"
#include "app/open_file_argument.h"
#include "data/appointment_table.h"
#include "data/caldav_sync.h"
#include "data/ical_exchange.h"
#include "data/settings_catalogue.h"
#include "data/sqlite_store.h"
#include "platform/http_client.h"
#include "platform/secret_store.h"
#include "text/translatable.h"

#include <wx/cmdline.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zc {
namespace {

constexpr const char* kExportOption = "export-ics";
constexpr const char* kImportOption = "import-ics";
constexpr const char* kSyncSetupOption = "sync-setup";
constexpr const char* kSyncOption = "sync";
constexpr const char* kUserOption = "user";
constexpr const char* kCalendarOption = "calendar";
constexpr const char* kMassDeleteOption = "allow-mass-delete";

} // namespace

void describeOptions(wxCmdLineParser& parser) {
    parser.AddSwitch("", "no-splash", _("start without the splash screen"));
    parser.AddSwitch("", "version", _("show the version, then end"));
    // Handled before the toolkit starts (runExchangeOptions); listed here for --help.
    parser.AddOption("", kImportOption, _("import the appointments of an iCalendar file, then end"));
    parser.AddOption("", kExportOption, _("export every appointment and to-do item to an iCalendar file, then end"));
    parser.AddOption("", kSyncSetupOption, _("set up the calendar server at this address (with --user, --calendar; the password on standard input), then end"));
    parser.AddOption("", kUserOption, _("the user name on the calendar server"));
    parser.AddOption("", kCalendarOption, _("the calendar on the server, by name (else the first)"));
    parser.AddSwitch("", kSyncOption, _("synchronize once with the calendar server, then end"));
    parser.AddSwitch("", kMassDeleteOption, _("let a sync delete here what the server deleted, however much it is"));
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
        if (arg == std::string("--") + kImportOption || arg == std::string("--") + kExportOption ||
            arg == std::string("--") + kSyncSetupOption || arg == std::string("--") + kUserOption ||
            arg == std::string("--") + kCalendarOption) {
            ++i;
            continue;
        }
        help = help || arg == "-h" || arg == "--help";
        version = version || arg == "--version";
    }
    if (help) {
        wxCmdLineParser parser(argc, argv);
        // The switches the toolkit adds once it runs, so that both show the same help.
        parser.AddSwitch("h", "help", _("show this help message"), wxCMD_LINE_OPTION_HELP);
        parser.AddSwitch("", "verbose", _("generate verbose log messages"));
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
                    std::fprintf(stderr, "zorvelcal: %s\n",
                                 text::formatted(N_("%s needs a file name"), {flag}).c_str());
                    return 2;
                }
                file = argv[++i];
            } else if (arg.rfind(flag + "=", 0) == 0) {
                file = arg.substr(flag.size() + 1);
            } else {
                continue;
            }
            if (file.empty()) {
                std::fprintf(stderr, "zorvelcal: %s\n",
                             text::formatted(N_("%s needs a file name"), {flag}).c_str());
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
            return exchangeFailed(text::translated(N_(
                "Zorvel Calendar is running on this store; import from its File menu, or close it first.")));
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

namespace {

// The value of "--name VALUE" or "--name=VALUE"; false when the option is missing. A missing
// value leaves value empty.
bool optionValue(int argc, char** argv, const char* name, std::string& value) {
    const std::string flag = std::string("--") + name;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        if (arg == flag) {
            value = i + 1 < argc ? argv[i + 1] : "";
            return true;
        }
        if (arg.rfind(flag + "=", 0) == 0) {
            value = arg.substr(flag.size() + 1);
            return true;
        }
    }
    return false;
}

bool hasSwitch(int argc, char** argv, const char* name) {
    const std::string flag = std::string("--") + name;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--") break;
        if (flag == argv[i]) return true;
    }
    return false;
}

int syncSetup(const std::string& url, const std::string& user, const std::string& calendar) {
    std::string password;
    if (!std::getline(std::cin, password))
        return exchangeFailed(text::translated(N_("The password was not given on standard input.")));
    if (!password.empty() && password.back() == '\r') password.pop_back();
    const std::unique_ptr<platform::HttpClient> http = platform::makeHttpClient(syncHttpSettings(url, user, password));
    const dav::Discovery found = dav::CalDavClient::discover(*http, url, calendar);
    if (found.failure != dav::Failure::None) return exchangeFailed(found.message);
    if (const platform::SecretResult kept = platform::storePassword(url, user, password); !kept.ok)
        return exchangeFailed(
            text::formatted(N_("The password cannot be kept: %s. Nothing was set up."), {kept.error}));
    SyncAccount account;
    account.server = url;
    account.user = user;
    account.calendarUrl = found.calendarUrl;
    account.calendarName = found.calendarName;
    if (!saveSyncAccount(account)) return exchangeFailed(settingsStore().failures().lastMessage);
    std::printf(
        "%s\n",
        text::formatted(N_("Calendar \"%s\" at %s"), {found.calendarName, found.calendarUrl}).c_str());
    return 0;
}

int syncOnce(bool allowMassDelete) {
    const SyncAccount account = loadSyncAccount();
    if (account.empty())
        return exchangeFailed(text::translated(
            N_("No calendar server is set up; run zorvelcal --sync-setup URL --user NAME first.")));
    std::string why;
    const std::optional<std::string> password = platform::lookupPassword(account.server, account.user, why);
    if (!password)
        return exchangeFailed(
            why.empty()
                ? text::formatted(N_("No password is kept for %s at %s; run zorvelcal --sync-setup again."),
                                  {account.user, account.server})
                : text::formatted(N_("The password cannot be read: %s."), {why}));
    const std::unique_ptr<platform::HttpClient> http =
        platform::makeHttpClient(syncHttpSettings(account.calendarUrl, account.user, *password));
    SystemClock clock;
    NoTimers timers;
    SilentQuestions questions;
    AppointmentTable table(clock, timers, questions);
    table.loadAll();
    SyncOptions options;
    options.region = settings::loadRegionSettings();
    // The command line asks nobody: a mass deletion is refused, and named, unless allowed.
    bool massDelete = false;
    options.confirmMassDelete = [&](int, int) {
        massDelete = !allowMassDelete;
        return allowMassDelete;
    };
    const SyncResult result = synchronize(table, *http, account, options);
    if (!result.ok)
        return exchangeFailed(
            massDelete
                ? text::formatted(N_("%s Run zorvelcal --sync --allow-mass-delete to delete them here too."),
                                  {result.message})
                : result.message);
    std::printf("%s\n", result.summary().c_str());
    return 0;
}

} // namespace

std::optional<int> runSyncOptions(int argc, char** argv) {
    std::string url, user, calendar;
    const bool setup = optionValue(argc, argv, kSyncSetupOption, url);
    const bool sync = hasSwitch(argc, argv, kSyncOption);
    if (!setup && !sync) return std::nullopt;
    if (setup && (url.empty() || !optionValue(argc, argv, kUserOption, user) || user.empty())) {
        std::fprintf(stderr, "zorvelcal: %s\n",
                     text::translated(N_("--sync-setup needs an address and --user NAME")).c_str());
        return 2;
    }
    if (setup && optionValue(argc, argv, kCalendarOption, calendar) && calendar.empty()) {
        std::fprintf(stderr, "zorvelcal: %s\n", text::translated(N_("--calendar needs a name")).c_str());
        return 2;
    }
    const std::string storePath = SqliteStore::defaultPath();
    // The running calendar syncs by itself, and would not see what a sync beside it writes.
    InstanceGuard guard(storePath);
    if (guard.isAnotherRunning())
        return exchangeFailed(
            text::translated(N_("Zorvel Calendar is running on this store; it synchronizes by itself "
                                "(File > \"Synchronize Now\"), or close it first.")));
    try {
        setSettingsStore(std::make_unique<SqliteStore>(storePath));
    } catch (const StoreError& error) {
        return exchangeFailed(error.what());
    }
    int code = setup ? syncSetup(url, user, calendar) : 0;
    if (code == 0 && sync) code = syncOnce(hasSwitch(argc, argv, kMassDeleteOption));
    setSettingsStore(nullptr);
    std::fflush(stdout);
    return code;
}

} // namespace zc
