// Fuzz target for the installation script interpreter: any bytes are loaded as a script and run
// to their end against a window that answers every wait at once and never really sleeps. The
// file and shortcut operations are replaced by stand-ins that never touch the file system, and
// a user who keeps answering the same way is made to press Quit after a while, as the asking
// loops of the directory and group commands only end by a valid answer or by Quit.
#include "../installer/script_fake_window.h"
#include "text/text_utils.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class FuzzWindow : public FakeWindow {
  public:
    using FakeWindow::FakeWindow;
    int Waits = 0;
    bool InEdit = false;
    void Sleep(int milliseconds) override {
        if (Script->WaitingForNext || Script->WaitingForOpening) {
            if (++Waits > 64) {
                Script->Abort();
                return;
            }
            // Every other wait, the user first tries the "&More..." button beside the edit box.
            if (Script->WaitingForNext && Waits % 2 && !InEdit) {
                InEdit = true;
                Click(KzControl::ButtonEdit);
                InEdit = false;
            }
        }
        FakeWindow::Sleep(milliseconds);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TKzScript script;
    FuzzWindow window(&script);
    script.BindControls(&window);
    script.Operations.MakeDirectoryPath = [](const std::string& path) {
        return path.size() % 3 == 0 ? KzStatus{-2, "Unable to create directory " + path} : KzStatus{};
    };
    script.Operations.CopyExpandFile = [](const std::string& source, const std::string&) {
        return source.find("missing") != std::string::npos
                   ? KzStatus{-1, "Can not copy file from:\r" + source}
                   : KzStatus{};
    };
    script.Operations.CreateGroupFolder = [](const std::string& name) {
        if (name.find("fail") != std::string::npos) throw KzError("\"Programs\" item not found in registry");
    };
    script.Operations.CreateShortcutFromLine = [](const std::string& line, const std::string&,
                                                  const std::string&) {
        if (line.find("fail") != std::string::npos) throw KzError("cannot write the shortcut");
        if (line.find('"') == std::string::npos) throw KzItemError("Invalid program item: \r" + line);
    };
    script.Operations.RefreshGroupFolder = [] {};
    // Answers of the dialogs, so the "&More..." buttons and the next-disk prompt are reached too.
    window.DirectoryAnswer = {true, "/chosen/"};
    window.GroupAnswer = text.size() % 2 ? "Chosen Group" : "<selected not found>";
    window.NextDiskAnswers = {{true, "/disk2/"}, {true, ""}};
    script.LoadScriptText(text);
    try {
        const int status = script.Run();
        if (status == 0 && !script.Aborted) __builtin_trap(); // a run ends only with a reason
    } catch (const KzError& error) {
        // A line that describes no program item never ends the run.
        if (dynamic_cast<const KzItemError*>(&error)) __builtin_trap();
    }
    // Folders are absolute from where they enter, and a group name is trimmed once.
    if (!script.InstallDir.empty() && script.InstallDir[0] != '/') __builtin_trap();
    if (script.GroupName != text::trimmed(script.GroupName)) __builtin_trap();
    return 0;
}
