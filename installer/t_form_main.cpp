#include "t_form_main.h"

#include "core/kz_platform.h"
#include "core/kz_text.h"
#include "kz_form_scale.h"
#include "kz_message.h"
#include "kz_text_fit.h"
#include "t_form_dialog_next_disk.h"
#include "t_form_dir_box.h"
#include "t_form_program_group_box.h"
#include "text/translatable.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

namespace {

const wxColour Olive(128, 128, 0);
const wxColour Silver(192, 192, 192);
const wxColour Aqua(0, 255, 255);
const wxColour Purple(128, 0, 128);
const wxColour Yellow(255, 255, 0);

// The controls that the keyboard's Tab key passes over.
template <typename Base> class NoTabStop : public Base {
  public:
    using Base::Base;
    bool AcceptsFocusFromKeyboard() const override { return false; }
};

wxFont ArialFont(int pixelHeight, bool bold = false, bool italic = false) {
    wxFontInfo info(wxSize(0, pixelHeight));
    info.FaceName("Arial").Bold(bold).Italic(italic);
    return wxFont(info);
}

// The toolkit applies a label's new font only when it next lays the label out, so its best size
// still belongs to the old font: the label is sized from its text in the new font instead.
void FitLabel(wxStaticText* label) {
    const wxSize extent = label->GetTextExtent(label->GetLabelText());
    label->SetSize(wxSize(extent.x + 2, extent.y));
}

wxFont BoldFont() {
    return wxNORMAL_FONT->Bold();
}

bool FileExists(const std::string& path) {
    return KzExists(path) && !KzIsDirectory(path);
}

} // namespace

TFormMain::TFormMain(const std::vector<std::string>& arguments, const std::string& appDirectory)
    : wxFrame(nullptr, wxID_ANY, "Kz-Install", wxDefaultPosition, wxDefaultSize,
              wxBORDER_NONE | wxCLIP_CHILDREN | wxTAB_TRAVERSAL),
      Timer1(this) {
    SetName("FormMain");
    SetBackgroundColour(Olive);
    // The design is for a 13-pixel desktop font; with larger fonts every place and size grows
    // in proportion, so captions still fit their buttons and labels do not run into each other.
    SetClientSize(KzFormScale(this).Size(508, 367));
    CreateControls();
    Centre(wxBOTH);
    FormCreate(arguments, appDirectory);

    Bind(wxEVT_SHOW, &TFormMain::FormShow, this);
    Bind(wxEVT_ACTIVATE, &TFormMain::FormActivate, this);
    Bind(wxEVT_TIMER, &TFormMain::Timer1Timer, this, Timer1.GetId());
    Bind(wxEVT_CLOSE_WINDOW, &TFormMain::FormClose, this);
}

TFormMain::~TFormMain() {
    Timer1.Stop();
    if (Busy) wxEndBusyCursor();
}

