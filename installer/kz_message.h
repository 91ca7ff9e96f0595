#pragma once
// The installer's two kinds of message box, shared by the main window and every dialog, so that
// all of them carry the same titles and buttons.
#include <string>

class wxWindow;

// Converts the installer's "\r" line separators into the toolkit's line breaks.
std::string KzMessageText(const std::string& text);

// A simple message box with one OK button, titled with the installer program's file name
// without its extension.
void KzShowMessage(wxWindow* parent, const std::string& text);

// The confirmation box titled "Confirm" with the buttons "&Yes" and "&No"; true for Yes.
bool KzConfirm(wxWindow* parent, const std::string& text);
