// The calendar's installation disk, end to end: scripts/make-install-disk.sh builds the disk, the
// installer's window runs its install.script with every "&Next >>" pressed as a user would, and
// the test then looks at what a user gets: the files in the chosen folder (the compressed ones
// expanded), the program group's desktop entries, and a calendar that starts.
#include "kz_message.h"
#include "t_form_main.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The keys of the [Desktop Entry] group, values as written (escapes kept).
std::map<std::string, std::string> ReadEntry(const fs::path& p) {
    std::map<std::string, std::string> keys;
    std::ifstream in(p);
    std::string line;
    while (std::getline(in, line)) {
        const auto at = line.find('=');
        if (at != std::string::npos && line[0] != '[') keys[line.substr(0, at)] = line.substr(at + 1);
    }
    return keys;
}

void Click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : Name(name) {
        if (const char* old = std::getenv(name)) Old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (Old)
            setenv(Name, Old->c_str(), 1);
        else
            unsetenv(Name);
    }

  private:
    const char* Name;
    std::optional<std::string> Old;
};

// Starts the program with the given store and tells whether it is still running after two
// seconds; it is then ended with SIGTERM. A program that cannot start or dies at once gives false.
bool StaysUp(const fs::path& program, const fs::path& store) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("ZORVELCAL_STORE", store.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child < 0) return false;
    bool alive = true;
    for (int waited = 0; waited < 20 && alive; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int status = 0;
        alive = waitpid(child, &status, WNOHANG) == 0;
    }
    if (alive) {
        kill(child, SIGTERM);
        // A program that ignores SIGTERM would leave the test waiting; it gets a second chance.
        int status = 0;
        for (int waited = 0; waited < 50 && waitpid(child, &status, WNOHANG) == 0; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (waitpid(child, &status, WNOHANG) == 0) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
        }
    }
    return alive;
}

} // namespace