void TFormMain::CreateControls() {
    const KzFormScale at(this);
    PanelAbout = new wxPanel(this, wxID_ANY, at.Point(5, 5), at.Size(500, 356), wxTAB_TRAVERSAL, "PanelAbout");
    PanelAbout->SetBackgroundColour(Silver);
    // The product name twice: a white copy, and over it, 3 pixels to the left and 2 up, a purple
    // one on a transparent background, so the white shows as a highlight.
    LabelProductShadow = new wxStaticText(PanelAbout, wxID_ANY, "Kz-Install", at.Point(115, 16), wxDefaultSize,
                                          0, "LabelProductShadow");
    LabelProductShadow->SetFont(ArialFont(at(64), true, true));
    LabelProductShadow->SetForegroundColour(*wxWHITE);
    LabelProduct = new wxStaticText(PanelAbout, wxID_ANY, "Kz-Install", at.Point(112, 14), wxDefaultSize,
                                    wxTRANSPARENT_WINDOW, "LabelProduct");
    LabelProduct->SetFont(ArialFont(at(64), true, true));
    LabelProduct->SetForegroundColour(Purple);
    for (wxStaticText* label : {LabelProductShadow, LabelProduct})
        FitLabel(label);
    LabelVersion = new wxStaticText(PanelAbout, wxID_ANY, _("(Version 2.3)"), at.Point(120, 80), wxDefaultSize, 0,
                                    "LabelVersion");
    LabelVersion->SetFont(ArialFont(at(15), true, true));
    LabelVersion->SetForegroundColour(Yellow);
    FitLabel(LabelVersion);
    MemoTitle = new wxTextCtrl(PanelAbout, wxID_ANY, "", at.Point(15, 109), at.Size(472, 185),
                               wxTE_MULTILINE | wxTE_READONLY | wxVSCROLL, wxDefaultValidator, "MemoTitle");
    MemoTitle->SetBackgroundColour(Aqua);
    MemoTitle->SetFont(ArialFont(at(14)));
    FirstButton = new wxButton(PanelAbout, wxID_ANY, _("&Next >>"), at.Point(375, 311), at.Size(113, 33), 0,
                               wxDefaultValidator, "FirstButton");
    FirstButton->SetFont(BoldFont());
    FirstButton->SetFocus();

    PanelInstall =
        new wxPanel(this, wxID_ANY, at.Point(5, 5), at.Size(498, 357), wxTAB_TRAVERSAL, "PanelInstall");
    PanelInstall->SetBackgroundColour(Silver);
    // Created first so that it comes first in the tab order.
    ButtonScript = new wxButton(PanelInstall, wxID_ANY, _("&Next >>"), at.Point(376, 312), at.Size(113, 33), 0,
                                wxDefaultValidator, "ButtonScript");
    ButtonFont = BoldFont();
    ButtonScript->SetFont(ButtonFont);
    NextButtonRect = ButtonScript->GetRect();
    // Labels cut what is still too long with an ellipsis; their tooltip then holds the whole text.
    const long labelStyle = wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END;
    LabelTitle = new wxStaticText(PanelInstall, wxID_ANY, _("Installation"), at.Point(12, 16), wxDefaultSize,
                                  labelStyle, "LabelTitle");
    TitleFont = ArialFont(at(24), true);
    LabelTitle->SetForegroundColour(*wxBLACK);
    FitTitle();
    Memo1 =
        new NoTabStop<wxTextCtrl>(PanelInstall, wxID_ANY, "", at.Point(8, 56), at.Size(481, 169),
                                  wxTE_MULTILINE | wxTE_READONLY | wxVSCROLL, wxDefaultValidator, "Memo1");
    Memo1->SetBackgroundColour(Aqua);
    Memo1->SetFont(ArialFont(at(14)));
    Label1 =
        new wxStaticText(PanelInstall, wxID_ANY, ".....", at.Point(9, 246), wxDefaultSize, labelStyle, "Label1");
    CaptionFont = BoldFont();
    Label1->SetForegroundColour(*wxBLACK);
    FitCaption();
    Edit1 = new wxTextCtrl(PanelInstall, wxID_ANY, "", at.Point(8, 264), at.Size(417, 24), wxTE_READONLY,
                           wxDefaultValidator, "Edit1");
    Edit1->SetBackgroundColour(Aqua);
    ButtonEdit = new wxButton(PanelInstall, wxID_ANY, _("&More..."), at.Point(424, 264), at.Size(65, 24), 0,
                              wxDefaultValidator, "ButtonEdit");
    ButtonEdit->SetFont(BoldFont());
    ButtonAbort = new NoTabStop<wxButton>(PanelInstall, wxID_ANY, _("&Quit"), at.Point(10, 312),
                                          at.Size(65, 33), 0, wxDefaultValidator, "ButtonAbort");
    ButtonAbort->SetFont(BoldFont());
    NextButtonLeftLimit = ButtonAbort->GetRect().GetRight() + 1 + at(8);
    PanelInstall->Hide();
    for (wxTextCtrl* pane : {MemoTitle, Memo1})
        KzShowScrollBarWhenNeeded(pane);

    ClickHandlers[KzControl::FirstButton] = [this] { FirstButtonClick(); };
    ClickHandlers[KzControl::ButtonAbort] = [this] { ButtonAbortClick(); };
    FirstButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonClick(KzControl::FirstButton); });
    ButtonAbort->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonClick(KzControl::ButtonAbort); });
    ButtonScript->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonClick(KzControl::ButtonScript); });
    ButtonEdit->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ButtonClick(KzControl::ButtonEdit); });
    Edit1->Bind(wxEVT_CHAR, &TFormMain::Edit1KeyPress, this);
}

