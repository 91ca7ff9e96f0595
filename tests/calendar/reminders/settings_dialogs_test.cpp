#include "settings_fixture.h"

#include "ui/command_ids.h"
#include "data/backup.h"
#include "reminders/advanced_dialog.h"
#include "reminders/sounds_dialog.h"

#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <fstream>
#include <optional>
#include <vector>

namespace zc::test {
namespace {

// ---- Sounds -------------------------------------------------------------------------------------

class SoundsTest : public SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        settings::ensureSoundDefaults();
        CSoundsDialog::player() = [this](const std::string& file) { played.push_back(file); };
        CSoundsDialog::fileChooser() = [this](wxWindow*, const wxString& prompt,
                                              const SoundChooserStart& start) -> std::optional<std::string> {
            prompts.push_back(prompt.utf8_string());
            starts.push_back(start);
            return chosen;
        };
    }
    void TearDown() override {
        CSoundsDialog::player() = nullptr;
        CSoundsDialog::fileChooser() = nullptr;
        SettingsTest::TearDown();
    }

    // Opens the dialog, presses the buttons in turn, and returns how it closed.
    int run(std::vector<int> presses) {
        CSoundsDialog dialog(frame);
        dialog.CallAfter([&] {
            for (int id : presses)
                click(dialog, id);
        });
        return dialog.ShowModal();
    }

    std::optional<std::string> chosen;
    std::vector<std::string> played, prompts;
    std::vector<SoundChooserStart> starts;
};

TEST_F(SoundsTest, NoneThenOkStoresAnEmptySound) {
    openFrame();
    EXPECT_EQ(run({CSoundsDialog::kRemindersNone, wxID_OK}), wxID_OK);
    EXPECT_EQ(settings::soundFile("reminders"), "");
    EXPECT_EQ(settings::soundFile("start"), "Start.wav");
    EXPECT_EQ(settings::soundFile("click"), "Pick.wav");
}

TEST_F(SoundsTest, AChosenSoundPlaysAtOnceAndCancelStoresNothing) {
    openFrame();
    chosen = "/usr/share/sounds/Chime.wav";
    EXPECT_EQ(run({CSoundsDialog::kClick, CSoundsDialog::kStartUpNone, wxID_CANCEL}), wxID_CANCEL);
    EXPECT_EQ(played, std::vector<std::string>{"/usr/share/sounds/Chime.wav"});
    ASSERT_EQ(prompts, std::vector<std::string>{"Sound to play when the calendar is clicked on"});
    EXPECT_EQ(starts[0].file, "Pick.wav");
    EXPECT_EQ(settings::soundFile("click"), "Pick.wav");
    EXPECT_EQ(settings::soundFile("start"), "Start.wav");
}

TEST_F(SoundsTest, OkStoresTheFullPathOfEachChoice) {
    openFrame();
    chosen = "/home/ann/sounds/Bell.ogg";
    EXPECT_EQ(run({CSoundsDialog::kStartUp, CSoundsDialog::kReminders, wxID_OK}), wxID_OK);
    EXPECT_EQ(prompts, (std::vector<std::string>{"Sound to play at program start-up",
                                                 "Sound to play with reminders"}));
    EXPECT_EQ(settings::soundFile("start"), "/home/ann/sounds/Bell.ogg");
    EXPECT_EQ(settings::soundFile("reminders"), "/home/ann/sounds/Bell.ogg");
    // A chooser the user cancelled changes and plays nothing.
    chosen.reset();
    played.clear();
    EXPECT_EQ(run({CSoundsDialog::kClick, wxID_OK}), wxID_OK);
    EXPECT_TRUE(played.empty());
    EXPECT_EQ(settings::soundFile("click"), "Pick.wav");
}

TEST_F(SoundsTest, AChoiceTheStoreCannotTakeIsReportedOnceAndTheDialogStaysOpen) {
    openFrame();
    // A path too long for the pages the store has left; the store may not grow.
    chosen = "/sounds/" + std::string(6000, 'x') + ".wav";
    static_cast<SqliteStore&>(settingsStore()).execute("PRAGMA max_page_count = 1");
    bool stayedOpen = false;
    CSoundsDialog dialog(frame);
    dialog.CallAfter([&] {
        click(dialog, CSoundsDialog::kStartUp);
        click(dialog, wxID_OK);
        stayedOpen = dialog.IsModal();
        EXPECT_EQ(dialog.value(CSoundsDialog::kStartEvent), *chosen);
        click(dialog, wxID_CANCEL);
    });
    dialog.ShowModal();
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(questions.messages.size(), 1u);
    EXPECT_NE(questions.messages[0].find("could not save"), std::string::npos) << questions.messages[0];
}

