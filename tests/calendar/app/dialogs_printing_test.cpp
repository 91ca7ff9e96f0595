#include "app_fixture.h"

#include "app/colors_dialog.h"
#include "ui/quick_hints_dialog.h"

#include <wx/frame.h>

#include <vector>

namespace zc::test {
namespace {

using DialogsTest = AppTest;

TEST_F(DialogsTest, QuickHintsCloseWithEscape) {
    openFrame();
    CQuickHintsDlg dialog(frame);
    EXPECT_EQ(dialog.GetTitle(), "   Quick hints on using the Month View");
    dialog.CallAfter([&dialog] {
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(&dialog);
        dialog.ProcessWindowEvent(escape);
    });
    EXPECT_EQ(dialog.ShowModal(), wxID_CANCEL);
}

TEST_F(DialogsTest, TheColoursDialogsCloseBoxLeavesWithoutTheChanges) {
    openFrame();
    CColorsDialog::colourChooser() = [](wxWindow*) -> std::optional<ColourRef> { return 0xABCDEF; };
    CColorsDialog dialog(frame, colours(), [] {});
    dialog.CallAfter([&dialog] {
        wxCommandEvent current(wxEVT_BUTTON, CColorsDialog::kCurrentDay);
        dialog.FindWindow(CColorsDialog::kCurrentDay)->ProcessWindowEvent(current);
        dialog.Close();
    });
    const int result = dialog.ShowModal();
    CColorsDialog::colourChooser() = nullptr;
    EXPECT_EQ(result, CColorsDialog::kCancel);
    EXPECT_EQ(colours().currentday, Colours{}.currentday);
}

TEST_F(DialogsTest, TerminationWhileTheColoursDialogIsOpenKeepsNoUnconfirmedColour) {
    openFrame();
    CColorsDialog::colourChooser() = [](wxWindow*) -> std::optional<ColourRef> { return 0xABCDEF; };
    {
        CColorsDialog dialog(frame, colours(), [] {});
        dialog.CallAfter([&dialog] {
            wxCommandEvent text(wxEVT_BUTTON, CColorsDialog::kText);
            dialog.FindWindow(CColorsDialog::kText)->ProcessWindowEvent(text);
            // What the program does on SIGTERM or at the end of the session: every modal dialog
            // is ended as cancelled before the main frame closes.
            for (wxWindow* window : wxTopLevelWindows)
                if (auto* open = dynamic_cast<wxDialog*>(window); open && open->IsModal())
                    open->EndModal(wxID_CANCEL);
        });
        EXPECT_EQ(dialog.ShowModal(), wxID_CANCEL);
    }
    CColorsDialog::colourChooser() = nullptr;
    EXPECT_EQ(colours().fore, Colours{}.fore);
    closeFrame();
    SettingsKey group;
    ASSERT_TRUE(group.openPathForRead(settings::kColors));
    EXPECT_EQ(static_cast<ColourRef>(group.readDword("fore")), Colours{}.fore);
}

TEST_F(DialogsTest, EscapeInTheColoursDialogChoosesTheBackground) {
    openFrame();
    int asked = 0;
    CColorsDialog::colourChooser() = [&asked](wxWindow*) -> std::optional<ColourRef> {
        ++asked;
        return 0x445566;
    };
    CColorsDialog dialog(frame, colours(), [] {});
    dialog.CallAfter([&dialog] {
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(&dialog);
        dialog.ProcessWindowEvent(escape);
        // The dialog stays open after Escape; OK closes it.
        wxCommandEvent ok(wxEVT_BUTTON, CColorsDialog::kOk);
        dialog.FindWindow(CColorsDialog::kOk)->ProcessWindowEvent(ok);
    });
    EXPECT_EQ(dialog.ShowModal(), CColorsDialog::kOk);
    CColorsDialog::colourChooser() = nullptr;
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(colours().back, 0x445566u);
}

// A window that prints through the month view and records what it was asked.
class FakeSource : public PrintSource {
  public:
    explicit FakeSource(wxWindow* window) : window_(window) {}
    wxWindow* printWindow() override { return window_; }
    int printPageCount() override { return pages; }
    void printPage(wxDC&, int page) override {
        printed.push_back(page);
        enabledWhilePrinting = window_->IsEnabled();
    }
    int pages = 1;
    std::vector<int> printed;
    bool enabledWhilePrinting = true;

  private:
    wxWindow* window_;
};

TEST_F(DialogsTest, PagesGoToTheRecordedSourceWhichIsDisabledUntilTheJobEnds) {
    openFrame();
    auto* window = new wxFrame(frame, wxID_ANY, "source");
    FakeSource week(window);
    week.pages = 3;
    wxBitmap page(10, 10);
    wxMemoryDC dc(page);

    EXPECT_EQ(printJob().printPageCount(), 1);
    printJob().printPage(dc, 1); // nothing recorded: nothing printed
    frame->printJob().recordPrintSource(PrintKind::WeekView, &week);
    EXPECT_EQ(printJob().printSource(), &week);
    EXPECT_EQ(printJob().printPageCount(), 3);
    printJob().printPage(dc, 1);
    printJob().printPage(dc, 2);
    EXPECT_EQ(week.printed, (std::vector<int>{1, 2}));
    EXPECT_FALSE(week.enabledWhilePrinting);
    printJob().endPrinting();
    EXPECT_TRUE(window->IsEnabled());
    EXPECT_EQ(printJob().printSource(), nullptr);
    EXPECT_EQ(printJob().printPageCount(), 1);

    // Recording another source forgets the first.
    FakeSource todo(window);
    frame->printJob().recordPrintSource(PrintKind::WeekView, &week);
    frame->printJob().recordPrintSource(PrintKind::ToDoList, &todo);
    EXPECT_EQ(printJob().printSource(), &todo);
    printJob().endPrinting();
    window->Destroy();
}

} // namespace
} // namespace zc::test
