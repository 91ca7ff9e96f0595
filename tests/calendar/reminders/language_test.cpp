// In German (the build tree's catalog, as LANGUAGE=de chooses it at start): the menus, the Advanced
// dialog and its refusal, the week view's title and the tip, the month's heading, a printout's
// header, the repeat choices and a message made of parts; back in English afterwards.
#include "settings_fixture.h"

#include "data/backup.h"
#include "data/repeat_rules.h"
#include "data/tray_tip.h"
#include "i18n/translations.h"
#include "reminders/advanced_dialog.h"
#include "text/translatable.h"
#include "ui/command_ids.h"

#include <wx/checkbox.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

namespace zc::test {
namespace {

class LanguageTest : public SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        setUpTranslations("zorvelcal", localeFolders(), "de");
        if (!wxTranslations::Get()->IsLoaded("zorvelcal")) GTEST_SKIP() << "no German catalog built";
        openFrame();
    }
    void TearDown() override {
        SettingsTest::TearDown();
        wxTranslations::Set(nullptr);
        text::setTranslator(nullptr);
    }
};

TEST_F(LanguageTest, MenusDialogMessageTitleAndTipAreGerman) {
    const wxMenuBar& bar = *frame->GetMenuBar();
    EXPECT_EQ(std::vector({bar.GetMenuLabel(0), bar.GetMenuLabel(1), bar.GetMenuLabel(2)}),
              std::vector<wxString>({"&Datei", "&Ansicht", "&Hilfe"}));
    EXPECT_EQ(bar.GetLabel(cmd::menuId(cmd::kAdvanced)), "&Erweitert");

    whileOpen(cmd::kAdvanced, "advancedDialog", [&](wxDialog& dialog) {
        EXPECT_EQ(dialog.FindWindow(CAdvancedDialog::kClock24)->GetLabel(), "24-Stunden-Uhr verwenden");
        EXPECT_EQ(dialog.FindWindow(wxID_CANCEL)->GetLabel(), "Abbrechen");
        wxDynamicCast(dialog.FindWindow(CAdvancedDialog::kEarly), wxTextCtrl)->ChangeValue("181");
        click(dialog, wxID_OK);
        click(dialog, wxID_CANCEL);
    });
    EXPECT_EQ(questions.messages, std::vector<std::string>{"Bitte eine ganze Zahl zwischen 0 und 180 eingeben."});

    frame->table().setSlotText(2015, 8, 11, 14, 30, "Zahnarzt", -1);
    ViewWeek::open(frame->context(), 2015, 8, 12);
    EXPECT_EQ(ViewWeek::instance()->GetTitle(), "Termine der Woche ab Sonntag, 9. August 2015");
    clock.t = localTime(2015, 8, 10, 9, 0);
    EXPECT_EQ(trayTip(frame->table(), static_cast<Time32>(clock.t), settings().region),
              " Morgen um 2:30pm: Zahnarzt  ");
}

TEST_F(LanguageTest, HeadingPrintoutRepeatChoicesAndComposedMessageAreGerman) {
    view().showMonth(2026, 12);
    const std::vector<std::string> heads = textsDrawn([&](wxDC& dc) { view().drawMonth(dc, false); });
    ASSERT_GE(heads.size(), 2u);
    EXPECT_EQ(heads[1], "Dez/2026");

    ViewWeek::open(frame->context(), 2015, 8, 12);
    const std::vector<std::string> paper =
        textsDrawn([&](wxDC& dc) { ViewWeek::instance()->printPage(dc, 1); });
    ASSERT_FALSE(paper.empty());
    EXPECT_EQ(paper.front(), "Für die Woche ab 9.8.2015     von Zorvel Calendar");

    // Friday 11 December 2026: the choices read German, the entry keeps the English it stores.
    RepeatDialogModel model;
    model.prepareRepeatDialog(11, 12, 2026, "Zahnarzt", clock.t);
    model.presetRepeatDialog(0, "");
    model.openRepeatDialog();
    EXPECT_EQ(model.title, "Freitag, 11. Dezember   Zahnarzt");
    EXPECT_EQ(model.shownDescriptions(),
              (std::array<std::string, 6>{"wiederholt sich nicht", "jeden Freitag", "jeden zweiten Freitag",
                                          "jeden Monat am 11.", "jeden 2. Freitag im Monat",
                                          "jedes Jahr an diesem Tag"}));
    EXPECT_EQ(model.weekly, "every Friday");

    restore(frame->table(), (dir / "missing.zcb").string());
    EXPECT_EQ(questions.messages.back(), "Die Datei „missing.zcb“ wurde nicht gefunden!");
}

} // namespace
} // namespace zc::test
