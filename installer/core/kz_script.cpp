#include "kz_script.h"

#include "core/kz_text.h"
#include "text/text_utils.h"
#include "text/translatable.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace {

// Runs an action when the scope is left, also by an exception: the waits use it to put back a
// button's click action and the pane filling to resume the pane's updates.
template <typename F> class ScopeExit {
  public:
    explicit ScopeExit(F action) : Action(std::move(action)) {}
    ~ScopeExit() { Action(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

  private:
    F Action;
};

const char* const NextCaption = N_("&Next >>");

} // namespace

int KzExitStatus(int runStatus, bool aborted, bool raisedError) {
    if (raisedError) return KzExitFailed;
    // Only the end of the script or the end command complete a run. A negative status is left by
    // a copy that the user gave up at the next-disk prompt, and 0 by a run that never ended.
    if (aborted || (runStatus != KzStatusEndOfScript && runStatus != KzStatusEndCommand)) return KzExitCancelled;
    return KzExitCompleted;
}

bool KzKeyAccepted(KzKeyFilter filter, int keyCode) {
    if (filter == KzKeyFilter::None) return true;
    if (keyCode == 8 || keyCode == ' ' || keyCode == '-' || keyCode == '_' || keyCode == '~') return true;
    if ((keyCode >= '0' && keyCode <= '9') || (keyCode >= 'A' && keyCode <= 'Z') ||
        (keyCode >= 'a' && keyCode <= 'z'))
        return true;
    // Only the directory filter takes a path separator, so a directory path can be typed
    // level by level while a group name stays one level.
    return filter == KzKeyFilter::Directory && keyCode == static_cast<unsigned char>(KzPathSeparator());
}

TKzScript::TKzScript() {
    Create();
}

void TKzScript::Create() {
    SourceDir = AddBackslash(AppDirectory());
    AppDir = SourceDir;
    InstallDir.clear();
    GroupName.clear();
    Title.clear();
    ErrorText.clear();
    Aborted = false;
    WaitingForNext = false;
    WaitingForOpening = false;
    NextIndex = 0;
    FieldSeparator = ',';
    Lines.clear();
    ShellLink.Create();

    // Each operation tells the installation record what it made; the record looks at the file
    // system before and after, so the operations themselves know nothing of it.
    Operations.MakeDirectoryPath = [this](const std::string& path) {
        const auto missing = Recorder ? TKzRecorder::MissingFolders(path) : std::vector<std::string>();
        const KzStatus result = MakeDirectoryPath(path);
        if (Recorder && KzIsDirectory(path)) {
            Recorder->FoldersMade(missing);
            Recorder->Area(path);
        }
        return result;
    };
    Operations.CopyExpandFile = [this](const std::string& source, const std::string& destination) {
        const bool existed = Recorder && KzExists(destination);
        // The record's checksum is taken from the bytes as they are written, which costs far less
        // than reading the installed file back.
        KzChecksum sum;
        KzWriteObserver observer;
        if (Recorder) observer = [&sum](const std::uint8_t* data, std::size_t size) { sum.Update(data, size); };
        const KzStatus result = CopyExpandFile(source, destination, observer);
        if (result.status == KzStatusOk) {
            Note("Copied " + source + " to " + destination);
            if (Recorder) Recorder->FileWritten(destination, existed, KzFileSum{sum.Size(), sum.Digest()});
        } else {
            Note(text::trimmed(result.text), false);
        }
        return result;
    };
    Operations.CreateGroupFolder = [this](const std::string& name) {
        std::vector<std::string> missing;
        std::vector<bool> menusExisted;
        const std::string folder = KzGroupFolder(name);
        const auto menus = KzGroupMenuFiles(name);
        std::string entry;
        if (Recorder && !folder.empty()) {
            missing = TKzRecorder::MissingFolders(folder);
            for (const std::string& menu : menus) {
                const auto more = TKzRecorder::MissingFolders(menu.substr(0, menu.rfind('/')));
                missing.insert(missing.end(), more.begin(), more.end());
                menusExisted.push_back(KzExists(menu));
            }
            // The entry that uninstalls goes into the group before its menu is written, so the
            // menu lists it from the start. The folder is made as the group's own operation makes
            // it, one level below "Programs", which that operation then finds in place.
            GetShellFolder("Programs");
            MakeDirectory(folder);
            if (KzIsDirectory(folder)) entry = KzWriteUninstallEntry(folder, ProductName());
        }
        CreateGroupFolder(name);
        Note("Created program group " + name);
        if (!Recorder || folder.empty()) return;
        Recorder->Group(name);
        Recorder->FoldersMade(missing);
        Recorder->Area(folder);
        for (const std::string& menu : menus)
            Recorder->Area(menu.substr(0, menu.rfind('/')));
        if (!entry.empty()) Recorder->FileWritten(entry, false);
        for (std::size_t i = 0; i < menus.size(); ++i)
            Recorder->MenuWritten(menus[i], menusExisted[i]);
    };
    Operations.IsValidGroupName = [](const std::string& name) { return IsValidGroupName(name); };
    Operations.CreateShortcutFromLine = [this](const std::string& line, const std::string& installDir,
                                               const std::string& group) {
        const std::string folder = KzGroupFolder(group);
        const auto before = Recorder ? KzListFiles(folder, ".desktop") : std::vector<std::string>();
        ShellLink.CreateShortcutFromLine(line, installDir, group);
        Note("Wrote program item " + ShellLink.LinkFile);
        if (!Recorder) return;
        const std::string name = ShellLink.LinkFile.substr(ShellLink.LinkFile.rfind('/') + 1);
        Recorder->FileWritten(ShellLink.LinkFile, std::find(before.begin(), before.end(), name) != before.end());
        for (const std::string& menu : KzGroupMenuFiles(group))
            Recorder->MenuWritten(menu, true);
    };
    Operations.RefreshGroupFolder = [this] { ShellLink.RefreshGroupFolder(); };
}

void TKzScript::BindControls(TKzWindow* window) {
    Window = window;
    if (Window) Window->SetEnabled(KzControl::ButtonEdit, false);
}

int TKzScript::LoadScript(const std::string& fileName, std::string& errorText) {
    errorText.clear();
    std::string text;
    if (const int error = KzReadWholeFile(fileName, text, KzMaxScriptSize)) {
        errorText = error == EFBIG
                        ? text::translated(N_("The file is too large to be an installation script."))
                        : KzErrorText(error);
        return -1;
    }
    LoadScriptText(text);
    return 0;
}

void TKzScript::LoadScriptText(const std::string& text) {
    NextIndex = 0;
    Lines.clear();
    std::size_t begin = 0;
    // Editors on Windows often put a byte order mark in front of a UTF-8 file.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) begin = 3;
    // Lines end with CR LF, LF or a lone CR; the last line is kept with or without an ending.
    while (begin <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos) end = text.size();
        std::string line = text::trimmed(text.substr(begin, end - begin));
        // A NUL inside a line would cut the text short in the window's controls.
        for (char& c : line)
            if (c == '\0') c = ' ';
        Lines.push_back(text::utf8OrLatin1(line));
        if (end == text.size()) break;
        begin = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        if (begin == text.size()) break;
    }
}

