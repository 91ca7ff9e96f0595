#pragma once
// Every message box of the calendar: texts from the store or a file may be any bytes and any
// length, and the box must still fit the screen with its buttons in reach.
#include <string>

class wxString;
class wxWindow;

namespace zc {

// A text made fit for a message box: a run without spaces longer than a line (a long path) is
// broken into lines after its path separators, and a run far too long for any screen keeps its
// start and end around "...", so that the box stays narrower than the screen and its buttons can
// be reached.
wxString wrappedMessage(const std::string& utf8);
// wxMessageBox with the text wrapped as above.
int messageBox(const std::string& utf8, const std::string& caption, long style, wxWindow* parent = nullptr);

} // namespace zc
