// The directory selection dialog on real directories: its answer, the labels of its two uses, the
// drive list with a medium that is not ready, and creating a directory from it.
#include "dialogs_test_support.h"

#include "core/kz_files.h"
#include "t_form_create_directory.h"
#include "t_form_dir_box.h"

#include <wx/choice.h>
#include <wx/dirctrl.h>
#include <wx/stattext.h>
#include <wx/utils.h>

namespace fs = std::filesystem;

namespace {

TEST(DialogsDirBox, StartsWithItsDefaults) {
    TFormDirBox box(nullptr);
    EXPECT_EQ(box.DialogCaption, "Directory selection");
    EXPECT_EQ(box.UpperLabel, "");
    EXPECT_EQ(box.LowerLabel, "Double-click a directory to select it");
    EXPECT_EQ(box.Directory + "/", AppDirectory());
    EXPECT_FALSE(box.AllowCreate);
    // The drives offered: the root first, then the home folder unless that is the root.
    ASSERT_FALSE(box.Drives.empty());
    EXPECT_EQ(box.Drives[0], "/");
    const std::string home = AddBackslash(wxGetHomeDir().utf8_string());
    if (home != "/") {
        ASSERT_GE(box.Drives.size(), 2u);
        EXPECT_EQ(box.Drives[1] + "/", home);
    }
}

TEST(DialogsDirBox, AnswersTheDirectoryWithATrailingSeparator) {
    TempDir temp;
    fs::create_directory(temp.Path() + "/windows");
    struct Row {
        std::string start, answer;
    } rows[] = {
        {temp.Path() + "/windows", temp.Path() + "/windows/"},
        {temp.Path() + "/windows/", temp.Path() + "/windows/"},
        {"/", "/"},
        {temp.Path() + "/windows/gone/deeper", temp.Path() + "/windows/"},
    };
    for (const Row& row : rows) {
        TFormDirBox box(nullptr);
        box.Directory = row.start;
        EXPECT_EQ(RunModal(box, [&] { Click(box.ButtonOK); }), wxID_OK);
        EXPECT_EQ(box.Directory, row.answer) << row.start;
    }
}

TEST(DialogsDirBox, CancelKeepsTheStartingDirectory) {
    TempDir temp;
    TFormDirBox box(nullptr);
    box.Directory = temp.Path();
    EXPECT_EQ(RunModal(box, [&] { Click(box.ButtonCancel); }), wxID_CANCEL);
    EXPECT_EQ(box.Directory, temp.Path());
}

TEST(DialogsDirBox, ShowsTheTextsAndButtonsOfEachCaller) {
    struct Row {
        const char* caller;
        bool allowCreate;
        std::string caption, upper, lower;
    } rows[] = {
        {"create directory", true, "", "", ""},
        {"next-disk prompt", false, "New location", "Double click a directory", "to select a new location"},
    };
    for (const Row& row : rows) {
        TFormDirBox box(nullptr);
        box.AllowCreate = row.allowCreate;
        if (!row.caption.empty()) {
            box.DialogCaption = row.caption;
            box.UpperLabel = row.upper;
            box.LowerLabel = row.lower;
        }
        RunModal(box, [&] {
            EXPECT_EQ(box.GetTitle().utf8_string(),
                      row.caption.empty() ? "Directory selection" : row.caption);
            EXPECT_EQ(box.LabelTitle2->GetLabel().utf8_string(), row.upper);
            EXPECT_EQ(box.LabelTitle3->GetLabel().utf8_string(),
                      row.caption.empty() ? "Double-click a directory to select it" : row.lower);
            EXPECT_EQ(box.ButtonCreateDir->IsEnabled(), row.allowCreate) << row.caller;
            const wxRect ok = box.ButtonOK->GetRect();
            EXPECT_EQ(box.GetClientSize().GetWidth(), ok.GetRight() + 11);
            EXPECT_GE(box.GetClientSize().GetHeight(), ok.GetBottom() + 8);
            Click(box.ButtonCancel);
        });
    }
}

TEST(DialogsDirBox, ADriveThatIsNotReadyIsReportedAndTheListGoesBackToTheFirst) {
    TempDir temp;
    fs::create_directory(temp.Path() + "/inner");
    const std::string gone = temp.Path() + "/cdrom-without-disc";
    TFormDirBox box(nullptr);
    box.Drives = {"/", temp.Path(), gone};
    box.Directory = temp.Path() + "/inner";
    const int result = RunModal(box, [&] {
        EXPECT_EQ(box.DriveCombo->GetCount(), 3u);
        EXPECT_EQ(box.DriveCombo->GetSelection(), 1) << "the drive that holds the starting directory";
        wxTEST_DIALOG(box.DriveComboChange(2), ExpectMessage("Drive:  " + gone + ": not ready.", wxID_OK));
        EXPECT_EQ(box.DriveCombo->GetSelection(), 0);
        EXPECT_EQ(box.Directory, "/");
        box.DriveComboChange(1);
        EXPECT_EQ(box.Directory, temp.Path());
        Click(box.ButtonOK);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(box.Directory, temp.Path() + "/");
}

TEST(DialogsDirBox, CreateDirMovesTheListToTheNewDirectory) {
    TempDir temp;
    TFormDirBox box(nullptr);
    box.AllowCreate = true;
    box.Directory = temp.Path();
    const int result = RunModal(box, [&] {
        wxTEST_DIALOG(Click(box.ButtonCreateDir),
                      ExpectDialog<TFormCreateDirectory>([&](TFormCreateDirectory& create) {
                          EXPECT_EQ(create.ParentDir, temp.Path());
                          create.EditDirectory->ChangeValue("new");
                          create.ButtonOKClick();
                          return create.GetReturnCode();
                      }));
        EXPECT_EQ(box.Directory, temp.Path() + "/new");
        EXPECT_EQ(box.DirList->GetPath().utf8_string(), temp.Path() + "/new");
        Click(box.ButtonOK);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(box.Directory, temp.Path() + "/new/");
    EXPECT_TRUE(fs::is_directory(temp.Path() + "/new"));
}

TEST(DialogsDirBox, AFailedCreateKeepsTheDirectory) {
    TempDir temp;
    fs::create_directory(temp.Path() + "/taken");
    TFormDirBox box(nullptr);
    box.AllowCreate = true;
    box.Directory = temp.Path();
    const int result = RunModal(box, [&] {
        wxTEST_DIALOG(Click(box.ButtonCreateDir),
                      ExpectDialog<TFormCreateDirectory>([](TFormCreateDirectory& create) {
                          create.EditDirectory->ChangeValue("taken");
                          create.ButtonOKClick();
                          return create.GetReturnCode();
                      }),
                      ExpectMessage("Unable to create \n" + temp.Path() + "/taken", wxID_OK));
        EXPECT_EQ(box.Directory, temp.Path());
        Click(box.ButtonOK);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(box.Directory, temp.Path() + "/");
}

} // namespace