int TKzScript::Run() {
    if (!Window) throw std::logic_error("The installation script has no window to work on.");
    int status = KzStatusOk;
    std::string line;
    do {
        ExecuteCommand(line, status);
    } while (status == KzStatusOk && !Aborted);
    return status;
}

void TKzScript::Abort() {
    WaitingForNext = false;
    WaitingForOpening = false;
    Aborted = true;
}

void TKzScript::ReadNextLine(std::string& line, bool& isCommand, int& status) {
    status = -1;
    isCommand = false;
    line.clear();
    do {
        if (NextIndex < Lines.size()) {
            line = Lines[NextIndex++];
            status = KzStatusOk;
        } else {
            status = KzStatusEndOfScript;
        }
    } while (line.empty() && status == KzStatusOk);
    if (status == KzStatusOk && line.size() >= 2 && line.front() == '<' && line.back() == '>') {
        line = line.substr(1, line.size() - 2);
        isCommand = true;
    }
}

void TKzScript::ExecuteCommand(std::string& line, int& status) {
    const std::string command = text::trimmed(KzLowerAscii(line));
    if (!command.empty()) Note("<" + command + ">", false);
    bool endOfBlock = false;
    status = KzStatusOk;
    const auto contains = [&](const char* text) { return command.find(text) != std::string::npos; };
    // One parameter line, when the next line is one.
    const auto readParameter = [&]() {
        ReadNextLine(line, endOfBlock, status);
        return !endOfBlock && status == KzStatusOk;
    };
    const auto show = [&](KzControl control, bool visible) { Window->SetVisible(control, visible); };

    if (command == "set message") {
        FillPane(KzControl::Memo1, line, endOfBlock, status);
    } else if (command == "wait message") {
        FillPane(KzControl::Memo1, line, endOfBlock, status);
        if (status == KzStatusOk) WaitForNext(text::translated(NextCaption));
    } else if (command == "wait openingtext") {
        WaitOpeningText(line, endOfBlock, status);
    } else if (command == "wait button") {
        WaitForNext(readParameter() ? line : std::string());
    } else if (contains("create directory")) {
        CreateDirectory(command, line, endOfBlock, status);
    } else if (contains("create program group")) {
        CreateProgramGroup(command, line, endOfBlock, status);
    } else if (contains("create program items")) {
        CreateProgramItems(line, endOfBlock, status);
    } else if (contains("copy files")) {
        CopyFiles(line, endOfBlock, status);
    } else if (command == "run") {
        RunPrograms(line, endOfBlock, status);
    } else if (command == "set label") {
        if (readParameter()) Window->SetText(KzControl::Label1, line), show(KzControl::Label1, true);
    } else if (command == "set title") {
        if (readParameter()) Title = line, Window->SetText(KzControl::LabelTitle, line), show(KzControl::LabelTitle, true);
    } else if (command == "set editbox") {
        Window->SetKeyFilter(KzKeyFilter::None);
        if (readParameter()) {
            Window->SetText(KzControl::Edit1, line);
            show(KzControl::Edit1, true);
            Window->SetReadOnly(KzControl::Edit1, false);
            show(KzControl::ButtonEdit, true);
        }
    } else if (command == "readonly editbox") {
        if (readParameter())
            Window->SetReadOnly(KzControl::Edit1, text::trimmed(KzLowerAscii(line)) == "true");
    } else if (command == "hide editbox") {
        show(KzControl::Edit1, false);
        show(KzControl::ButtonEdit, false);
        Window->ProcessMessages();
    } else if (command == "hide label") {
        show(KzControl::Label1, false);
        Window->ProcessMessages();
    } else if (command == "hide title") {
        show(KzControl::LabelTitle, false);
        Window->ProcessMessages();
    } else if (command == "hide quitbutton") {
        show(KzControl::ButtonAbort, false);
    } else if (command == "hide button") {
        show(KzControl::ButtonScript, false);
        Window->ProcessMessages();
    } else if (command == "show quitbutton") {
        show(KzControl::ButtonAbort, true);
    } else if (command == "sleep") {
        SleepCommand(line, endOfBlock, status);
    } else if (command == "end") {
        status = KzStatusEndCommand;
    }
    // Whatever parameter lines the command did not use are skipped up to the next command line.
    while (!endOfBlock && status == KzStatusOk)
        ReadNextLine(line, endOfBlock, status);
}