TEST(SoundChooserStart, SplitsAtTheLastSlashAfterTheFirstCharacter) {
    struct Row {
        std::string value, folder, file;
    };
    for (const Row& row : {
             Row{"", "", ""},
             Row{"/home/ann/snd/Bell.wav", "/home/ann/snd", "Bell.wav"},
             Row{"snd/Bell.wav", "snd", "Bell.wav"},
             Row{"/Bell.wav", "", "/Bell.wav"},
             Row{"NoSuchSound.wav", "", "NoSuchSound.wav"},
         }) {
        const SoundChooserStart start = soundChooserStart(row.value);
        EXPECT_EQ(start.folder, row.folder) << row.value;
        EXPECT_EQ(start.file, row.file) << row.value;
    }
    // One of the program's own sounds opens where the program finds it.
    const SoundChooserStart own = soundChooserStart("Notify.wav");
    EXPECT_EQ(own.file, "Notify.wav");
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(own.folder) / "Notify.wav")) << own.folder;
}

// ---- Advanced -----------------------------------------------------------------------------------

void setField(wxDialog& dialog, int id, const char* text) {
    wxDynamicCast(dialog.FindWindow(id), wxTextCtrl)->ChangeValue(text);
}

using AdvancedTest = SettingsTest;

TEST_F(AdvancedTest, ARefusedNumberKeepsTheDialogOpenAndWritesNothing) {
    struct Row {
        int field;
        const char* text;
        const char* message;
    };
    for (const Row& row : {
             Row{CAdvancedDialog::kAge, "2", "Please enter an integer between 3 and 60."},
             Row{CAdvancedDialog::kAge, "75", "Please enter an integer between 3 and 60."},
             Row{CAdvancedDialog::kEarly, "181", "Please enter an integer between 0 and 180."},
             Row{CAdvancedDialog::kEarly, "-1", "Please enter an integer between 0 and 180."},
             Row{CAdvancedDialog::kEarly, "ten", "Please enter an integer."},
         }) {
        settings::saveReminderSettings(24, 5, 0, 0, 0, 0);
        questions.messages.clear();
        openFrame();
        bool stayedOpen = false;
        CAdvancedDialog dialog(frame, frame->context());
        dialog.CallAfter([&] {
            setField(dialog, row.field, row.text);
            wxDynamicCast(dialog.FindWindow(CAdvancedDialog::kSplash), wxCheckBox)->SetValue(true);
            click(dialog, wxID_OK);
            stayedOpen = dialog.IsModal();
            click(dialog, wxID_CANCEL);
        });
        EXPECT_EQ(dialog.ShowModal(), wxID_CANCEL);
        EXPECT_TRUE(stayedOpen) << row.text;
        EXPECT_EQ(questions.messages, std::vector<std::string>{row.message}) << row.text;
        const settings::ReminderSettings stored = settings::loadReminderSettings();
        EXPECT_EQ(stored.age, 24);
        EXPECT_EQ(stored.early, 5);
        EXPECT_EQ(stored.splash, 0) << row.text;
    }
}

