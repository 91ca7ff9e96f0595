#pragma once
// The installer's one window: an opening page and an install page of the same place and size, on
// which the script interpreter works. The window owns the interpreter for its whole life, hands it
// its controls through TKzWindow and starts the run once, from a 300 ms timer after it is shown.
#include "core/kz_script.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <wx/font.h>
#include <wx/frame.h>
#include <wx/timer.h>

class wxButton;
class wxPanel;
class wxStaticText;
class wxTextCtrl;

class TFormMain : public wxFrame, public TKzWindow {
  public:
    // arguments are the program's command-line arguments after its own name; appDirectory is
    // where the installer's own files are, with a trailing separator.
    explicit TFormMain(const std::vector<std::string>& arguments,
                       const std::string& appDirectory = AppDirectory());
    ~TFormMain() override;

    TKzScript Script;
    std::string ScriptPath = "install.script";
    // False when no script was found at start; the message has been shown and the program ends.
    bool ScriptFound = true;
    // The run is started once only: activations during and after it leave the timer without effect.
    bool RunStarted = false;
    bool Running = false;
    // The status the run ended with, or the status of loading when the script could not be read.
    int FinalStatus = 0;
    // Set when the script could not be read, and when an error ended the run.
    bool LoadFailed = false;
    bool RunFailed = false;
    // The program's exit status for how the run ended (KzExitStatus); told to OnExitStatus when
    // the window closes.
    int ExitStatus() const;
    std::function<void(int status)> OnExitStatus;

    wxPanel* PanelAbout = nullptr;
    wxStaticText* LabelProductShadow = nullptr;
    wxStaticText* LabelProduct = nullptr;
    wxStaticText* LabelVersion = nullptr;
    wxTextCtrl* MemoTitle = nullptr;
    wxButton* FirstButton = nullptr;
    wxPanel* PanelInstall = nullptr;
    wxStaticText* LabelTitle = nullptr;
    wxTextCtrl* Memo1 = nullptr;
    wxStaticText* Label1 = nullptr;
    wxTextCtrl* Edit1 = nullptr;
    wxButton* ButtonEdit = nullptr;
    wxButton* ButtonScript = nullptr;
    wxButton* ButtonAbort = nullptr;
    wxTimer Timer1;

    void FormCreate(const std::vector<std::string>& arguments, const std::string& appDirectory);
    void FormShow(wxShowEvent& event);
    void FormActivate(wxActivateEvent& event);
    void Timer1Timer(wxTimerEvent& event);
    // Loads and runs the script; the body of the timer's event, callable by tests.
    void RunInstallation();
    void FirstButtonClick();
    void ButtonAbortClick();

    // TKzWindow
    void SetText(KzControl control, const std::string& text) override;
    std::string GetText(KzControl control) const override;
    void BeginPaneUpdate(KzControl pane) override;
    void EndPaneUpdate(KzControl pane) override;
    void ClearPane(KzControl pane) override;
    void AppendLine(KzControl pane, const std::string& line) override;
    void ScrollToTop(KzControl pane) override;
    void SetVisible(KzControl control, bool visible) override;
    bool IsVisible(KzControl control) const override;
    void SetEnabled(KzControl control, bool enabled) override;
    void SetReadOnly(KzControl control, bool readOnly) override;
    void SetKeyFilter(KzKeyFilter filter) override;
    void SetFocus(KzControl control) override;
    using wxFrame::SetFocus;
    TKzClickHandler SetClickHandler(KzControl button, TKzClickHandler handler) override;
    void SetBusyCursor(bool busy) override;
    void ShowMessage(const std::string& text) override;
    void ProcessMessages() override;
    void Sleep(int milliseconds) override;
    void StartProgram(const std::vector<std::string>& arguments) override;
    bool AskNextDisk(std::string& location, const std::string& neededFile) override;
    bool SelectDirectory(std::string& directory) override;
    std::string SelectProgramGroup() override;

    KzKeyFilter KeyFilter() const { return Filter; }

  private:
    void CreateControls();
    wxWindow* ControlOf(KzControl control) const;
    wxTextCtrl* PaneOf(KzControl pane) const;
    void FlushPane(KzControl pane);
    void ButtonClick(KzControl button);
    void Edit1KeyPress(wxKeyEvent& event);
    // Shows a script's text whole in the title, the caption label or the Next button.
    void FitTitle();
    void FitCaption();
    void FitNextButton();
    void FormClose(wxCloseEvent& event);

    std::map<KzControl, TKzClickHandler> ClickHandlers;
    // Lines appended to a pane while its updates are suspended, written in one go afterwards.
    std::map<KzControl, std::string> PendingText;
    std::map<KzControl, int> PaneLines;
    KzKeyFilter Filter = KzKeyFilter::None;
    bool Busy = false;
    // The design's fonts and the Next button's design place, scaled to the desktop's font, from
    // which a long text is fitted each time it changes.
    wxFont TitleFont;
    wxFont CaptionFont;
    wxFont ButtonFont;
    wxRect NextButtonRect;
    int NextButtonLeftLimit = 0;
};
