// The installer under German (the build tree's catalog): its forms' texts come from the catalog,
// the fixed layouts make room for the longer lines, and a message keeps its carriage returns.
#include "dialogs_test_support.h"

#include "core/kz_text.h"
#include "i18n/translations.h"
#include "t_form_dialog_next_disk.h"
#include "t_form_dir_box.h"
#include "text/translatable.h"

#include <wx/choice.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/translation.h>

namespace {

class InstallerGerman : public ::testing::Test {
  protected:
    void SetUp() override {
        zc::setUpTranslations("zorvelcal", zc::localeFolders(), "de");
        if (!wxTranslations::Get()->IsLoaded("zorvelcal")) GTEST_SKIP() << "no German catalog built";
    }
    void TearDown() override {
        wxTranslations::Set(nullptr);
        text::setTranslator(nullptr);
    }
};

TEST_F(InstallerGerman, FormsShowGermanWithoutOverlapAndMessagesKeepTheirLines) {
    TFormDialogNextDisk prompt(nullptr);
    prompt.NeededFile = "prog.ex_";
    RunModal(prompt, [&] {
        EXPECT_EQ(prompt.GetTitle(), wxString::FromUTF8("Nächste Diskette einlegen"));
        // The prompt wraps to more lines than in English; its last line and the rule stay below it.
        EXPECT_LE(prompt.Label1->GetRect().GetBottom(), prompt.Label4->GetRect().GetTop());
        EXPECT_LT(prompt.Label4->GetRect().GetBottom(), prompt.Bevel1->GetRect().GetTop());
        Click(prompt.ButtonOK);
    });

    TFormDirBox box(nullptr);
    RunModal(box, [&] {
        EXPECT_EQ(box.LabelTitle3->GetLabel(),
                  wxString::FromUTF8("Doppelklicken Sie ein Verzeichnis, um es zu wählen"));
        EXPECT_EQ(box.Label1->GetLabel(), "Laufwerk:");
        EXPECT_LT(box.Label1->GetRect().GetRight(), box.DriveCombo->GetRect().GetLeft());
        Click(box.ButtonCancel);
    });

    EXPECT_EQ(KzFormatted(N_("Unable to create directory\n%s"), {"/opt/x"}),
              "Verzeichnis kann nicht angelegt werden:\r/opt/x");
}

} // namespace
