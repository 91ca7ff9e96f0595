// The next-disk prompt as the copy loop uses it: OK retries, Change points at a new location,
// Cancel asks first, and the close box gives up without asking.
#include "dialogs_test_support.h"

#include "core/kz_files.h"
#include "t_form_dialog_next_disk.h"
#include "t_form_dir_box.h"

#include <wx/dcclient.h>
#include <wx/stattext.h>

namespace {

const char* const AbortQuestion = "Are you sure you want to abort the installation procedure?";

TEST(DialogsNextDisk, ShowsTheNeededFileAndRetriesWithOK) {
    TFormDialogNextDisk prompt(nullptr);
    EXPECT_EQ(prompt.NeededFile, "");
    EXPECT_EQ(prompt.Location + "/", AppDirectory());
    prompt.Location = "/media/disk1/";
    prompt.NeededFile = "disk2\\prog.ex_";
    const int result = RunModal(prompt, [&] {
        EXPECT_EQ(prompt.GetTitle(), "Insert next disk");
        EXPECT_EQ(prompt.LabelNeededFile->GetLabel(), "disk2\\prog.ex_");
        // The client area ends 10 pixels right of and below the Change button.
        const wxRect change = prompt.ButtonChange->GetRect();
        EXPECT_EQ(prompt.GetClientSize(), wxSize(change.GetRight() + 11, change.GetBottom() + 11));
        Click(prompt.ButtonOK);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(prompt.Location, "/media/disk1/");
}

TEST(DialogsNextDisk, CancelAsksAndOnlyYesGivesUp) {
    TFormDialogNextDisk prompt(nullptr);
    bool stillOpenAfterNo = false;
    const int result = RunModal(prompt, [&] {
        wxTEST_DIALOG(Click(prompt.ButtonCancel), ExpectMessage(AbortQuestion, wxID_NO));
        stillOpenAfterNo = prompt.IsModal() && prompt.IsShown();
        wxTEST_DIALOG(Click(prompt.ButtonCancel), ExpectMessage(AbortQuestion, wxID_YES));
    });
    EXPECT_TRUE(stillOpenAfterNo);
    EXPECT_EQ(result, wxID_CANCEL);
}

TEST(DialogsNextDisk, CloseBoxGivesUpWithoutAsking) {
    TFormDialogNextDisk prompt(nullptr);
    EXPECT_EQ(RunModal(prompt, [&] { prompt.Close(); }), wxID_CANCEL);
}

TEST(DialogsNextDisk, ChangeTakesTheChosenLocationAndClosesAsOK) {
    TFormDialogNextDisk prompt(nullptr);
    prompt.Location = "/media/disk1/";
    prompt.NeededFile = "prog.ex_";
    const int result = RunModal(prompt, [&] {
        wxTEST_DIALOG(Click(prompt.ButtonChange), ExpectDialog<TFormDirBox>([](TFormDirBox& box) {
                          EXPECT_FALSE(box.AllowCreate);
                          EXPECT_EQ(box.DialogCaption, "New location");
                          EXPECT_EQ(box.UpperLabel, "Double click a directory");
                          EXPECT_EQ(box.LowerLabel, "to select a new location");
                          EXPECT_EQ(box.Directory, "/media/disk1/");
                          box.Directory = "/media/disk2";
                          return wxID_OK;
                      }));
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(prompt.Location, "/media/disk2/");
    EXPECT_EQ(prompt.GetTitle(), "/media/disk2/");
}

TEST(DialogsNextDisk, CancelledChangeLeavesThePromptAsItWas) {
    TFormDialogNextDisk prompt(nullptr);
    prompt.Location = "/media/disk1/";
    bool stillOpen = false;
    const int result = RunModal(prompt, [&] {
        wxTEST_DIALOG(Click(prompt.ButtonChange), ExpectDialog<TFormDirBox>([](TFormDirBox& box) {
                          box.Directory = "/elsewhere";
                          return wxID_CANCEL;
                      }));
        stillOpen = prompt.IsModal();
        Click(prompt.ButtonOK);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(prompt.Location, "/media/disk1/");
    EXPECT_EQ(prompt.GetTitle(), "Insert next disk");
}

} // namespace

TEST(DialogsNextDisk, ALongNeededFileIsShownWholeWithinThePrompt) {
    std::string needed = "disk2\\";
    while (needed.size() < 120)
        needed += "averyveryverylongfolder";
    needed += "\\prog.ex_";
    TFormDialogNextDisk prompt(nullptr);
    prompt.NeededFile = needed;
    RunModal(prompt, [&] {
        const wxRect label = prompt.LabelNeededFile->GetRect();
        EXPECT_LE(label.GetRight(), prompt.GetClientSize().x) << "the name runs off the prompt";
        EXPECT_GT(label.height, 2 * prompt.LabelNeededFile->GetCharHeight());
        wxString shown = prompt.LabelNeededFile->GetLabelText();
        // Every line fits the label, measured in the label's bold font.
        wxClientDC dc(prompt.LabelNeededFile);
        dc.SetFont(prompt.LabelNeededFile->GetFont());
        for (const wxString& line : wxSplit(shown, '\n', '\0'))
            EXPECT_LE(dc.GetTextExtent(line).x, label.width) << line;
        shown.Replace("\n", "");
        EXPECT_EQ(shown.utf8_string(), needed);
        // What stands below the name has moved down to make room.
        EXPECT_GE(prompt.Label3->GetPosition().y, label.GetBottom());
        EXPECT_LE(prompt.ButtonChange->GetRect().GetBottom(), prompt.GetClientSize().y);
        Click(prompt.ButtonOK);
    });
}
