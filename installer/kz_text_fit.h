#pragma once
// Showing a script's texts whole in controls of a fixed design size. A caption or a title comes
// from the script and may be longer than the place the design gives it: it then gets a smaller
// font until it fits (never below half the design size, past which it is cut with an ellipsis),
// and the whole text as its tooltip.
#include <cstddef>

#include <wx/font.h>
#include <wx/string.h>

class wxControl;
class wxTextCtrl;
class wxWindow;

// Gives control the design font, or a smaller one when its text does not fit maxWidth with
// padding beside it, and then the whole text as its tooltip. Gives the width the control needs:
// the text's width in the font chosen plus padding, at most maxWidth.
int KzFitText(wxControl* control, const wxFont& designFont, int maxWidth, int padding = 0);

// The text with line breaks inserted so that no line is wider than width in window's font; lines
// break after a blank or a path separator where there is one, else between any two characters,
// so a long file name without blanks wraps too. With maxLines, a text of more lines keeps its first
// and last lines with "..." between them, so the window that shows it still fits the screen.
wxString KzWrapToWidth(const wxWindow* window, const wxString& text, int width, std::size_t maxLines = 0);

// Makes a multi-line pane show a classic scroll bar whenever its text is longer than the pane,
// rather than an overlay bar that is invisible until the pointer passes over it.
void KzShowScrollBarWhenNeeded(wxTextCtrl* pane);
// True when the pane's scroll bar is shown that way (for tests).
bool KzScrollBarShownWhenNeeded(const wxTextCtrl* pane);
