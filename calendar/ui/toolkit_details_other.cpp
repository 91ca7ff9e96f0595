// The toolkit details where the toolkit is not GTK: native scroll bars are classic ones already,
// and a menu that opened stays open until the user closes it.
#ifndef __WXGTK__

#include "ui/toolkit_details.h"

namespace zc {

void showClassicScrollBars(wxWindow*) {}

bool showsClassicScrollBars(const wxWindow*) {
    return true;
}

void closeMenuBarMenu(wxMenu*) {}

int textInsetOf(const wxTextCtrl*) {
    return 0;
}

int drawnTextLeftOf(const wxTextCtrl*) {
    return 0;
}

} // namespace zc

#endif // __WXGTK__
