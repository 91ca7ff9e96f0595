#include "views_fixture.h"

#include "ui/command_ids.h"
#include "data/sqlite_store.h"
#include "ui/wx_questions.h"
#include "planner/appoint_book2.h"
#include "planner/to_do.h"
#include "planner/view_week.h"

namespace zc::test {
namespace {

class ToDoTest : public ViewsTest {
  protected:
    ToDo& openList() {
        view().leftClick(2, view().gridSize().y - 2); // an empty part of the month
        EXPECT_NE(ToDo::instance(), nullptr);
        return *ToDo::instance();
    }
    static std::string stored(int i) {
        SettingsKey key;
        if (!key.openPathForRead("ToDo\\" + std::to_string(i))) return "<missing>";
        std::string text = "<no notes>";
        key.readString("notes", text);
        return text;
    }
    static void click(ToDo& list, int i) {
        const wxRect r = list.itemRect(i);
        list.leftClick(r.x + 10, r.y + r.height / 2);
    }
    static void type(ToDo& list, const char* text) { list.editor()->SetValue(text); }
};

TEST_F(ToDoTest, FirstOpeningCreatesTheTwentyKeysAndOpeningAgainBringsItForward) {
    ToDo& list = openList();
    for (int i = 0; i < ToDo::kItems; ++i)
        EXPECT_EQ(stored(i), "<no notes>") << i;
    EXPECT_EQ(stored(20), "<missing>");
    frame->runCommand(cmd::kToDoList);
    EXPECT_EQ(ToDo::instance(), &list);
    EXPECT_EQ(countOpen<ToDo>(), 1);
    EXPECT_EQ(list.GetTitle(), "Things To Do...");
}

TEST_F(ToDoTest, KeysMoveWithinTheTwentyItemsAndSaveOnTheWay) {
    ToDo& list = openList();
    click(list, 18);
    type(list, "eighteen");
    list.editNext();
    EXPECT_EQ(list.current(), 19);
    EXPECT_EQ(stored(18), "eighteen");
    type(list, "last");
    list.editNext(); // Tab on item 19: nothing
    EXPECT_EQ(list.current(), 19);
    click(list, 0);
    EXPECT_EQ(stored(19), "last"); // leaving by a click saves too
    list.editPrevious(); // Up on item 0: nothing
    EXPECT_EQ(list.current(), 0);
    list.editNext();
    list.editPrevious();
    EXPECT_EQ(list.current(), 0);
}

TEST_F(ToDoTest, AnErasedItemStoresAnEmptyTextAndStaysInPlace) {
    {
        TodoList stored;
        stored.save(3, "call the plumber");
        stored.save(4, "water plants");
    }
    ToDo& list = openList();
    click(list, 3);
    EXPECT_EQ(list.editor()->GetValue(), "call the plumber");
    type(list, "");
    list.editNext();
    EXPECT_EQ(stored(3), "");
    EXPECT_EQ(list.itemText(3), "");
    EXPECT_EQ(list.itemText(4), "water plants");
}

TEST_F(ToDoTest, AClickRightOfTheItemsKeepsTheCurrentItem) {
    ToDo& list = openList();
    click(list, 5);
    type(list, "half typed");
    const wxRect r = list.itemRect(7);
    list.leftClick(r.GetRight() + 2, r.y + 2);
    EXPECT_EQ(list.current(), 5);
    EXPECT_EQ(list.editor()->GetValue(), "half typed");
}

TEST_F(ToDoTest, ClosingTheProgramSavesTheItemBeingEdited) {
    ToDo& list = openList();
    click(list, 2);
    type(list, "typed just before the end");
    closeFrame();
    EXPECT_EQ(ToDo::instance(), nullptr);
    EXPECT_EQ(stored(2), "typed just before the end");
}

TEST_F(ToDoTest, AFailedSaveIsReportedAndTheTextStays) {
    ToDo& list = openList();
    ScriptedQuestions told;
    WxQuestions::standIn() = &told;
    // Every write now fails, as on a store that became read-only.
    static_cast<SqliteStore&>(settingsStore()).execute("PRAGMA query_only = 1");
    click(list, 1);
    type(list, "bread, eggs, coffee");
    list.editNext();
    click(list, 1);
    WxQuestions::standIn() = nullptr;
    ASSERT_EQ(told.messages.size(), 1u);
    EXPECT_NE(told.messages[0].find("could not save"), std::string::npos);
    EXPECT_EQ(list.itemText(1), "bread, eggs, coffee");
    EXPECT_EQ(list.editor()->GetValue(), "bread, eggs, coffee");
}

TEST_F(ToDoTest, PrintsThroughTheToolkitToAFile) {
    TodoList().save(0, "Renew passport");
    ToDo& list = openList();
    const std::string text = printToFile(list, "todo.ps");
    EXPECT_NE(text.find("Things to do..."), std::string::npos);
    EXPECT_NE(text.find("Renew passport"), std::string::npos);
}


// After printing from the to-do list or the week view the keys did nothing there until a click (the
// job disables the window, which takes the focus), and a 100-character line ran off an A4 page,
// from the day planner too.
TEST_F(ToDoTest, PrintingKeepsTheFocusAndFitsLongLinesOnThePage) {
    ToDo& list = openList();
    click(list, 0);
    type(list, std::string(100, 'W').c_str());
    addEntry(2015, 8, 12, 9, 0, std::string(100, 'W'));
    view().openWeekView(2015, 8, 12);
    AppointBook2* planner = openDayPlanner(frame->context(), 2015, 8, 12);
    ASSERT_NE(planner, nullptr);
    wxYield();
    const std::tuple<PrintKind, PrintSource*, wxWindow*> rows[] = {
        {PrintKind::ToDoList, &list, list.editor()},
        {PrintKind::WeekView, ViewWeek::instance(), ViewWeek::instance()->canvas()},
        {PrintKind::DayPlanner, planner, planner->editor()}};
    for (const auto& [kind, source, focus] : rows) {
        focus->SetFocus();
        wxYield();
        ASSERT_EQ(wxWindow::FindFocus(), focus);
        frame->printJob().recordPrintSource(kind, source);
        wxBitmap page(794, 1123, 24); // A4 at the screen's resolution
        {
            wxMemoryDC dc(page);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            printJob().printPage(dc, 1);
        }
        printJob().endPrinting();
        wxYield();
        EXPECT_EQ(wxWindow::FindFocus(), focus) << focus->GetName();
        // Nothing dark (text, lines) in the right margin.
        const wxImage margin = page.ConvertToImage().GetSubImage(wxRect(754, 0, 40, 1123));
        int inked = 0;
        for (int i = 0; i < 40 * 1123 * 3; i += 3)
            inked += margin.GetData()[i] < 128 && margin.GetData()[i + 1] < 128;
        EXPECT_EQ(inked, 0) << focus->GetName();
    }
}

} // namespace
} // namespace zc::test
