#pragma once
// The program icon (resource 128): a calendar leaf with the letters ZC. It is drawn here rather
// than loaded so that every window has it even when the program runs from its build folder; the
// PNG files installed for the desktop come from the same drawing (see resources/icons).
#include <wx/bitmap.h>
#include <wx/bmpbndl.h>
#include <wx/iconbndl.h>

namespace zc {

wxBitmap programIconBitmap(int size);
// The window icons, each size also drawn at twice its size, so that a window on a screen of
// scale 2 (GDK_SCALE=2) gets an icon drawn for its pixels rather than a small one blown up.
wxIconBundle programIcons();
// The program icon of a size for a control (the About box), drawn at 1x and 2x.
wxBitmapBundle programIconBundle(int size);
// The icon for the notification area. Its smallest (default) size is 22 pixels, the size of the
// common panels' trays, so that a tray that takes the default shows it drawn for that size rather
// than a 16-pixel one blown up or a larger one shrunk; 44 is the same tray at scale 2.
wxBitmapBundle programIconBundle();
// The bullet drawn before each line of the Quick Hints (bitmap resource 148).
wxBitmap bulletBitmap(int size);
wxBitmapBundle bulletBundle(int size);

} // namespace zc
