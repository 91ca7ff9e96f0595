#pragma once
// The program icon (resource 128): a calendar leaf with the letters ZC. It is drawn here rather
// than loaded so that every window has it even when the program runs from its build folder; the
// PNG files installed for the desktop come from the same drawing (see resources/icons).
#include <wx/bitmap.h>
#include <wx/bmpbndl.h>
#include <wx/iconbndl.h>

namespace zc {

wxBitmap programIconBitmap(int size);
wxIconBundle programIcons();
// The icon for the notification area. Its smallest (default) size is 22 pixels, the size of the
// common panels' trays, so that a tray that takes the default shows it drawn for that size rather
// than a 16-pixel one blown up or a larger one shrunk.
wxBitmapBundle programIconBundle();
// The bullet drawn before each line of the Quick Hints (bitmap resource 148).
wxBitmap bulletBitmap(int size);

} // namespace zc