TEST_F(AdvancedTest, OkWritesTheSixValuesAndTheFrameCopiesThemIntoTheMonthView) {
    openFrame();
    bool frameDisabled = false;
    whileOpen(cmd::kAdvanced, "advancedDialog", [&](wxDialog& dialog) {
        frameDisabled = !frame->IsEnabled();
        setField(dialog, CAdvancedDialog::kAge, "12");
        setField(dialog, CAdvancedDialog::kEarly, "180");
        wxDynamicCast(dialog.FindWindow(CAdvancedDialog::kNoReminders), wxRadioButton)->SetValue(true);
        wxDynamicCast(dialog.FindWindow(CAdvancedDialog::kSplash), wxCheckBox)->SetValue(false);
        wxDynamicCast(dialog.FindWindow(CAdvancedDialog::kMinAtStart), wxCheckBox)->SetValue(true);
        wxDynamicCast(dialog.FindWindow(CAdvancedDialog::kFastPrinting), wxCheckBox)->SetValue(true);
        click(dialog, wxID_OK);
    });
    EXPECT_TRUE(frameDisabled);
    EXPECT_TRUE(frame->IsEnabled());
    const settings::ReminderSettings stored = settings::loadReminderSettings();
    EXPECT_EQ(stored.age, 12);
    EXPECT_EQ(stored.early, 180);
    EXPECT_EQ(stored.reminders, 1);
    EXPECT_EQ(stored.splash, 0);
    EXPECT_EQ(stored.minatstart, 1);
    EXPECT_EQ(stored.fastprinting, 1);
    EXPECT_EQ(settings().age, 12);
    EXPECT_EQ(frame->table().defaultEarly(), 180);
    EXPECT_EQ(settings().reminders, 1);
    EXPECT_EQ(settings().fastprinting, 1);
    // New entries take the new lead: the view and the table hold one value.
    EXPECT_EQ(frame->table().defaultEarly(), 180);
    EXPECT_EQ(frame->table().construct().stored.early, 180);
}

TEST_F(AdvancedTest, ANewLeadReArmsTheRemindersAndAnUnchangedOneDoesNot) {
    openFrame();
    Appointment& entry = frame->table().construct();
    entry.setWhen(2015, 8, 12, 14, 0, 15, "Dentist");
    entry.schedule(true);
    const unsigned first = entry.timerId;
    ASSERT_NE(first, 0u);

    whileOpen(cmd::kAdvanced, "advancedDialog", [&](wxDialog& dialog) { click(dialog, wxID_OK); });
    EXPECT_EQ(entry.timerId, first);

    whileOpen(cmd::kAdvanced, "advancedDialog", [&](wxDialog& dialog) {
        setField(dialog, CAdvancedDialog::kEarly, "30");
        click(dialog, wxID_OK);
    });
    EXPECT_NE(entry.timerId, first);
    EXPECT_FALSE(frame->timers().timerRunning(first));
    EXPECT_TRUE(frame->timers().timerRunning(entry.timerId));

    // Cancel leaves the stored values in the month view.
    whileOpen(cmd::kAdvanced, "advancedDialog", [&](wxDialog& dialog) {
        setField(dialog, CAdvancedDialog::kEarly, "45");
        click(dialog, wxID_CANCEL);
    });
    EXPECT_EQ(frame->table().defaultEarly(), 30);
}

TEST_F(AdvancedTest, RestoreIsEnabledOnlyWhileTheBackupFileExists) {
    openFrame();
    CAdvancedDialog dialog(frame, frame->context());
    wxWindow* restoreButton = dialog.FindWindow(cmd::menuId(cmd::kRestore));
    ASSERT_NE(restoreButton, nullptr);
    dialog.UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_FALSE(restoreButton->IsEnabled());
    std::ofstream(kBackupFileName) << "";
    dialog.UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_TRUE(restoreButton->IsEnabled());
    std::filesystem::remove(kBackupFileName);
    dialog.UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_FALSE(restoreButton->IsEnabled());
}

TEST_F(AdvancedTest, BackupThenRestoreThroughTheDialogFindsOnlyDuplicates) {
    openFrame();
    for (int hour : {9, 14}) {
        Appointment& entry = frame->table().construct();
        entry.setWhen(2015, 8, 20, hour, 30, -1, "Meeting " + std::to_string(hour));
        entry.schedule(true);
    }
    questions.answers = {false}; // the second Backup is not allowed to replace the file
    whileOpen(cmd::kAdvanced, "advancedDialog", [&](wxDialog& dialog) {
        click(dialog, cmd::menuId(cmd::kBackup));
        click(dialog, cmd::menuId(cmd::kRestore));
        click(dialog, cmd::menuId(cmd::kBackup));
        click(dialog, wxID_CANCEL);
    });
    EXPECT_EQ(questions.messages,
              (std::vector<std::string>{"Wrote 2 entries to the backup file \"ZorvelAppoints.zvl\"",
                                        "Restore completed:\n  0 entries added from backup;\n  0 existing "
                                        "entries modified;\n  2 duplicates ignored."}));
    EXPECT_EQ(questions.asked, std::vector<std::string>{"Do you wish to replace the current backup file?"});
    EXPECT_EQ(frame->table().size(), 2u);
}

} // namespace
} // namespace zc::test
