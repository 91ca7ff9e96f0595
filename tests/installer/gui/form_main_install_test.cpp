// A whole installation through the main window: the installation directory chosen with
// "&More...", files copied from two disks with the next-disk prompt between them, a program group
// with a shortcut. The dialogs are answered through the toolkit's modal dialog hook.
#include "kz_message.h"
#include "t_form_dialog_next_disk.h"
#include "t_form_dir_box.h"
#include "t_form_main.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/testing.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

namespace fs = std::filesystem;

namespace {

// Answers a modal dialog of type T by running an action on it and returning a result.
template <class T> class ExpectDialog : public wxExpectModalBase<T, ExpectDialog<T>> {
  public:
    ExpectDialog(std::function<void(T*)> action, int result) : Action(std::move(action)), Result(result) {}

  protected:
    int OnInvoked(T* dialog) const override {
        Action(dialog);
        return Result;
    }

  private:
    std::function<void(T*)> Action;
    int Result;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

} // namespace

TEST(FormMainInstall, CopiesFromTwoDisksAndCreatesTheGroup) {
    // The process id keeps two runs at the same time out of each other's folders.
    const fs::path root = fs::temp_directory_path() / ("kz_form_main_install_" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path disk1 = root / "disk1", disk2 = root / "disk2", target = root / "target" / "app";
    const fs::path data = root / "data";
    fs::create_directories(disk1);
    fs::create_directories(disk2);
    fs::create_directories(data);
    std::ofstream(disk1 / "readme.txt") << "read me";
    std::ofstream(disk2 / "second.txt") << "from disk 2";
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const std::string savedData = oldData ? oldData : "";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    // The group's menu file goes below the configuration home, which must not be the user's.
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string savedConfig = oldConfig ? oldConfig : "";
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    std::vector<std::string> messages;
    const TKzQuestions previous =
        KzSetQuestions({[&](const std::string& text) { messages.push_back(text); }, {}});

    const fs::path scriptFile = root / "install.script";
    std::ofstream(scriptFile) << "<create directory>\n/proposed\n<copy files>\nreadme.txt,readme.txt\n"
                                 "second.txt,docs.txt\n<create program group -NoAsk>\nZorvel Test\n"
                                 "<create program items>\n\"readme.txt\", Read Me\n<end>\n";
    auto* form = new TFormMain({scriptFile.string()}, root.string() + "/");
    form->Script.SourceDir = disk1.string() + "/";

    // The user presses "&More...", picks the directory in the dialog, then "&Next >>".
    wxTimer user;
    int step = 0;
    user.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (!form->Script.WaitingForNext) return;
        if (step++ == 0) {
            EXPECT_EQ(form->Edit1->GetValue(), "/proposed");
            EXPECT_TRUE(form->ButtonEdit->IsEnabled());
            Click(form->ButtonEdit);
            EXPECT_EQ(form->Edit1->GetValue(), target.string() + "/");
        }
        Click(form->ButtonScript);
    });
    user.Start(100);
    std::string neededFile;
    wxTEST_DIALOG(form->RunInstallation(),
                  ExpectDialog<TFormDirBox>(
                      [&](TFormDirBox* box) {
                          EXPECT_TRUE(box->AllowCreate);
                          box->Directory = target.string() + "/";
                      },
                      wxID_OK),
                  ExpectDialog<TFormDialogNextDisk>(
                      [&](TFormDialogNextDisk* prompt) {
                          neededFile = prompt->NeededFile;
                          EXPECT_EQ(prompt->Location, disk1.string() + "/");
                          prompt->Location = disk2.string() + "/";
                      },
                      wxID_OK));
    user.Stop();

    EXPECT_EQ(form->FinalStatus, 99);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(neededFile, "second.txt");
    EXPECT_EQ(ReadAll(target / "readme.txt"), "read me");
    EXPECT_EQ(ReadAll(target / "docs.txt"), "from disk 2");
    const fs::path entry = data / "applications" / "Zorvel Test" / "Read Me.desktop";
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_NE(ReadAll(entry).find((target / "readme.txt").string()), std::string::npos);

    wxTheApp->ProcessIdle();
    KzSetQuestions(previous);
    if (oldData)
        setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    if (oldConfig)
        setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(root);
}
