// The program group dialogs as real windows: shown modally, driven from inside their modal loop,
// with the data home in a temporary folder. A watchdog ends any dialog left open, so a test that
// goes wrong fails instead of hanging.
#include "core/kz_shell_link.h"
#include "kz_message.h"
#include "kz_form_scale.h"
#include "t_form_create_program_group.h"
#include "t_form_program_group_box.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Shows the dialog modally and runs `whileShown` inside its modal loop. The dialog is ended with
// wxID_ABORT by the watchdog when it is still open after a few seconds.
int RunModal(wxDialog& dialog, std::function<void()> whileShown) {
    wxTimer watchdog;
    watchdog.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* open = dynamic_cast<wxDialog*>(window); open && open->IsModal())
                open->EndModal(wxID_ABORT);
    });
    watchdog.StartOnce(5000);
    wxTheApp->CallAfter([whileShown] { whileShown(); });
    return dialog.ShowModal();
}

// Takes the installer's message boxes for the life of the object, so none waits for a click.
struct RecordedMessages {
    std::vector<std::string> texts;
    TKzQuestions before;
    RecordedMessages() {
        before = KzSetQuestions({[this](const std::string& text) { texts.push_back(text); }, nullptr});
    }
    ~RecordedMessages() { KzSetQuestions(before); }
};

// Sends one typed character to a control and tells whether the control let it through.
bool TypeKey(wxWindow* control, int key) {
    wxKeyEvent event(wxEVT_CHAR);
    event.m_keyCode = key;
    event.m_uniChar = key < WXK_START ? static_cast<wxChar>(key) : static_cast<wxChar>(WXK_NONE);
    event.SetEventObject(control);
    control->GetEventHandler()->ProcessEvent(event);
    return event.GetSkipped();
}

class GroupDialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "HOME"})
            if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
        root = fs::temp_directory_path() / ("kz_groups_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        programs = root / "data" / "applications";
        fs::create_directories(programs);
    }
    void TearDown() override {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "HOME"})
            unsetenv(name);
        for (const auto& [name, value] : saved)
            setenv(name.c_str(), value.c_str(), 1);
        fs::remove_all(root);
    }

    fs::path root, programs;
    std::vector<std::pair<std::string, std::string>> saved;
};

} // namespace

TEST_F(GroupDialogs, SelectionAnswers) {
    struct Row {
        std::vector<std::string> groups;
        std::string action;     // "ok", "cancel" or "close"
        int selectionWhenShown; // after the list was filled
        std::string answer;
        int result;
    };
    const std::vector<Row> rows = {
        {{"Only"}, "ok", wxNOT_FOUND, "<selected not found>", wxID_OK},
        {{}, "ok", wxNOT_FOUND, "<selected not found>", wxID_OK},
        {{"Zeta", "Alpha", "Mid"}, "ok", 1, "Mid", wxID_OK},
        {{"Zeta", "Alpha", "Mid"}, "cancel", 1, "", wxID_CANCEL},
        {{"Zeta", "Alpha"}, "close", 1, "<only initialized>", wxID_CANCEL},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.action + " with " + std::to_string(row.groups.size()) + " groups");
        fs::remove_all(programs);
        for (const auto& group : row.groups)
            fs::create_directories(programs / group);
        // A loose desktop entry is no group.
        fs::create_directories(programs);
        std::ofstream(programs / "loose.desktop") << "[Desktop Entry]\n";

        TFormProgramGroupBox box(nullptr);
        EXPECT_EQ(box.SelectedGroup, "<only initialized>");
        const int result = RunModal(box, [&] {
            EXPECT_EQ(box.ListBox1->GetCount(), row.groups.size());
            EXPECT_EQ(box.ListBox1->GetSelection(), row.selectionWhenShown);
            EXPECT_FALSE(box.ButtonCreateGroup->IsEnabled());
            if (row.action == "ok")
                box.ButtonOKClick();
            else if (row.action == "cancel")
                box.ButtonCancelClick();
            else
                box.Close();
        });
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(box.SelectedGroup, row.answer);
    }
    // Both angle-bracket answers are refused as group names by the caller.
    EXPECT_FALSE(IsValidGroupName("<selected not found>"));
    EXPECT_FALSE(IsValidGroupName("<only initialized>"));
}

TEST_F(GroupDialogs, SelectionLayout) {
    TFormProgramGroupBox box(nullptr);
    // The design's pixels, grown with the desktop's font.
    const KzFormScale at(&box);
    EXPECT_EQ(box.GetTitle(), "Program Group selection");
    const wxSize client = box.GetClientSize();
    EXPECT_EQ(client.GetHeight(), at(205) + at(25) + 10);
    EXPECT_EQ(box.ListBox1->GetRect(), wxRect(at.Point(8, 7), at.Size(332, 224)));
    // The button panel sits at the right edge; it is 100 wide unless a caption needs more room.
    const wxRect panel = box.Panel1->GetRect();
    EXPECT_EQ(panel.GetRight() + 1, client.GetWidth());
    EXPECT_EQ(panel.GetLeft(), at(447 - 100));
    EXPECT_GE(panel.GetWidth(), at(100));
    for (wxButton* button : {box.ButtonCreateGroup, box.ButtonCancel, box.ButtonOK}) {
        EXPECT_EQ(button->GetPosition().x, at(14));
        EXPECT_GE(button->GetSize().GetWidth(), std::max(at(75), button->GetBestSize().GetWidth()));
        EXPECT_LE(button->GetRect().GetRight(), panel.GetWidth());
    }
    EXPECT_EQ(box.ButtonOK->GetPosition().y, at(205));
    EXPECT_TRUE(box.ListBox1->HasFlag(wxLB_SORT));
    EXPECT_EQ(wxWindow::FindWindowByName("ButtonCreateGroup", &box), box.ButtonCreateGroup);
}

