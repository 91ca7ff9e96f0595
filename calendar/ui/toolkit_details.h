#pragma once
// What the windows need from the toolkit beneath wxWidgets and wxWidgets does not offer: one file
// per toolkit (toolkit_details_gtk.cpp, toolkit_details_other.cpp).
class wxMenu;
class wxTextCtrl;
class wxWindow;

namespace zc {

// Makes a window's scroll bars classic ones, shown at all times, rather than overlay bars that
// stay invisible until the pointer passes over them.
void showClassicScrollBars(wxWindow* window);
// Whether the window's scroll bars are shown that way (for tests).
bool showsClassicScrollBars(const wxWindow* window);
// Closes a menu of the menu bar that has just opened, with the menu bar's selection.
void closeMenuBarMenu(wxMenu* menu);
// How far right of a single-line control's left edge its text begins: where the control has put
// its text area once laid out, else what its style asks for.
int textInsetOf(const wxTextCtrl* control);
// Where the control has drawn its text, from its left edge, once it has been laid out; -1 before
// (for tests).
int drawnTextLeftOf(const wxTextCtrl* control);

} // namespace zc
