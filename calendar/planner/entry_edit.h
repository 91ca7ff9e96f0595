#pragma once
// EntryEdit: the single-line in-place editor of the day planner and the to-do list. It sits over
// one slot at a time; the window that owns it decides what its keys mean (next and previous slot,
// top and bottom) and commits its text when it goes.
#include <wx/textctrl.h>

namespace zc {

class Appointment;

// What the editor asks of the window it edits in.
class EntryEditOwner {
  public:
    virtual ~EntryEditOwner() = default;
    // Tab, Enter and Down arrow.
    virtual void editNext() = 0;
    // Up arrow.
    virtual void editPrevious() = 0;
    // Page Up and Page Down.
    virtual void editTop() = 0;
    virtual void editBottom() = 0;
    // Every change of the text, as the user types it.
    virtual void editTextChanged(const wxString& text) = 0;
};

class EntryEdit final : public wxTextCtrl {
  public:
    static constexpr int kId = 16150;
    static constexpr int kMaxLength = 100;

    EntryEdit(wxWindow* parent, EntryEditOwner& owner, const wxFont& font);

    // Takes the keyboard focus once the current event (a key, or a click in another control) is
    // done, with the caret placed as placeCaret places it.
    void focusLater();
    // Lays the editor over a slot so that its text begins at textLeft, where the slot's text is
    // painted, and the text does not jump when the slot is selected.
    void placeOver(int textLeft, int top, int right, int height);
    // Typing goes on after the text when the whole text shows; a longer text shows its start,
    // with the caret before it.
    void placeCaret();

    // The appointment shown, or nullptr while the slot is empty.
    Appointment* entry = nullptr;

  private:
    void onKeyDown(wxKeyEvent& event);
    void applyPlace();
    void followLayout(wxIdleEvent& event);

    EntryEditOwner& owner_;
    // Where the text goes (its left edge) and the slot's top, right end and height.
    wxRect place_;
    // The text inset the control was placed with.
    int placedInset_ = 0;
};

} // namespace zc
