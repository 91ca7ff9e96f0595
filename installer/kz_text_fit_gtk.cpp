// The scroll bars of the installer's text panes on GTK.
#ifdef __WXGTK__

#include "kz_text_fit.h"

#include <gtk/gtk.h>
#include <wx/textctrl.h>

namespace {
GtkScrolledWindow* ScrolledWindowOf(const wxTextCtrl* pane) {
    // A multi-line text control is a text view inside a scrolled window, which is its handle.
    GtkWidget* widget = pane->GetHandle();
    return widget && GTK_IS_SCROLLED_WINDOW(widget) ? GTK_SCROLLED_WINDOW(widget) : nullptr;
}
} // namespace

void KzShowScrollBarWhenNeeded(wxTextCtrl* pane) {
    if (GtkScrolledWindow* scrolled = ScrolledWindowOf(pane)) {
        gtk_scrolled_window_set_overlay_scrolling(scrolled, FALSE);
        GtkPolicyType horizontal, vertical;
        gtk_scrolled_window_get_policy(scrolled, &horizontal, &vertical);
        gtk_scrolled_window_set_policy(scrolled, horizontal, GTK_POLICY_AUTOMATIC);
    }
}

bool KzScrollBarShownWhenNeeded(const wxTextCtrl* pane) {
    GtkScrolledWindow* scrolled = ScrolledWindowOf(pane);
    if (!scrolled || gtk_scrolled_window_get_overlay_scrolling(scrolled)) return false;
    GtkPolicyType horizontal, vertical;
    gtk_scrolled_window_get_policy(scrolled, &horizontal, &vertical);
    return vertical == GTK_POLICY_AUTOMATIC || vertical == GTK_POLICY_ALWAYS;
}

#endif // __WXGTK__