void TFormMain::FormCreate(const std::vector<std::string>& arguments, const std::string& appDirectory) {
    Script.Create();
    Script.BindControls(this);
    if (!arguments.empty()) {
        ScriptPath = KzScriptPathFromArgument(arguments.front(), appDirectory);
        return;
    }
    ScriptPath = appDirectory + "install.script";
    if (FileExists(ScriptPath)) return;
    ScriptPath.resize(ScriptPath.size() - 3);
    if (FileExists(ScriptPath)) return;
    ScriptFound = false;
    KzShowMessage(this, KzFormatted(N_("Error: script file\n%s\nnot found"), {ScriptPath}));
}

void TFormMain::FormShow(wxShowEvent& event) {
    event.Skip();
    if (event.IsShown() && !RunStarted) Timer1.StartOnce(300);
}

void TFormMain::FormActivate(wxActivateEvent& event) {
    event.Skip();
    if (event.GetActive() && !RunStarted && !Timer1.IsRunning()) Timer1.StartOnce(300);
}

void TFormMain::Timer1Timer(wxTimerEvent&) {
    RunInstallation();
}

void TFormMain::RunInstallation() {
    Timer1.Stop();
    if (RunStarted || !ScriptFound) return;
    RunStarted = true;
    // An installer closed by its session or killed from a terminal must not leave half-written
    // copies in the user's folders.
    KzRemoveTemporariesOnSignals();
    std::string error;
    FinalStatus = Script.LoadScript(ScriptPath, error);
    if (FinalStatus != 0) {
        LoadFailed = true;
        KzShowMessage(this, KzFormatted(N_("Error opening installation script file: \n\n%s"), {ScriptPath}));
        Close();
        return;
    }
    Running = true;
    try {
        FinalStatus = Script.Run();
    } catch (const std::exception& e) {
        Running = false;
        RunFailed = true;
        SetBusyCursor(false);
        KzShowError(this, e.what());
        // The window stays open so the user sees where the run stopped, and leaves with Quit.
        if (Script.Aborted) Close();
        return;
    }
    Running = false;
    Close();
}

void TFormMain::FirstButtonClick() {
    PanelAbout->Hide();
    PanelInstall->Show();
    // The focus was on the page that is now hidden; the Next button is where the keyboard goes on.
    if (ButtonScript->IsShown() && ButtonScript->IsEnabled()) ButtonScript->SetFocus();
    ProcessMessages();
}

int TFormMain::ExitStatus() const {
    if (!ScriptFound || LoadFailed) return KzExitNoScript;
    return KzExitStatus(FinalStatus, Script.Aborted, RunFailed);
}

void TFormMain::ButtonAbortClick() {
    if (!KzConfirm(this, _("Are you sure you want to abort the installation procedure?").utf8_string()))
        return;
    Script.Abort();
    Close();
}

void TFormMain::FormClose(wxCloseEvent& event) {
    // The run is on the stack below this handler: the window closes when the run has ended,
    // which Abort makes happen after the current command.
    if (Running && event.CanVeto()) {
        Script.Abort();
        event.Veto();
        return;
    }
    if (OnExitStatus) OnExitStatus(ExitStatus());
    Destroy();
}

