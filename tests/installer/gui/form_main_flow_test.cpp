// The installer's main window, real and on a virtual display: finding the script, the run from
// the timer, the pages, Quit with its confirmation, the key filters and errors out of the run.
// Message boxes are answered through the questions hook, so no modal box waits for a click.
#include "kz_form_scale.h"
#include "kz_message.h"
#include "kz_text_fit.h"
#include "t_form_create_program_group.h"
#include "t_form_main.h"
#include "t_form_program_group_box.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <unistd.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

namespace fs = std::filesystem;

namespace {

class FormMainTest : public ::testing::Test {
  protected:
    fs::path Dir;
    std::vector<std::string> Messages;
    std::vector<std::string> Confirms;
    std::deque<bool> ConfirmAnswers;
    TKzQuestions Previous;

    void SetUp() override {
        // The process id and a counter keep two runs at the same time out of each other's folders.
        static int counter = 0;
        Dir = fs::temp_directory_path() /
              ("kz_form_main_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        TKzQuestions questions;
        questions.Message = [this](const std::string& text) { Messages.push_back(text); };
        questions.Confirm = [this](const std::string& text) {
            Confirms.push_back(text);
            if (ConfirmAnswers.empty()) return false;
            const bool answer = ConfirmAnswers.front();
            ConfirmAnswers.pop_front();
            return answer;
        };
        Previous = KzSetQuestions(questions);
    }
    void TearDown() override {
        wxTheApp->ProcessIdle(); // deletes the windows that closed
        KzSetQuestions(Previous);
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    std::string AppDir() const { return Dir.string() + "/"; }
    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream(Dir / name, std::ios::binary) << content;
        return (Dir / name).string();
    }
    static bool Closed(TFormMain* form) { return wxTheApp->IsScheduledForDestruction(form); }
    static void Click(wxButton* button) {
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->ProcessWindowEvent(event);
    }
    // Runs the installation while a timer plays the user: each tick runs the next step. A
    // run that still waits after the last step is aborted, so a failing test cannot hang.
    static void RunWithSteps(TFormMain* form, std::vector<std::function<void()>> steps) {
        wxTimer timer;
        std::size_t next = 0;
        int ticks = 0;
        timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            if (next < steps.size())
                steps[next++]();
            else if (++ticks > 20)
                form->Script.Abort();
        });
        timer.Start(150);
        form->RunInstallation();
        timer.Stop();
    }
};

} // namespace

