#pragma once
// The toolkit's own dialogs (on GTK: print, page setup and message boxes) run a loop of their own
// that the program's window classes never see. The program ends them from here when it has to
// close while one is open, and asks here whether such a loop is still on the stack.

namespace zc {

// Answers every open dialog of the toolkit as if its close box had been pressed, so that its loop
// returns. Returns how many were answered.
int cancelNativeDialogs();

// Whether the code running now was called from a dialog's loop rather than from the main loop.
bool insideNativeDialogLoop();

} // namespace zc
