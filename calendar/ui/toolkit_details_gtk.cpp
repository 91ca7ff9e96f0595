// The toolkit details on GTK.
#ifdef __WXGTK__

#include "ui/toolkit_details.h"

#include <gtk/gtk.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/window.h>

namespace zc {
namespace {

// A window with scroll bars is a drawing area inside a scrolled window, which is its handle.
GtkScrolledWindow* scrolledWindowOf(const wxWindow* window) {
    GtkWidget* widget = window ? window->GetHandle() : nullptr;
    return widget && GTK_IS_SCROLLED_WINDOW(widget) ? GTK_SCROLLED_WINDOW(widget) : nullptr;
}

} // namespace

void showClassicScrollBars(wxWindow* window) {
    if (GtkScrolledWindow* scrolled = scrolledWindowOf(window)) gtk_scrolled_window_set_overlay_scrolling(scrolled, FALSE);
}

bool showsClassicScrollBars(const wxWindow* window) {
    GtkScrolledWindow* scrolled = scrolledWindowOf(window);
    return scrolled && !gtk_scrolled_window_get_overlay_scrolling(scrolled);
}

void closeMenuBarMenu(wxMenu* menu) {
    if (!menu || !menu->m_menu) return;
    // The menu hangs from its item in the menu bar; deactivating the bar closes both.
    GtkWidget* item = gtk_menu_get_attach_widget(GTK_MENU(menu->m_menu));
    GtkWidget* bar = item ? gtk_widget_get_parent(item) : nullptr;
    if (bar && GTK_IS_MENU_SHELL(bar))
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(bar));
    else
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu->m_menu));
}

int textInsetOf(const wxTextCtrl* control) {
    GtkWidget* widget = control ? control->GetHandle() : nullptr;
    if (!widget || !GTK_IS_ENTRY(widget)) return 0;
    // Once laid out, the entry says where its text area is; before, its style tells.
    if (gtk_widget_get_realized(widget)) {
        GdkRectangle area{};
        gtk_entry_get_text_area(GTK_ENTRY(widget), &area);
        if (area.width > 0) return area.x;
    }
    GtkStyleContext* style = gtk_widget_get_style_context(widget);
    const GtkStateFlags state = gtk_style_context_get_state(style);
    GtkBorder padding{}, border{};
    gtk_style_context_get_padding(style, state, &padding);
    gtk_style_context_get_border(style, state, &border);
    return padding.left + border.left;
}

int drawnTextLeftOf(const wxTextCtrl* control) {
    GtkWidget* widget = control ? control->GetHandle() : nullptr;
    if (!widget || !GTK_IS_ENTRY(widget) || !gtk_widget_get_realized(widget)) return -1;
    int x = 0, y = 0;
    gtk_entry_get_layout_offsets(GTK_ENTRY(widget), &x, &y);
    return x;
}

} // namespace zc

#endif // __WXGTK__