TEST(FormMainCalendarInstall, InstallsTheCalendarFromItsDisk) {
    if (std::system("command -v mscompress >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "mscompress is not installed, so the installation disk cannot be made";

    static std::atomic<int> counter{0};
    const fs::path root = fs::temp_directory_path() / ("kz_calendar_install_" + std::to_string(getpid()) +
                                                       "_" + std::to_string(counter++));
    fs::remove_all(root);
    const fs::path disk = root / "disk", data = root / "data", target = root / "home" / "ZorvelCal";
    fs::create_directories(data);
    fs::create_directories(root / "config");

    // Without a built calendar a stand-in program goes on the disk, so the installation itself is
    // still tested; only the start of the installed calendar is then skipped.
    const fs::path calendar = fs::path(KZ_BUILD_DIR) / "calendar" / "zorvelcal";
    const bool haveCalendar = fs::exists(calendar);
    const fs::path standIn = root / "stand-in";
    std::ofstream(standIn) << "#!/bin/sh\nexit 0\n";
    fs::permissions(standIn, fs::perms::owner_all);
    const fs::path program = haveCalendar ? calendar : standIn;
    const fs::path installer = fs::path(KZ_BUILD_DIR) / "installer" / "kzinstall";
    const std::string make = "ZORVELCAL=" + ShellQuoted(program.string()) + " KZINSTALL=" +
                             ShellQuoted(fs::exists(installer) ? installer.string() : standIn.string()) +
                             " bash " + ShellQuoted(KZ_SOURCE_DIR "/scripts/make-install-disk.sh") + " " +
                             ShellQuoted(disk.string()) + " >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    ASSERT_TRUE(fs::exists(disk / "install.script"));
    ASSERT_TRUE(fs::exists(disk / "README.txt_"));
    // The compressed README on the disk is not the README itself.
    EXPECT_NE(ReadAll(disk / "README.txt_"), ReadAll(KZ_SOURCE_DIR "/README.md"));

    // The group's menu goes below the configuration home; the user's own stays untouched.
    const ScopedEnv dataHome("XDG_DATA_HOME", data.string());
    const ScopedEnv configHome("XDG_CONFIG_HOME", (root / "config").string());
    std::vector<std::string> messages;
    const TKzQuestions previous = KzSetQuestions({[&](const std::string& text) { messages.push_back(text); },
                                                  [](const std::string&) { return false; }});

    // The installer is started without arguments and finds install.script beside itself.
    auto* form = new TFormMain({}, disk.string() + "/");
    ASSERT_TRUE(form->ScriptFound);
    form->Script.SourceDir = disk.string() + "/";
    form->Show();

    // What the user saw at each wait: the caption label, the edit box and the Next button.
    struct Page {
        std::string label, edit, button;
        bool quitShown;
    };
    std::vector<Page> pages;
    bool openingSeen = false;
    wxTimer user;
    user.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (form->Script.WaitingForOpening) {
            openingSeen = true;
            EXPECT_NE(form->MemoTitle->GetValue().Find("Zorvel calendar"), wxNOT_FOUND);
            Click(form->FirstButton);
            return;
        }
        if (!form->Script.WaitingForNext) return;
        pages.push_back({form->Label1->IsShown() ? form->Label1->GetLabel().utf8_string() : "",
                         form->Edit1->IsShown() ? form->Edit1->GetValue().utf8_string() : "",
                         form->ButtonScript->GetLabel().utf8_string(), form->ButtonAbort->IsShown()});
        // The user types the installation folder over the proposed one.
        if (pages.back().label == "Install directory") form->Edit1->SetValue(target.string());
        Click(form->ButtonScript);
    });
    user.Start(100);
    form->RunInstallation();
    user.Stop();
    KzSetQuestions(previous);

    EXPECT_EQ(form->FinalStatus, 99);
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_TRUE(openingSeen);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].label, "Install directory");
    EXPECT_EQ(pages[0].edit, "/opt/ZorvelCal");
    EXPECT_EQ(pages[1].label, "Program group:");
    EXPECT_EQ(pages[1].edit, "Zorvel Calendar");
    EXPECT_EQ(pages[2].edit, "");
    EXPECT_EQ(pages[2].button, "Finish");
    EXPECT_FALSE(pages[2].quitShown);

    // The installed files: the program as it was built, the compressed ones expanded.
    const fs::path resources = KZ_SOURCE_DIR "/calendar/resources";
    const struct {
        const char* installed;
        fs::path original;
    } files[] = {
        {"zorvelcal", program},
        {"Start.wav", resources / "sounds" / "Start.wav"},
        {"Notify.wav", resources / "sounds" / "Notify.wav"},
        {"Pick.wav", resources / "sounds" / "Pick.wav"},
        {"zorvelcal.png", resources / "icons" / "zorvelcal-48.png"},
        {"README.txt", KZ_SOURCE_DIR "/README.md"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.installed);
        ASSERT_TRUE(fs::is_regular_file(target / file.installed));
        EXPECT_TRUE(ReadAll(target / file.installed) == ReadAll(file.original));
    }
    EXPECT_NE(fs::status(target / "zorvelcal").permissions() & fs::perms::owner_exec, fs::perms::none);

    // The program group: a submenu with the calendar and its README.
    EXPECT_TRUE(
        fs::exists(root / "config" / "menus" / "applications-merged" / "kzinstall-Zorvel Calendar.menu"));
    const fs::path group = data / "applications" / "Zorvel Calendar";
    const struct {
        const char* file;
        std::string exec;
    } entries[] = {
        {"Zorvel Calendar.desktop", "\"" + (target / "zorvelcal").string() + "\""},
        {"Zorvel Calendar README.desktop", "xdg-open \"" + (target / "README.txt").string() + "\""},
    };
    for (const auto& row : entries) {
        SCOPED_TRACE(row.file);
        ASSERT_TRUE(fs::exists(group / row.file));
        auto keys = ReadEntry(group / row.file);
        EXPECT_EQ(keys["Type"], "Application");
        EXPECT_EQ(keys["Exec"], row.exec);
        EXPECT_EQ(keys["Path"], target.string() + "/");
    }

    wxTheApp->ProcessIdle();
    if (!haveCalendar) {
        fs::remove_all(root);
        GTEST_SKIP() << calendar << " is not built, so the installed calendar was not started";
    }
    EXPECT_TRUE(StaysUp(target / "zorvelcal", root / "store.db"))
        << "the installed calendar did not keep running for two seconds";
    fs::remove_all(root);
}
