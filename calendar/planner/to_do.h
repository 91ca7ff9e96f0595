#pragma once
// ToDo: twenty one-line items, each edited in place and saved into the store as it is left, so
// there is no Save command. Items never move: an erased item stays an empty line. At most one
// exists.
#include "ui/view_frame.h"
#include "planner/entry_edit.h"
#include "data/caldav_sync.h"
#include "data/todo_list.h"

#include <string>

namespace zc {

class ToDo final : public ViewFrame, public EntryEditOwner {
  public:
    static constexpr int kItems = TodoList::kItems;

    // View > To Do List and a click on an empty part of the month view: brings the open list
    // forward, else opens one.
    static void open(CalendarContext& context);
    static ToDo* instance();

    explicit ToDo(CalendarContext& context);
    ~ToDo() override;

    const std::string& itemText(int i) const { return list_.item(i); }
    const TodoTexts& items() const { return list_.items(); }
    int current() const { return current_; }
    // The item's rectangle on screen; right and bottom belong to it.
    wxRect itemRect(int i) const;
    int lineHeight() const { return lineHeight_; }

    // The first item holding the point starts being edited; elsewhere nothing changes.
    void leftClick(int x, int y);
    void beginEditing(int i);
    // Saves the text into item i, when it differs from what the item holds. Text typed over an
    // item that changed elsewhere meanwhile (a sync brought the server's text) is joined to it.
    void saveItem(int i, const wxString& text);
    // After a background sync wrote the store: the items are read again, and the ones changed
    // here since atStart are made again over the sync's writes (keepTodoEditsMadeDuringSync).
    // An editor nobody typed into follows its item. Returns how many items were written.
    int followStore(const TodoTexts& atStart);
    EntryEdit* editor() const { return editor_; }

    // The editor's keys: Tab, Enter and Down; Up. Each saves the item first and does nothing
    // past the ends. Page Up and Page Down do nothing in the list.
    void editNext() override;
    void editPrevious() override;
    void editTop() override {}
    void editBottom() override {}
    void editTextChanged(const wxString& text) override { editText_ = text; }

    // The one drawing routine, for the screen and the printer.
    void drawList(wxDC& dc, bool printing);
    bool runCommand(int command) override;
    void printPage(wxDC& dc, int page) override;

  protected:
    void paint(wxDC& dc) override;

  private:
    void measure(wxDC& dc, bool printing);
    void closeEditor();

    TodoList list_;
    int current_ = -1;
    EntryEdit* editor_ = nullptr;
    int editorItem_ = -1;
    wxString editText_;
    // The item's text when the editor took it up or last saved it: typed text differs from it.
    wxString shownText_;
    wxFont font_;
    int lineWidth_ = 0, lineHeight_ = 0;
};

} // namespace zc