void TKzScript::FillPane(KzControl pane, std::string& line, bool& endOfBlock, int& status) {
    {
        Window->BeginPaneUpdate(pane);
        const ScopeExit resume([&] { Window->EndPaneUpdate(pane); });
        Window->ClearPane(pane);
        ReadNextLine(line, endOfBlock, status);
        while (!endOfBlock && status == KzStatusOk) {
            Window->AppendLine(pane, KzLowerAscii(line) == "#emptyline" ? std::string(" ") : line);
            ReadNextLine(line, endOfBlock, status);
        }
        Window->ScrollToTop(pane);
    }
    Window->ProcessMessages();
}

void TKzScript::WaitForNext(const std::string& caption) {
    if (!caption.empty()) Window->SetText(KzControl::ButtonScript, caption);
    Window->SetVisible(KzControl::ButtonScript, true);
    Window->SetEnabled(KzControl::ButtonScript, true);
    // The button the run waits for has the keyboard, so Return continues.
    Window->SetFocus(KzControl::ButtonScript);
    Window->ProcessMessages();
    // After Quit nobody is going to click any more: a wait that starts then ends at once.
    if (Aborted) return;
    WaitingForNext = true;
    TKzClickHandler previous =
        Window->SetClickHandler(KzControl::ButtonScript, [this] { WaitingForNext = false; });
    const ScopeExit restore([&] { Window->SetClickHandler(KzControl::ButtonScript, previous); });
    do {
        Window->Sleep(100);
        Window->ProcessMessages();
    } while (WaitingForNext);
}

void TKzScript::WaitOpeningText(std::string& line, bool& endOfBlock, int& status) {
    FillPane(KzControl::MemoTitle, line, endOfBlock, status);
    if (Aborted) return;
    WaitingForOpening = true;
    TKzClickHandler previous =
        Window->SetClickHandler(KzControl::FirstButton, [this] { WaitingForOpening = false; });
    {
        const ScopeExit restore([&] { Window->SetClickHandler(KzControl::FirstButton, previous); });
        while (WaitingForOpening) {
            Window->Sleep(100);
            Window->ProcessMessages();
        }
    }
    // The button's own action switches from the opening page to the install page.
    if (previous) previous();
}