void TFormMain::ButtonClick(KzControl button) {
    // A copy, because the action may replace itself while it runs.
    const TKzClickHandler handler = ClickHandlers[button];
    if (handler) handler();
}

void TFormMain::Edit1KeyPress(wxKeyEvent& event) {
    const int code = event.GetUnicodeKey();
    // Keys without a character (arrows, Home, Delete), Tab and the shortcuts other than pasting
    // are not typing and pass every filter.
    if (Filter == KzKeyFilter::None || code == WXK_NONE || code == WXK_TAB || code == WXK_DELETE ||
        (event.ControlDown() && code != 22 && code != 'V' && code != 'v')) {
        event.Skip();
        return;
    }
    if (KzKeyAccepted(Filter, code))
        event.Skip();
    else
        wxBell();
}

wxWindow* TFormMain::ControlOf(KzControl control) const {
    switch (control) {
    case KzControl::MemoTitle:
        return MemoTitle;
    case KzControl::Memo1:
        return Memo1;
    case KzControl::FirstButton:
        return FirstButton;
    case KzControl::ButtonEdit:
        return ButtonEdit;
    case KzControl::ButtonAbort:
        return ButtonAbort;
    case KzControl::ButtonScript:
        return ButtonScript;
    case KzControl::Edit1:
        return Edit1;
    case KzControl::LabelTitle:
        return LabelTitle;
    case KzControl::Label1:
        return Label1;
    }
    return nullptr;
}

wxTextCtrl* TFormMain::PaneOf(KzControl pane) const {
    if (pane == KzControl::MemoTitle) return MemoTitle;
    if (pane == KzControl::Memo1) return Memo1;
    if (pane == KzControl::Edit1) return Edit1;
    return nullptr;
}

void TFormMain::SetText(KzControl control, const std::string& text) {
    const wxString value = wxString::FromUTF8(text);
    if (wxTextCtrl* pane = PaneOf(control)) {
        pane->ChangeValue(value);
        PendingText.erase(control);
        PaneLines[control] = text.empty() ? 0 : 1;
    } else if (wxWindow* window = ControlOf(control)) {
        window->SetLabel(value);
        if (control == KzControl::LabelTitle) FitTitle();
        if (control == KzControl::Label1) FitCaption();
        if (control == KzControl::ButtonScript) FitNextButton();
    }
}

std::string TFormMain::GetText(KzControl control) const {
    if (wxTextCtrl* pane = PaneOf(control)) return pane->GetValue().utf8_string();
    if (wxWindow* window = ControlOf(control)) return window->GetLabel().utf8_string();
    return {};
}

void TFormMain::BeginPaneUpdate(KzControl pane) {
    if (wxTextCtrl* text = PaneOf(pane)) text->Freeze();
}

void TFormMain::EndPaneUpdate(KzControl pane) {
    FlushPane(pane);
    if (wxTextCtrl* text = PaneOf(pane); text && text->IsFrozen()) text->Thaw();
}

void TFormMain::ClearPane(KzControl pane) {
    if (wxTextCtrl* text = PaneOf(pane)) text->Clear();
    PendingText.erase(pane);
    PaneLines[pane] = 0;
}

void TFormMain::AppendLine(KzControl pane, const std::string& line) {
    std::string& pending = PendingText[pane];
    if (PaneLines[pane]++ > 0) pending += '\n';
    pending += line;
}

void TFormMain::FlushPane(KzControl pane) {
    auto it = PendingText.find(pane);
    if (it == PendingText.end()) return;
    if (wxTextCtrl* text = PaneOf(pane)) text->AppendText(wxString::FromUTF8(it->second));
    PendingText.erase(it);
}

void TFormMain::ScrollToTop(KzControl pane) {
    FlushPane(pane);
    if (wxTextCtrl* text = PaneOf(pane)) {
        text->SetInsertionPoint(0);
        text->ShowPosition(0);
    }
}

