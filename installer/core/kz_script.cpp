#include "kz_script.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
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

const char* const NextCaption = "&Next >>";

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the bytes there are not one
// (overlong forms, surrogates and code points beyond U+10FFFF included).
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t length;
    unsigned int min;
    unsigned int code;
    if ((c & 0xE0) == 0xC0) {
        length = 2, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, code = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

std::string RootDirectory() {
#ifdef _WIN32
    return "c:\\";
#else
    return std::string(1, KzPathSeparator());
#endif
}

} // namespace

std::string KzTrimScriptLine(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return text.substr(begin, end - begin);
}

std::string KzLowerAscii(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool KzParseNumber(const std::string& text, long long& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16, ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16, i += 2;
    }
    if (i >= text.size()) return false;
    // Accumulate as a negative number so that the smallest value still fits.
    constexpr long long lowest = std::numeric_limits<long long>::min();
    long long result = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (base == 10 && c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && IsHexDigit(c))
            digit = HexValue(c);
        else
            return false;
        if (result < (lowest + digit) / base) return false;
        result = result * base - digit;
    }
    if (!negative) {
        if (result == lowest) return false;
        result = -result;
    }
    value = result;
    return true;
}

std::string KzToUtf8(const std::string& bytes) {
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            valid = false;
            break;
        }
        i += length;
    }
    if (valid) return bytes;
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
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
    ErrorText.clear();
    Aborted = false;
    WaitingForNext = false;
    WaitingForOpening = false;
    NextIndex = 0;
    FieldSeparator = ',';
    Lines.clear();
    ShellLink.Create();

    Operations.MakeDirectoryPath = [](const std::string& path) { return MakeDirectoryPath(path); };
    Operations.CopyExpandFile = [](const std::string& source, const std::string& destination) {
        return CopyExpandFile(source, destination);
    };
    Operations.CreateGroupFolder = [](const std::string& name) { CreateGroupFolder(name); };
    Operations.IsValidGroupName = [](const std::string& name) { return IsValidGroupName(name); };
    Operations.CreateShortcutFromLine = [this](const std::string& line, const std::string& installDir,
                                               const std::string& group) {
        ShellLink.CreateShortcutFromLine(line, installDir, group);
    };
    Operations.RefreshGroupFolder = [this] { ShellLink.RefreshGroupFolder(); };
}

void TKzScript::BindControls(TKzWindow* window) {
    Window = window;
    if (Window) Window->SetEnabled(KzControl::ButtonEdit, false);
}