TEST_F(GroupDialogs, CreatedGroupIsListedAndSelected) {
    fs::create_directories(programs / "Alpha");
    fs::create_directories(programs / "Beta");
    fs::create_directories(programs / "Gamma");
    TFormProgramGroupBox box(nullptr);
    box.AllowCreate = true;
    box.RunCreateDialog = [](TFormCreateProgramGroup& create) {
        return RunModal(create, [&create] {
            create.EditProgramgroup->SetValue("  Aardvark  ");
            create.ButtonOKClick();
        });
    };
    const int result = RunModal(box, [&box] {
        EXPECT_TRUE(box.ButtonCreateGroup->IsEnabled());
        box.ButtonCreateGroupClick();
        box.ButtonOKClick();
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_TRUE(fs::is_directory(programs / "Aardvark"));
    EXPECT_EQ(box.SelectedGroup, "Aardvark");
    EXPECT_EQ(box.ListBox1->GetCount(), 4u);
}

TEST_F(GroupDialogs, CancelledCreationLeavesTheList) {
    fs::create_directories(programs / "Alpha");
    fs::create_directories(programs / "Beta");
    TFormProgramGroupBox box(nullptr);
    box.AllowCreate = true;
    box.RunCreateDialog = [](TFormCreateProgramGroup& create) {
        return RunModal(create, [&create] { create.ButtonCancelClick(); });
    };
    RunModal(box, [&box] {
        box.ButtonCreateGroupClick();
        EXPECT_EQ(box.ListBox1->GetSelection(), 1);
        box.ButtonOKClick();
    });
    EXPECT_EQ(box.SelectedGroup, "Beta");
}

TEST_F(GroupDialogs, CreateRefusesEmptyAndHiddenNames) {
    TFormCreateProgramGroup create(nullptr);
    int beeps = 0;
    RecordedMessages messages;
    create.Beep = [&beeps] { ++beeps; };
    struct Row {
        std::string typed, shown;
    };
    const std::vector<Row> refused = {{"", ""}, {"   ", ""}, {"  .hidden ", ".hidden"}, {"a/b", "a/b"}};
    const int result = RunModal(create, [&] {
        for (const auto& row : refused) {
            const int before = beeps;
            create.EditProgramgroup->SetValue(row.typed);
            create.ButtonOKClick();
            EXPECT_EQ(beeps, before + 1) << row.typed;
            EXPECT_EQ(create.EditProgramgroup->GetValue(), row.shown);
            EXPECT_TRUE(create.IsModal());
        }
        create.EditProgramgroup->SetValue("Fine Name");
        create.ButtonOKClick();
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(create.NewGroup, "Fine Name");
    EXPECT_TRUE(fs::is_directory(programs / "Fine Name"));
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(GroupDialogs, CreateReportsAMissingProgramsFolder) {
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    TFormCreateProgramGroup create(nullptr);
    RecordedMessages messages;
    const int result = RunModal(create, [&create] {
        create.EditProgramgroup->SetValue("Group");
        create.ButtonOKClick();
    });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_EQ(create.NewGroup, "");
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0],
              "Unable to create program group: \rFolder key "
              "\"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\" not found");
}

TEST_F(GroupDialogs, CreateKeyFilter) {
    TFormCreateProgramGroup create(nullptr);
    int beeps = 0;
    create.Beep = [&beeps] { ++beeps; };
    struct Row {
        int key;
        bool accepted;
    };
    const std::vector<Row> rows = {
        {'a', true},  {'Z', true},   {'5', true},  {' ', true},      {'-', true},      {'.', true},
        {'@', true},  {'_', true},   {'~', true},  {WXK_BACK, true}, {WXK_LEFT, true}, {WXK_DELETE, true},
        {'/', false}, {'\\', false}, {':', false}, {'!', false},     {'<', false},     {1, false},
    };
    for (const auto& row : rows) {
        const int before = beeps;
        EXPECT_EQ(TypeKey(create.EditProgramgroup, row.key), row.accepted) << row.key;
        EXPECT_EQ(beeps, before + (row.accepted ? 0 : 1)) << row.key;
    }
    // Enter and Escape act as the two buttons.
    int result = RunModal(create, [&] {
        create.EditProgramgroup->SetValue("By Enter");
        TypeKey(create.EditProgramgroup, WXK_RETURN);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(create.NewGroup, "By Enter");
    result = RunModal(create, [&] { TypeKey(create.EditProgramgroup, WXK_ESCAPE); });
    EXPECT_EQ(result, wxID_CANCEL);
}

TEST_F(GroupDialogs, CreateLayout) {
    TFormCreateProgramGroup create(nullptr);
    const KzFormScale at(&create);
    EXPECT_EQ(create.GetClientSize(), wxSize(at(283) + at(75) + 15, at(57) + at(25) + 7));
    EXPECT_EQ(create.Label1->GetLabel(), "Create program group");
    EXPECT_TRUE(create.Label1->GetFont().GetWeight() >= wxFONTWEIGHT_BOLD);
    // The bold caption is shown in full.
    EXPECT_GE(create.Label1->GetSize().GetWidth(),
              create.Label1->GetTextExtent("Create program group").GetWidth());
    EXPECT_EQ(create.EditProgramgroup->GetPosition(), at.Point(5, 26));
    EXPECT_EQ(create.ButtonCancel->GetRect(), wxRect(at.Point(201, 57), at.Size(75, 25)));
    EXPECT_EQ(create.NewGroup, "");
}
