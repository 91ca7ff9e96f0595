#include "planner/entry_edit.h"

#include "ui/toolkit_details.h"

#include <wx/weakref.h>

namespace zc {

EntryEdit::EntryEdit(wxWindow* parent, EntryEditOwner& owner, const wxFont& font)
    // Tab and Enter move between slots, so the control asks for them rather than letting the
    // toolkit move the focus or press a default button.
    : wxTextCtrl(parent, kId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                 wxBORDER_NONE | wxTE_PROCESS_TAB | wxTE_PROCESS_ENTER | wxWANTS_CHARS, wxDefaultValidator,
                 "entryEdit"),
      owner_(owner) {
    SetFont(font);
    SetMaxLength(kMaxLength);
    Bind(wxEVT_KEY_DOWN, &EntryEdit::onKeyDown, this);
    Bind(wxEVT_IDLE, &EntryEdit::followLayout, this);
    Bind(wxEVT_TEXT, [this](wxCommandEvent&) { owner_.editTextChanged(GetValue()); });
    // Enter is consumed on key down already; the text control must not beep or pass it on.
    Bind(wxEVT_TEXT_ENTER, [](wxCommandEvent&) {});
}

void EntryEdit::focusLater() {
    wxWeakRef<EntryEdit> self(this);
    CallAfter([self] {
        if (!self || !self->IsShown()) return;
        self->SetFocus();
        // The toolkit selects the whole text of a control that takes the focus; the caret goes
        // where placeCaret puts it instead.
        self->placeCaret();
    });
}

void EntryEdit::placeOver(int textLeft, int top, int right, int height) {
    place_ = wxRect(textLeft, top, right - textLeft, height);
    applyPlace();
}

void EntryEdit::applyPlace() {
    placedInset_ = textInsetOf(this);
    const int left = place_.x - placedInset_;
    SetSize(left, place_.y, place_.GetRight() + 1 - left, place_.height);
}

void EntryEdit::followLayout(wxIdleEvent& event) {
    event.Skip();
    // Until the toolkit has laid the control out, only its style tells where its text begins, and
    // that may be off by a pixel or two; the control is placed again once the toolkit knows. On a
    // busy machine that is later than any single deferred call, so every idle moment looks.
    if (IsShown() && !place_.IsEmpty() && textInsetOf(this) != placedInset_) applyPlace();
}

void EntryEdit::placeCaret() {
    const int room = GetClientSize().x - 2 * textInsetOf(this);
    if (GetTextExtent(GetValue()).x < room)
        SetInsertionPointEnd();
    else
        SetInsertionPoint(0);
}

void EntryEdit::onKeyDown(wxKeyEvent& event) {
    // Modified keys (Shift+Tab, Ctrl+Home) keep their usual meaning in the control.
    if (event.HasAnyModifiers()) {
        event.Skip();
        return;
    }
    // Each handler may destroy this control, so nothing touches it afterwards.
    switch (event.GetKeyCode()) {
    case WXK_TAB:
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        owner_.editNext();
        return;
    case WXK_UP:
    case WXK_NUMPAD_UP:
        owner_.editPrevious();
        return;
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP:
        owner_.editTop();
        return;
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN:
        owner_.editBottom();
        return;
    default:
        event.Skip();
    }
}

} // namespace zc