void TKzScript::CreateDirectory(const std::string& command, std::string& line, bool& endOfBlock,
                                int& status) {
    ReadNextLine(line, endOfBlock, status);
    if (endOfBlock || status != KzStatusOk) return;
    // The folder is an absolute path from here on: a relative one is taken below the root, where
    // it is also created, and "~" is the home folder.
    const std::string proposed = NativePath(InstallDirOverride.empty() ? line : InstallDirOverride);
    InstallDirOverride.clear();
    bool ask = command.find("-noask") == std::string::npos;
    if (!ask) InstallDir = AddBackslash(proposed);
    for (;;) {
        if (ask) {
            Window->SetText(KzControl::Label1, text::translated(N_("Install directory")));
            Window->SetVisible(KzControl::Label1, true);
            Window->SetText(KzControl::Edit1, proposed);
            Window->SetVisible(KzControl::Edit1, true);
            Window->SetReadOnly(KzControl::Edit1, false);
            Window->SetVisible(KzControl::ButtonEdit, true);
            Window->SetKeyFilter(KzKeyFilter::Directory);
            Window->SetEnabled(KzControl::ButtonEdit, true);
            Window->SetClickHandler(KzControl::ButtonEdit, [this] {
                std::string directory = KzRootDirectory();
                if (Window->SelectDirectory(directory)) Window->SetText(KzControl::Edit1, directory);
            });
            {
                const ScopeExit release([&] {
                    Window->SetEnabled(KzControl::ButtonEdit, false);
                    Window->SetClickHandler(KzControl::ButtonEdit, {});
                });
                WaitForNext(text::translated(NextCaption));
            }
            if (Aborted) return;
            InstallDir = AddBackslash(NativePath(Window->GetText(KzControl::Edit1)));
        }
        ask = true;
        // An empty edit box would otherwise make the current directory the installation
        // directory without anybody having chosen it.
        const KzStatus result = text::trimmed(InstallDir).empty()
                                    ? KzStatus{-2, text::formatted(N_("Unable to create directory %s"), {""})}
                                    : Operations.MakeDirectoryPath(InstallDir);
        status = result.status == -3 ? KzStatusOk : result.status;
        ErrorText = result.text;
        if (status == KzStatusOk) return;
        if (!Window->CanAsk()) throw KzError(KzFormatted(N_("Unable to create directory\n%s"), {InstallDir}));
        Window->ShowMessage(
            KzFormatted(N_("Unable to create directory\n%s\n\nspecify another directory."), {InstallDir}));
    }
}

void TKzScript::CreateProgramGroup(const std::string& command, std::string& line, bool& endOfBlock,
                                   int& status) {
    ReadNextLine(line, endOfBlock, status);
    if (endOfBlock || status != KzStatusOk) return;
    // The name is trimmed once, here where it enters, and that one name is used for the folder,
    // the menu and every shortcut.
    if (command.find("-noask") != std::string::npos) {
        GroupName = text::trimmed(line);
        Operations.CreateGroupFolder(GroupName);
        return;
    }
    Window->SetText(KzControl::Label1, text::translated(N_("Program group:")));
    Window->SetVisible(KzControl::Label1, true);
    Window->SetText(KzControl::Edit1, line);
    Window->SetVisible(KzControl::Edit1, true);
    Window->SetReadOnly(KzControl::Edit1, false);
    Window->SetVisible(KzControl::ButtonEdit, true);
    Window->SetKeyFilter(KzKeyFilter::GroupName);
    Window->SetEnabled(KzControl::ButtonEdit, true);
    Window->SetClickHandler(KzControl::ButtonEdit, [this] {
        const std::string group = Window->SelectProgramGroup();
        if (!text::trimmed(group).empty()) {
            Window->SetText(KzControl::Edit1, group);
            Window->ProcessMessages();
            Window->Sleep(100);
        }
    });
    {
        const ScopeExit release([&] {
            Window->SetClickHandler(KzControl::ButtonEdit, {});
            Window->SetEnabled(KzControl::ButtonEdit, false);
        });
        WaitForNext(text::translated(NextCaption));
    }
    while (!Aborted && !Operations.IsValidGroupName(text::trimmed(Window->GetText(KzControl::Edit1)))) {
        if (!Window->CanAsk())
            throw KzError(
                KzFormatted(N_("Invalid program group name: \n%s"), {Window->GetText(KzControl::Edit1)}));
        Window->ShowMessage(
            KzFormatted(N_("Invalid program group name: \n%s\nspecify another program group name."),
                        {Window->GetText(KzControl::Edit1)}));
        WaitForNext(text::translated(NextCaption));
    }
    if (Aborted) return;
    GroupName = text::trimmed(Window->GetText(KzControl::Edit1));
    Operations.CreateGroupFolder(GroupName);
}

