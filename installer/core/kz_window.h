#pragma once
// The window as the script interpreter sees it. The interpreter is toolkit-free: it reaches the
// nine controls of the main window, the message boxes, the dialogs and the message loop only
// through this interface, which the main window implements and tests replace with a recording fake.
#include <functional>
#include <string>
#include <vector>

// The controls that the main window hands to the interpreter.
enum class KzControl {
    MemoTitle,    // text pane of the opening page
    Memo1,        // message pane of the install page
    FirstButton,  // "&Next >>" of the opening page
    ButtonEdit,   // "&More..." beside the edit box
    ButtonAbort,  // "&Quit"
    ButtonScript, // "&Next >>" of the install page
    Edit1,        // the one-line edit box
    LabelTitle,   // the title label
    Label1,       // the caption label above the edit box
};

// Which keys the edit box accepts while the user types a directory or a program group name.
enum class KzKeyFilter {
    None,
    Directory, // filter A
    GroupName, // filter B
};

// True when a key press with this character code passes the filter; every other key is
// discarded with a beep by the window.
bool KzKeyAccepted(KzKeyFilter filter, int keyCode);

// A button's click action. An empty function means the click does nothing.
using TKzClickHandler = std::function<void()>;

class TKzWindow {
  public:
    virtual ~TKzWindow() = default;

    // The caption of a button or label, the text of the edit box, the whole text of a pane.
    virtual void SetText(KzControl control, const std::string& text) = 0;
    virtual std::string GetText(KzControl control) const = 0;

    // Filling a text pane: updates are suspended between Begin and End so the pane repaints once.
    virtual void BeginPaneUpdate(KzControl pane) = 0;
    virtual void EndPaneUpdate(KzControl pane) = 0;
    virtual void ClearPane(KzControl pane) = 0;
    virtual void AppendLine(KzControl pane, const std::string& line) = 0;
    virtual void ScrollToTop(KzControl pane) = 0;

    virtual void SetVisible(KzControl control, bool visible) = 0;
    virtual bool IsVisible(KzControl control) const = 0;
    virtual void SetEnabled(KzControl control, bool enabled) = 0;
    virtual void SetReadOnly(KzControl control, bool readOnly) = 0;
    virtual void SetKeyFilter(KzKeyFilter filter) = 0; // on Edit1
    // Gives the control the keyboard focus.
    virtual void SetFocus(KzControl control) = 0;

    // Replaces the click action of a button and gives back the one it had, so a wait can put
    // it back afterwards.
    virtual TKzClickHandler SetClickHandler(KzControl button, TKzClickHandler handler) = 0;

    // The hourglass cursor; calls need not be balanced, the last one wins.
    virtual void SetBusyCursor(bool busy) = 0;
    // A simple message box with one OK button; "\r" separates its lines.
    virtual void ShowMessage(const std::string& text) = 0;
    // Handles the window messages that are waiting, so the window stays responsive in a wait.
    virtual void ProcessMessages() = 0;
    virtual void Sleep(int milliseconds) = 0;
    // Starts a program (the first argument) and does not wait for it; failures are ignored.
    virtual void StartProgram(const std::vector<std::string>& arguments) = 0;

    // The next-disk prompt: true for OK, with location possibly changed by the user.
    virtual bool AskNextDisk(std::string& location, const std::string& neededFile) = 0;
    // The directory selection dialog with creation of directories allowed, starting at
    // directory; true when the user confirmed, directory then holding the choice with a
    // trailing separator.
    virtual bool SelectDirectory(std::string& directory) = 0;
    // The program group selection dialog with group creation allowed; gives its answer.
    virtual std::string SelectProgramGroup() = 0;

    // False where nobody can answer a question (an unattended run): a message that asks the user
    // for another answer then ends the run with an error instead.
    virtual bool CanAsk() const { return true; }
};