int TKzScript::LoadScript(const std::string& fileName, std::string& errorText) {
    errorText.clear();
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (!file) {
        errorText = std::strerror(errno);
        return -1;
    }
    const ScopeExit closer([file] { std::fclose(file); });
    std::string text;
    char buffer[65536];
    for (;;) {
        const std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
        if (count > 0) {
            if (text.size() + count > KzMaxScriptSize) {
                errorText = "The file is too large to be an installation script.";
                return -1;
            }
            text.append(buffer, count);
        }
        if (count < sizeof buffer) break;
    }
    if (std::ferror(file)) {
        errorText = std::strerror(errno);
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
        std::string line = KzTrimScriptLine(text.substr(begin, end - begin));
        // A NUL inside a line would cut the text short in the window's controls.
        for (char& c : line)
            if (c == '\0') c = ' ';
        Lines.push_back(KzToUtf8(line));
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
    const std::string command = KzTrimScriptLine(KzLowerAscii(line));
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
        if (status == KzStatusOk) WaitForNext(NextCaption);
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
        if (readParameter()) Window->SetText(KzControl::LabelTitle, line), show(KzControl::LabelTitle, true);
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
            Window->SetReadOnly(KzControl::Edit1, KzTrimScriptLine(KzLowerAscii(line)) == "true");
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
    const std::string proposed = NativePath(line);
    bool ask = command.find("-noask") == std::string::npos;
    if (!ask) InstallDir = AddBackslash(proposed);
    for (;;) {
        if (ask) {
            Window->SetText(KzControl::Label1, "Install directory");
            Window->SetVisible(KzControl::Label1, true);
            Window->SetText(KzControl::Edit1, proposed);
            Window->SetVisible(KzControl::Edit1, true);
            Window->SetReadOnly(KzControl::Edit1, false);
            Window->SetVisible(KzControl::ButtonEdit, true);
            Window->SetKeyFilter(KzKeyFilter::Directory);
            Window->SetEnabled(KzControl::ButtonEdit, true);
            Window->SetClickHandler(KzControl::ButtonEdit, [this] {
                std::string directory = RootDirectory();
                if (Window->SelectDirectory(directory)) Window->SetText(KzControl::Edit1, directory);
            });
            {
                const ScopeExit release([&] {
                    Window->SetEnabled(KzControl::ButtonEdit, false);
                    Window->SetClickHandler(KzControl::ButtonEdit, {});
                });
                WaitForNext(NextCaption);
            }
            if (Aborted) return;
            InstallDir = AddBackslash(NativePath(Window->GetText(KzControl::Edit1)));
        }
        ask = true;
        // An empty edit box would otherwise make the current directory the installation
        // directory without anybody having chosen it.
        const KzStatus result = KzTrimScriptLine(InstallDir).empty()
                                    ? KzStatus{-2, "Unable to create directory "}
                                    : Operations.MakeDirectoryPath(InstallDir);
        status = result.status == -3 ? KzStatusOk : result.status;
        ErrorText = result.text;
        if (status == KzStatusOk) return;
        Window->ShowMessage("Unable to create directory\r" + InstallDir + "\r" + "\r" +
                            "specify another directory.");
    }
}

void TKzScript::CreateProgramGroup(const std::string& command, std::string& line, bool& endOfBlock,
                                   int& status) {
    ReadNextLine(line, endOfBlock, status);
    if (endOfBlock || status != KzStatusOk) return;
    if (command.find("-noask") != std::string::npos) {
        GroupName = line;
        Operations.CreateGroupFolder(GroupName);
        return;
    }
    Window->SetText(KzControl::Label1, "Program group:");
    Window->SetVisible(KzControl::Label1, true);
    Window->SetText(KzControl::Edit1, line);
    Window->SetVisible(KzControl::Edit1, true);
    Window->SetReadOnly(KzControl::Edit1, false);
    Window->SetVisible(KzControl::ButtonEdit, true);
    Window->SetKeyFilter(KzKeyFilter::GroupName);
    Window->SetEnabled(KzControl::ButtonEdit, true);
    Window->SetClickHandler(KzControl::ButtonEdit, [this] {
        const std::string group = Window->SelectProgramGroup();
        if (!KzTrimScriptLine(group).empty()) {
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
        WaitForNext(NextCaption);
    }
    while (!Aborted && !Operations.IsValidGroupName(Window->GetText(KzControl::Edit1))) {
        Window->ShowMessage("Invalid program group name: \r" + Window->GetText(KzControl::Edit1) + "\r" +
                            "specify another program group name.");
        WaitForNext(NextCaption);
    }
    if (Aborted) return;
    GroupName = Window->GetText(KzControl::Edit1);
    Operations.CreateGroupFolder(GroupName);
}

void TKzScript::CreateProgramItems(std::string& line, bool& endOfBlock, int& status) {
    Window->SetBusyCursor(true);
    const ScopeExit normal([&] { Window->SetBusyCursor(false); });
    if (GroupName.empty()) return;
    bool created = false;
    ReadNextLine(line, endOfBlock, status);
    while (!endOfBlock && status == KzStatusOk) {
        Operations.CreateShortcutFromLine(KzTrimScriptLine(line), InstallDir, GroupName);
        created = true;
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
        std::string source = SourceDir + NativePath(neededFile);
        const std::string destination = InstallDir + NativePath(GetField(2, line, FieldSeparator));
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
            std::string location = SourceDir;
            if (!Window->AskNextDisk(location, neededFile)) {
                Window->SetBusyCursor(false);
                cancelled = true;
            } else {
                SourceDir = location;
                source = SourceDir + NativePath(neededFile);
                Window->SetBusyCursor(false);
                if (Window->IsVisible(KzControl::ButtonScript)) WaitForNext(NextCaption);
            }
            Window->ProcessMessages();
        } while (!cancelled && status != KzStatusOk);
    }
}

void TKzScript::RunPrograms(std::string& line, bool& endOfBlock, int& status) {
    ReadNextLine(line, endOfBlock, status);
    while (!endOfBlock && status == KzStatusOk) {
        // Programs are looked for beside the installer; a quoted name keeps its quotes around
        // the whole path so that blanks in the directory do not split it.
        const std::string commandLine = line.front() == '"' ? "\"" + AppDir + line.substr(1) : AppDir + line;
        Window->StartProgram(commandLine);
        ReadNextLine(line, endOfBlock, status);
    }
}

void TKzScript::SleepCommand(std::string& line, bool& endOfBlock, int& status) {
    ReadNextLine(line, endOfBlock, status);
    if (endOfBlock || status != KzStatusOk) return;
    long long milliseconds = 0;
    if (!KzParseNumber(KzTrimScriptLine(line), milliseconds)) return;
    long long elapsed = 0;
    // At most 200 steps of 100 ms; Quit ends the pause early like it ends a wait.
    for (int step = 0; step < 200 && elapsed < milliseconds && !Aborted; ++step) {
        Window->ProcessMessages();
        Window->Sleep(100);
        elapsed += 100;
    }
}