void TKzScript::CreateProgramItems(std::string& line, bool& endOfBlock, int& status) {
    Window->SetBusyCursor(true);
    const ScopeExit normal([&] { Window->SetBusyCursor(false); });
    if (GroupName.empty()) return;
    bool created = false;
    ReadNextLine(line, endOfBlock, status);
    while (!endOfBlock && status == KzStatusOk) {
        // A line that describes no shortcut is the script's fault, not the installation's: the
        // user learns which line was skipped, and the other items are still made.
        try {
            Operations.CreateShortcutFromLine(text::trimmed(line), InstallDir, GroupName);
            created = true;
        } catch (const KzItemError& error) {
            Window->ShowMessage(KzFormatted(
                N_("%s\n\nThis program item is skipped; the installation goes on."), {error.what()}));
        }
        ReadNextLine(line, endOfBlock, status);
    }
    // A block without lines has written no shortcut, so there is no group folder to refresh.
    if (created) Operations.RefreshGroupFolder();
}

void TKzScript::CopyFiles(std::string& line, bool& endOfBlock, int& status) {
    const ScopeExit normal([&] { Window->SetBusyCursor(false); });
    ReadNextLine(line, endOfBlock, status);
    bool cancelled = false;
    while (!endOfBlock && status == KzStatusOk && !cancelled) {
        const std::string neededFile = GetField(1, line, FieldSeparator);
        std::string source = NativePath(neededFile, SourceDir);
        const std::string destination = NativePath(GetField(2, line, FieldSeparator), InstallDir);
        do {
            Window->SetBusyCursor(true);
            Window->ProcessMessages();
            const KzStatus result = Operations.CopyExpandFile(source, destination);
            status = result.status;
            ErrorText = result.text;
            if (status == KzStatusOk) {
                // The next line ends this repetition whatever it is: a pair, a command or the end.
                ReadNextLine(line, endOfBlock, status);
                break;
            }
            // Nobody is there to insert the next disk or to point at another place.
            if (!Window->CanAsk())
                throw KzError(KzFormatted(
                    N_("%s\nNobody can insert the next disk, so the installation stops here."), {ErrorText}));
            std::string location = SourceDir;
            if (!Window->AskNextDisk(location, neededFile)) {
                Window->SetBusyCursor(false);
                cancelled = true;
            } else {
                SourceDir = location;
                source = NativePath(neededFile, SourceDir);
                Window->SetBusyCursor(false);
                if (Window->IsVisible(KzControl::ButtonScript)) WaitForNext(text::translated(NextCaption));
            }
            Window->ProcessMessages();
        } while (!cancelled && status != KzStatusOk);
    }
}

void TKzScript::RunPrograms(std::string& line, bool& endOfBlock, int& status) {
    ReadNextLine(line, endOfBlock, status);
    while (!endOfBlock && status == KzStatusOk) {
        // Programs are looked for beside the installer. The argument vector is built here rather
        // than by a shell's rules, so "\" in a path and an apostrophe in a folder name mean nothing
        // special.
        const std::vector<std::string> arguments = KzProgramArguments(line, AppDir);
        if (!arguments.empty()) {
            Note("Started " + arguments.front());
            Window->StartProgram(arguments);
        }
        ReadNextLine(line, endOfBlock, status);
    }
}

void TKzScript::SleepCommand(std::string& line, bool& endOfBlock, int& status) {
    ReadNextLine(line, endOfBlock, status);
    if (endOfBlock || status != KzStatusOk) return;
    long long milliseconds = 0;
    if (!KzParseNumber(text::trimmed(line), milliseconds)) return;
    long long elapsed = 0;
    // At most 200 steps of 100 ms; Quit ends the pause early like it ends a wait.
    for (int step = 0; step < 200 && elapsed < milliseconds && !Aborted; ++step) {
        Window->ProcessMessages();
        Window->Sleep(100);
        elapsed += 100;
    }
}

std::string TKzScript::ProductName() const {
    if (!text::trimmed(Title).empty()) return text::trimmed(Title);
    std::string folder = InstallDir;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    if (const std::string name = folder.substr(folder.find_last_of("/\\") + 1); !text::trimmed(name).empty())
        return name;
    return GroupName;
}

void TKzScript::Note(const std::string& text, bool action) const {
    if (Log) Log(text, action);
}