TEST_F(FormMainTest, FindsTheScriptFromTheCommandLineOrBesideTheProgram) {
    struct Row {
        std::vector<std::string> arguments;
        std::vector<std::string> files;
        std::string expected; // "@" stands for the program's directory
        bool found;
    } rows[] = {
        {{"setup.txt"}, {}, "@setup.txt", true},
        {{"/x/setup.txt"}, {}, "/x/setup.txt", true},
        {{"sub/setup.txt", "ignored"}, {}, "sub/setup.txt", true},
        {{"/setup.txt"}, {}, "/setup.txt", true},
        {{}, {"install.script", "install.scr"}, "@install.script", true},
        {{}, {"install.scr"}, "@install.scr", true},
        {{}, {}, "@install.scr", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        for (const auto& entry : fs::directory_iterator(Dir))
            fs::remove(entry.path());
        for (const auto& file : row.files)
            Write(file, "<end>");
        Messages.clear();
        auto* form = new TFormMain(row.arguments, AppDir());
        std::string expected = row.expected;
        if (expected[0] == '@') expected = AppDir() + expected.substr(1);
        EXPECT_EQ(form->ScriptPath, expected);
        EXPECT_EQ(form->ScriptFound, row.found);
        if (row.found)
            EXPECT_TRUE(Messages.empty());
        else
            EXPECT_EQ(Messages,
                      std::vector<std::string>{"Error: script file\r" + expected + "\r" + "not found"});
        delete form;
    }
}

TEST_F(FormMainTest, AMissingScriptGivenAsArgumentReportsTheOpenErrorAndCloses) {
    auto* form = new TFormMain({"nothere.script"}, AppDir());
    EXPECT_TRUE(form->ScriptFound);
    form->RunInstallation();
    EXPECT_EQ(Messages, std::vector<std::string>{"Error opening installation script file: \r\r" + AppDir() +
                                                 "nothere.script"});
    EXPECT_TRUE(Closed(form));
    // A second timer event (an activation while closing, say) starts nothing.
    form->RunInstallation();
    EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(FormMainTest, StartsWithTheOpeningPageAndItsControls) {
    auto* form = new TFormMain({"x"}, AppDir());
    // The design's pixels, grown with the desktop's font as the dialogs grow.
    const KzFormScale at(form);
    EXPECT_EQ(form->GetClientSize(), at.Size(508, 367));
    EXPECT_TRUE(form->PanelAbout->IsShown());
    EXPECT_FALSE(form->PanelInstall->IsShown());
    EXPECT_FALSE(form->ButtonEdit->IsEnabled());
    const std::pair<const char*, const char*> labels[] = {
        {"FirstButton", "&Next >>"},    {"ButtonScript", "&Next >>"},      {"ButtonEdit", "&More..."},
        {"ButtonAbort", "&Quit"},       {"LabelTitle", "Installation"},    {"Label1", "....."},
        {"LabelProduct", "Kz-Install"}, {"LabelVersion", "(Version 2.3)"},
    };
    for (const auto& [name, label] : labels) {
        wxWindow* control = form->FindWindow(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->GetLabel(), label) << name;
    }
    EXPECT_EQ(form->Memo1->GetPosition(), at.Point(8, 56));
    EXPECT_EQ(form->Edit1->GetSize(), at.Size(417, 24));
    EXPECT_FALSE(form->Edit1->IsEditable());
    delete form;
}

TEST_F(FormMainTest, FirstButtonOutsideAWaitSwitchesPages) {
    auto* form = new TFormMain({"x"}, AppDir());
    Click(form->FirstButton);
    EXPECT_FALSE(form->PanelAbout->IsShown());
    EXPECT_TRUE(form->PanelInstall->IsShown());
    delete form;
}

TEST_F(FormMainTest, OpeningTextFillsThePaneAndItsNextSwitchesPages) {
    auto* form = new TFormMain(
        {Write("s.script", "<wait openingtext>\nWelcome\n#EMPTYLINE\n\nBye\n<set title>\nNow")}, AppDir());
    RunWithSteps(form, {[&] {
                     EXPECT_TRUE(form->Script.WaitingForOpening);
                     EXPECT_EQ(form->MemoTitle->GetValue(), "Welcome\n \nBye");
                     EXPECT_TRUE(form->PanelAbout->IsShown());
                     Click(form->FirstButton);
                 }});
    EXPECT_EQ(form->FinalStatus, 1);
    EXPECT_FALSE(form->PanelAbout->IsShown());
    EXPECT_TRUE(form->PanelInstall->IsShown());
    EXPECT_EQ(form->LabelTitle->GetLabel(), "Now");
    EXPECT_TRUE(Closed(form));
}

TEST_F(FormMainTest, QuitWithNoKeepsWaitingAndWithYesEndsTheRun) {
    auto* form =
        new TFormMain({Write("s.script", "<wait message>\nHello\n<set title>\nNever\n<end>")}, AppDir());
    ConfirmAnswers = {false, true};
    RunWithSteps(form, {[&] {
                            EXPECT_TRUE(form->Script.WaitingForNext);
                            Click(form->ButtonAbort);
                        },
                        [&] {
                            EXPECT_TRUE(form->Script.WaitingForNext); // No: still waiting
                            EXPECT_FALSE(Closed(form));
                            Click(form->ButtonAbort);
                        }});
    EXPECT_EQ(Confirms,
              std::vector<std::string>(2, "Are you sure you want to abort the installation procedure?"));
    EXPECT_TRUE(form->Script.Aborted);
    EXPECT_EQ(form->FinalStatus, 0);
    EXPECT_NE(form->LabelTitle->GetLabel(), "Never");
    EXPECT_TRUE(Closed(form));
}

TEST_F(FormMainTest, TheTimerStartsTheRunAfterShowingAndTheEndClosesTheWindow) {
    const fs::path made = Dir / "made";
    wxWeakRef<wxFrame> form(new TFormMain(
        {Write("s.script", "<create directory -noask>\n" + made.string() + "\n<end>")}, AppDir()));
    form->Show();
    // The window deletes itself once the run has ended; the directory shows the run happened.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (form && std::chrono::steady_clock::now() < deadline) {
        wxTheApp->Yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(form);
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_TRUE(Messages.empty());
}

TEST_F(FormMainTest, AnErrorOutOfTheRunIsShownAndTheWindowStaysUntilQuit) {
    auto* form = new TFormMain(
        {Write("s.script", "<create program group -noask>\nG\n<create program items>\n\"a\",A\n<end>")},
        AppDir());
    form->Script.Operations.CreateGroupFolder = [](const std::string&) {};
    form->Script.Operations.CreateShortcutFromLine = [](const std::string&, const std::string&,
                                                        const std::string&) {
        throw KzError("Folder key \"Programs\" not found");
    };
    form->RunInstallation();
    EXPECT_EQ(Messages, std::vector<std::string>{"Folder key \"Programs\" not found"});
    EXPECT_FALSE(Closed(form));
    ConfirmAnswers = {true};
    Click(form->ButtonAbort);
    EXPECT_TRUE(Closed(form));
}

TEST_F(FormMainTest, EditBoxKeyFiltersDiscardOtherKeys) {
    auto* form = new TFormMain({"x"}, AppDir());
    const auto accepted = [&](int code) {
        wxKeyEvent event(wxEVT_CHAR);
        event.m_keyCode = code;
        event.m_uniChar = code < WXK_START ? code : WXK_NONE;
        event.SetEventObject(form->Edit1);
        form->Edit1->ProcessWindowEvent(event);
        return event.GetSkipped();
    };
    struct Row {
        KzKeyFilter filter;
        int code;
        bool passes;
    } rows[] = {
        {KzKeyFilter::None, ':', true},
        {KzKeyFilter::Directory, '/', true},
        {KzKeyFilter::Directory, 'a', true},
        {KzKeyFilter::Directory, ':', false},
        {KzKeyFilter::Directory, '.', false},
        {KzKeyFilter::Directory, WXK_RETURN, false},
        {KzKeyFilter::Directory, WXK_ESCAPE, false},
        {KzKeyFilter::Directory, WXK_BACK, true},
        {KzKeyFilter::Directory, WXK_LEFT, true},
        {KzKeyFilter::GroupName, '/', false},
        {KzKeyFilter::GroupName, '~', true},
        {KzKeyFilter::GroupName, '!', false},
    };
    for (const auto& row : rows) {
        form->SetKeyFilter(row.filter);
        EXPECT_EQ(accepted(row.code), row.passes) << row.code;
    }
    delete form;
}

namespace {
// The width of a control's text in the control's own font.
int TextWidth(const wxWindow* control) {
    int width = 0, height = 0;
    const wxFont font = control->GetFont();
    control->GetTextExtent(wxControl::RemoveMnemonics(control->GetLabel()), &width, &height, nullptr, nullptr,
                           &font);
    return width;
}
} // namespace

TEST_F(FormMainTest, TheNextButtonTheRunWaitsForHasTheKeyboard) {
    auto* form = new TFormMain(
        {Write("s.script", "<wait openingtext>\nWelcome\n<wait message>\nHello\n<set title>\nDone")}, AppDir());
    form->Show();
    // The keys go where the X server's focus is: the window is given it, and the test waits until
    // it has it, whatever windows earlier tests left behind.
    form->Raise();
    for (int i = 0; i < 100 && !form->IsActive(); ++i) {
        form->SetFocus();
        wxTheApp->Yield(true);
        wxMilliSleep(20);
    }
    wxWindow* focused = nullptr;
    RunWithSteps(form, {[&] { Click(form->FirstButton); },
                        [&] {
                            EXPECT_TRUE(form->Script.WaitingForNext);
                            focused = wxWindow::FindFocus();
                            // Return on the focused button continues the run.
                            wxUIActionSimulator().Char(WXK_RETURN);
                        }});
    EXPECT_EQ(focused, form->ButtonScript);
    EXPECT_EQ(form->LabelTitle->GetLabel(), "Done");
    EXPECT_EQ(form->ExitStatus(), KzExitCompleted);
}

TEST_F(FormMainTest, LongTitlesLabelsAndButtonCaptionsAreShownWhole) {
    const std::string title = "Installation of the ZorvelCal personal calendar for the whole family";
    const std::string label(300, 'x');
    const std::string caption = "Start the calendar now";
    const std::string huge(200, 'y');
    auto* form = new TFormMain({Write("s.script", "<set title>\n" + title + "\n<set label>\n" + label +
                                                      "\n<wait button>\n" + caption + "\n<wait button>\n" + huge)},
                               AppDir());
    const wxRect design = form->ButtonScript->GetRect();
    const int panelWidth = form->PanelInstall->GetClientSize().x;
    RunWithSteps(form, {[&] {
                            const wxRect button = form->ButtonScript->GetRect();
                            EXPECT_EQ(form->ButtonScript->GetLabel(), caption);
                            EXPECT_GE(button.width, TextWidth(form->ButtonScript) + 8) << "the caption is cut";
                            EXPECT_EQ(button.GetRight(), design.GetRight());
                            EXPECT_GT(button.GetLeft(), form->ButtonAbort->GetRect().GetRight());
                            Click(form->ButtonScript);
                        },
                        [&] {
                            // Too long for any width: a smaller font, and the whole text as tooltip.
                            EXPECT_GT(form->ButtonScript->GetPosition().x, form->ButtonAbort->GetRect().GetRight());
                            EXPECT_LT(form->ButtonScript->GetFont().GetFractionalPointSize(),
                                      form->ButtonAbort->GetFont().GetFractionalPointSize());
                            ASSERT_NE(form->ButtonScript->GetToolTip(), nullptr);
                            EXPECT_EQ(form->ButtonScript->GetToolTipText(), huge);
                            Click(form->ButtonScript);
                        }});
    for (wxStaticText* text : {form->LabelTitle, form->Label1}) {
        SCOPED_TRACE(text->GetName().utf8_string());
        EXPECT_LE(text->GetRect().GetRight(), panelWidth) << "the text runs off the window";
    }
    EXPECT_EQ(form->LabelTitle->GetLabel(), title);
    EXPECT_GE(form->LabelTitle->GetSize().x, TextWidth(form->LabelTitle));
    EXPECT_LE(form->LabelTitle->GetRect().GetBottom(), form->Memo1->GetPosition().y);
    ASSERT_NE(form->Label1->GetToolTip(), nullptr);
    EXPECT_EQ(form->Label1->GetToolTipText(), label);
}

TEST_F(FormMainTest, TextPanesShowAScrollBarWheneverTheTextIsLonger) {
    auto* form = new TFormMain({"x"}, AppDir());
    EXPECT_TRUE(KzScrollBarShownWhenNeeded(form->MemoTitle));
    EXPECT_TRUE(KzScrollBarShownWhenNeeded(form->Memo1));
    delete form;
}

// Run a second time with GDK_DPI_SCALE=1.5 (see CMakeLists.txt), as on a desktop with larger fonts.
TEST_F(FormMainTest, LargeFontsKeepEveryCaptionInsideItsControl) {
    auto* form = new TFormMain({"x"}, AppDir());
    for (wxButton* button : {form->FirstButton, form->ButtonScript, form->ButtonEdit, form->ButtonAbort}) {
        SCOPED_TRACE(button->GetName().utf8_string());
        EXPECT_GE(button->GetSize().x, TextWidth(button) + 8);
        EXPECT_GE(button->GetSize().y, button->GetCharHeight());
    }
    EXPECT_LE(form->Label1->GetRect().GetBottom(), form->Edit1->GetPosition().y);
    EXPECT_GE(form->Label1->GetSize().x, TextWidth(form->Label1));
    EXPECT_LE(form->LabelTitle->GetRect().GetBottom(), form->Memo1->GetPosition().y);
    EXPECT_LE(form->LabelVersion->GetRect().GetBottom(), form->MemoTitle->GetPosition().y);
    delete form;

    TFormProgramGroupBox box(nullptr);
    for (wxButton* button : {box.ButtonCreateGroup, box.ButtonCancel, box.ButtonOK})
        EXPECT_GE(button->GetSize().x, TextWidth(button) + 8) << button->GetName().utf8_string();
    TFormCreateProgramGroup create(nullptr);
    EXPECT_LE(create.Label1->GetRect().GetBottom(), create.EditProgramgroup->GetPosition().y);
    EXPECT_LE(create.EditProgramgroup->GetRect().GetBottom(), create.ButtonOK->GetPosition().y);
    for (wxButton* button : {create.ButtonCancel, create.ButtonOK})
        EXPECT_GE(button->GetSize().x, TextWidth(button) + 8) << button->GetName().utf8_string();
}