void TFormMain::SetVisible(KzControl control, bool visible) {
    if (wxWindow* window = ControlOf(control)) window->Show(visible);
}

bool TFormMain::IsVisible(KzControl control) const {
    const wxWindow* window = ControlOf(control);
    return window && window->IsShown();
}

void TFormMain::SetEnabled(KzControl control, bool enabled) {
    if (wxWindow* window = ControlOf(control)) window->Enable(enabled);
}

void TFormMain::SetReadOnly(KzControl control, bool readOnly) {
    if (wxTextCtrl* text = PaneOf(control)) text->SetEditable(!readOnly);
}

void TFormMain::SetKeyFilter(KzKeyFilter filter) {
    Filter = filter;
}

void TFormMain::SetFocus(KzControl control) {
    if (wxWindow* window = ControlOf(control)) window->SetFocus();
}

void TFormMain::FitTitle() {
    const int room = PanelInstall->GetClientSize().x - LabelTitle->GetPosition().x - KzFormScale(this)(8);
    const int width = KzFitText(LabelTitle, TitleFont, room);
    LabelTitle->SetSize(width + 2, LabelTitle->GetCharHeight() + 2);
}

void TFormMain::FitCaption() {
    const int room = PanelInstall->GetClientSize().x - Label1->GetPosition().x - KzFormScale(this)(8);
    const int width = KzFitText(Label1, CaptionFont, room);
    Label1->SetSize(width + 2, Label1->GetCharHeight() + 2);
}

void TFormMain::FitNextButton() {
    // The button keeps its right edge and grows to the left as far as the Quit button; a caption
    // that is longer still gets a smaller font.
    const int padding = KzFormScale(this)(24);
    const int width = std::max(NextButtonRect.width,
                               KzFitText(ButtonScript, ButtonFont, NextButtonRect.GetRight() + 1 - NextButtonLeftLimit,
                                         padding));
    ButtonScript->SetSize(NextButtonRect.GetRight() + 1 - width, NextButtonRect.y, width, NextButtonRect.height);
}

TKzClickHandler TFormMain::SetClickHandler(KzControl button, TKzClickHandler handler) {
    return std::exchange(ClickHandlers[button], std::move(handler));
}

void TFormMain::SetBusyCursor(bool busy) {
    if (busy == Busy) return;
    Busy = busy;
    if (busy)
        wxBeginBusyCursor();
    else
        wxEndBusyCursor();
}

void TFormMain::ShowMessage(const std::string& text) {
    KzShowMessage(this, text);
}

void TFormMain::ProcessMessages() {
    if (wxTheApp) wxTheApp->Yield(true);
}

void TFormMain::Sleep(int milliseconds) {
    wxMilliSleep(milliseconds);
}

void TFormMain::StartProgram(const std::vector<std::string>& arguments) {
    // The result is not looked at: a program that cannot be started is passed over in silence.
    KzStartProgram(arguments, Script.AppDir);
}

bool TFormMain::AskNextDisk(std::string& location, const std::string& neededFile) {
    // The prompt waits for the user, so it shows the normal cursor.
    const bool wasBusy = Busy;
    SetBusyCursor(false);
    TFormDialogNextDisk prompt(this);
    prompt.Location = location;
    prompt.NeededFile = neededFile;
    const bool ok = prompt.ShowModal() == wxID_OK;
    if (ok) location = prompt.Location;
    SetBusyCursor(wasBusy);
    return ok;
}

bool TFormMain::SelectDirectory(std::string& directory) {
    TFormDirBox box(this);
    box.AllowCreate = true;
    box.Directory = directory;
    if (box.ShowModal() != wxID_OK) return false;
    directory = box.Directory;
    return true;
}

std::string TFormMain::SelectProgramGroup() {
    TFormProgramGroupBox box(this);
    box.AllowCreate = true;
    box.ShowModal();
    return box.SelectedGroup;
}
