#include "planner/to_do.h"

#include "ui/command_ids.h"
#include "ui/help_topics.h"
#include "ui/display_text.h"
#include "ui/font_record.h"
#include "ui/wx_questions.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"
#include "ui/save_watch.h"

#include <wx/dcclient.h>

#include <algorithm>

namespace zc {
namespace {

ToDo* theToDo = nullptr;
// Items' text begins this far right of the list's left edge, painted or in the editor.
constexpr int kTextLeft = 5;

} // namespace

ToDo* ToDo::instance() {
    return theToDo;
}

void ToDo::open(CalendarContext& context) {
    // The month view plays the click sound before it asks for the list.
    if (theToDo)
        theToDo->bringForward();
    else
        new ToDo(context);
}

ToDo::ToDo(CalendarContext& context)
    : ViewFrame(context, _("Things To Do..."), settings::kToDoPosition, "toDoList") {
    theToDo = this;
    // Every item's key exists from the first opening on, empty or not.
    list_.loadCreatingKeys();
    if (const std::optional<LogFont> stored = loadFont(settings::kFont2))
        font_ = fontFromRecord(*stored);
    else
        font_ = settings().mainFont;
    {
        wxClientDC dc(canvas());
        measure(dc, false);
    }
    attachMenu(nullptr, cmd::kToDoQuickHints, kHelpToDo);

    const wxSize canvasSize(lineWidth_ + 5, kItems * lineHeight_ + 4);
    SetClientSize(canvasSize);
    WindowPosition at = readPosition(settings::kToDoPosition);
    if (at.left == 0 && at.top == 0) {
        // The lower left corner of the screen.
        at.top = std::max(0, wxGetDisplaySize().y - GetSize().y - 50);
    }
    place(canvasSize, at.left, at.top);
    Show();
    savePositionOnMove();

    canvas()->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& event) {
        leftClick(event.GetX(), event.GetY());
        event.Skip();
    });
}

ToDo::~ToDo() {
    closeEditor();
    if (theToDo == this) theToDo = nullptr;
}

void ToDo::measure(wxDC& dc, bool printing) {
    if (!printing && font_.IsOk()) dc.SetFont(font_);
    if (!dc.GetFont().IsOk()) dc.SetFont(*wxNORMAL_FONT);
    const wxSize extent = dc.GetTextExtent(wxString('h', 70));
    lineWidth_ = extent.x + 4;
    lineHeight_ = extent.y + 4;
}

wxRect ToDo::itemRect(int i) const {
    return wxRect(0, i * lineHeight_, lineWidth_ + 1, lineHeight_ + 1);
}

void ToDo::drawList(wxDC& dc, bool printing) {
    const bool fast = printing && fastPrinting();
    const Colours& c = settings().colours;
    measure(dc, printing);
    if (!fast) dc.SetTextForeground(toWxColour(c.fore));
    // On paper the heading takes the first lines and every item moves down below it.
    const int top = printing ? 3 * lineHeight_ : 0;
    if (printing) dc.DrawText(_("Things to do..."), 22, 2);
    dc.SetPen(*wxTRANSPARENT_PEN);
    for (int i = 0; i < kItems; ++i) {
        const int y = top + i * lineHeight_;
        if (!fast) {
            dc.SetBrush(wxBrush(toWxColour(i % 2 == 0 ? c.dayplan1 : c.dayplan2)));
            dc.DrawRectangle(0, y, 9999, lineHeight_);
        }
        dc.DrawText(displayText(list_.item(i)), kTextLeft, y + 2);
    }
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
}

void ToDo::paint(wxDC& dc) {
    drawList(dc, false);
}

void ToDo::printPage(wxDC& dc, int) {
    // The text being typed belongs on paper too.
    if (editor_) saveItem(editorItem_, editText_);
    measure(dc, true);
    // An item may be wider than the 70 letters a line is measured for.
    fitToPage(dc, {lineWidth_, (kItems + 3) * lineHeight_}, lineHeight_, [&dc, this] {
        int widest = 0;
        for (int i = 0; i < kItems; ++i)
            widest = std::max(widest, kTextLeft + dc.GetTextExtent(displayText(list_.item(i))).x + 4);
        return widest;
    });
    drawList(dc, true);
    wxClientDC screen(canvas());
    measure(screen, false);
}

