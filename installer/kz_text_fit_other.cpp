// The scroll bars of the installer's text panes where the toolkit is not GTK: the native panes
// show a classic scroll bar whenever their text is longer than they are.
#ifndef __WXGTK__

#include "kz_text_fit.h"

void KzShowScrollBarWhenNeeded(wxTextCtrl*) {}

bool KzScrollBarShownWhenNeeded(const wxTextCtrl*) {
    return true;
}

#endif // __WXGTK__
