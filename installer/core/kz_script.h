#pragma once
// The installation script interpreter. It loads a script as a list of trimmed lines and runs its
// commands from top to bottom, driving the main window through TKzWindow. Every wait is a loop of
// 100 ms sleeps that lets the window handle its messages in between, so the Quit button and the
// dialogs stay usable while a command runs.
#include "kz_files.h"
#include "kz_record.h"
#include "kz_shell_link.h"
#include "kz_text.h"
#include "kz_window.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Status values of a run besides those of the file operations (0 go on, negative failures):
// 1 no more lines, 99 the end command.
constexpr int KzStatusEndOfScript = 1;
constexpr int KzStatusEndCommand = 99;

// The file-system and shortcut work the commands hand off. Create binds the real operations;
// the fuzz target replaces them so that arbitrary scripts never touch the real file system.
struct TKzOperations {
    std::function<KzStatus(const std::string& path)> MakeDirectoryPath;
    std::function<KzStatus(const std::string& source, const std::string& destination)> CopyExpandFile;
    std::function<void(const std::string& name)> CreateGroupFolder;
    std::function<bool(const std::string& name)> IsValidGroupName;
    std::function<void(const std::string& line, const std::string& installDir, const std::string& group)>
        CreateShortcutFromLine;
    std::function<void()> RefreshGroupFolder;
};

// The largest script file that is loaded; a real script is a few kilobytes, and anything this
// large is not a script at all.
constexpr std::size_t KzMaxScriptSize = 16u * 1024u * 1024u;

// The installer's exit status, documented in the README: 0 only for an installation that ran to
// its end.
constexpr int KzExitCompleted = 0;
constexpr int KzExitNoScript = 1;  // the script was not found or could not be read
constexpr int KzExitCancelled = 2; // Quit, or Cancel at the next-disk prompt
constexpr int KzExitFailed = 3;    // an error ended the run
// The exit status of a run that ended with runStatus; raisedError when an error ended it.
int KzExitStatus(int runStatus, bool aborted, bool raisedError);

class TKzScript {
  public:
    TKzScript();
    TKzScript(const TKzScript&) = delete;
    TKzScript& operator=(const TKzScript&) = delete;

    std::vector<std::string> Lines;
    std::size_t NextIndex = 0;
    std::string SourceDir;
    // The installer program's own directory, where the run command looks for programs.
    std::string AppDir;
    std::string InstallDir;
    std::string GroupName;
    std::string ErrorText;
    bool Aborted = false;
    bool WaitingForNext = false;
    bool WaitingForOpening = false;
    char FieldSeparator = ',';
    TKzOperations Operations;
    // The text of the last `set title`, which names the product in the installation record.
    std::string Title;
    // When not empty, the installation folder of the first `create directory`, in place of the
    // script's own (the --dir option).
    std::string InstallDirOverride;
    // Keeps the installation record when set; the operations above report every change to it.
    TKzRecorder* Recorder = nullptr;
    // Told of every command as it starts (action false) and of every change made (action true).
    std::function<void(const std::string& line, bool action)> Log;

    // Resets every field to its state before loading and binds the real file operations.
    void Create();
    // Hands the interpreter the window it works on and disables the "&More..." button.
    void BindControls(TKzWindow* window);
    // Loads the script file; 0 with an empty text, or -1 with the reason it could not be read.
    int LoadScript(const std::string& fileName, std::string& errorText);
    // Loads the script from text already in memory, as LoadScript does from a file.
    void LoadScriptText(const std::string& text);
    // Executes the loaded script to its end and gives the final status.
    int Run();
    // Ends the run: the current wait ends at once and no further command starts.
    void Abort();

    // Advances to the next non-blank line. A command line gives the text between its brackets
    // with isCommand set; at the end of the script status is 1 and line empty.
    void ReadNextLine(std::string& line, bool& isCommand, int& status);
    // Executes the command in line and leaves the next command line, already read, in line.
    void ExecuteCommand(std::string& line, int& status);
    // Shows the install page's Next button (with caption when one is given) and waits for a click.
    void WaitForNext(const std::string& caption);

    // The product the installation record is kept for: the title, or else the installation
    // folder's name, or else the program group's.
    std::string ProductName() const;

  private:
    void Note(const std::string& text, bool action = true) const;
    void FillPane(KzControl pane, std::string& line, bool& endOfBlock, int& status);
    void WaitOpeningText(std::string& line, bool& endOfBlock, int& status);
    void CreateDirectory(const std::string& command, std::string& line, bool& endOfBlock, int& status);
    void CreateProgramGroup(const std::string& command, std::string& line, bool& endOfBlock, int& status);
    void CreateProgramItems(std::string& line, bool& endOfBlock, int& status);
    void CopyFiles(std::string& line, bool& endOfBlock, int& status);
    void RunPrograms(std::string& line, bool& endOfBlock, int& status);
    void SleepCommand(std::string& line, bool& endOfBlock, int& status);

    TKzWindow* Window = nullptr;
    // The one shortcut record of the run, reused for every shortcut.
    TKz_ShellLink ShellLink;
};