void ToDo::leftClick(int x, int y) {
    for (int i = 0; i < kItems; ++i) {
        const wxRect r = itemRect(i);
        if (x >= r.GetLeft() && x <= r.GetRight() && y >= r.GetTop() && y <= r.GetBottom()) {
            current_ = i;
            beginEditing(i);
            return;
        }
    }
}

void ToDo::beginEditing(int i) {
    if (!editor_) {
        editor_ = new EntryEdit(canvas(), *this, font_.IsOk() ? font_ : *wxNORMAL_FONT);
        // Leaving the list for another window saves what was typed.
        editor_->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
            saveItem(editorItem_, editText_);
            event.Skip();
        });
    } else {
        saveItem(editorItem_, editText_);
    }
    editorItem_ = i;
    current_ = i;
    editText_ = shownText_ = displayText(list_.item(i));
    editor_->ChangeValue(editText_);
    const wxRect r = itemRect(i);
    editor_->placeOver(kTextLeft, r.y + 2, r.x + r.width - 1, r.height - 3);
    editor_->placeCaret();
    editor_->Show();
    editor_->focusLater();
}

void ToDo::editNext() {
    if (current_ < 0 || current_ >= kItems - 1) return;
    beginEditing(current_ + 1);
}

void ToDo::editPrevious() {
    if (current_ < 1) return;
    beginEditing(current_ - 1);
}

void ToDo::saveItem(int i, const wxString& typed) {
    if (i < 0 || i >= kItems) return;
    const wxString now = displayText(list_.item(i));
    wxString text = typed;
    // The item changed elsewhere while the user typed: the copy the editor started from must not
    // overwrite that, so both texts stay, the other one first, as a sync joins them.
    const bool edited = editor_ && i == editorItem_;
    if (edited && text != shownText_ && now != shownText_ && now != text && !wxString(text).Trim().empty())
        text = displayText(joinTexts(list_.item(i), text.utf8_string()));
    if (edited) {
        if (text != editText_) editor_->ChangeValue(text);
        editText_ = shownText_ = text;
    }
    if (text == now) return;
    const SaveWatch watch;
    list_.save(i, text.utf8_string());
    // A failed write is told once; the text stays in the list, so the user can copy it elsewhere.
    WxQuestions questions(IsShown() ? this : nullptr);
    watch.saved(questions);
    canvas()->RefreshRect(itemRect(i), false);
    if (context().toDoChanged) context().toDoChanged();
}

int ToDo::followStore(const TodoTexts& atStart) {
    const TodoTexts atEnd = list_.items();
    list_.load();
    const int kept = keepTodoEditsMadeDuringSync(list_, atStart, atEnd);
    if (editor_ && editText_ == shownText_) {
        const wxString now = displayText(list_.item(editorItem_));
        if (now != editText_) {
            editText_ = shownText_ = now;
            editor_->ChangeValue(now);
        }
    }
    canvas()->Refresh(false);
    return kept;
}

void ToDo::closeEditor() {
    if (!editor_) return;
    saveItem(editorItem_, editText_);
    EntryEdit* editor = editor_;
    editor_ = nullptr;
    editorItem_ = -1;
    editor->Destroy();
}

bool ToDo::runCommand(int command) {
    switch (command) {
    case cmd::kListPrint:
        print(PrintKind::ToDoList);
        return true;
    case cmd::kToDoQuickHints:
        Disable();
        showQuickHints(wxTRANSLATE("   Quick hints on using the To-Do List"),
                       {{wxTRANSLATE("left click to select an entry to edit")},
                        {wxTRANSLATE("right click to activate a pop-up menu for Cut and Paste commands")},
                        {wxTRANSLATE("all information entered is automatically saved")},
                        {wxTRANSLATE("use the tab, enter and arrow keys to move to the next entry")}});
        Enable();
        return true;
    default:
        return ViewFrame::runCommand(command);
    }
}

} // namespace zc
