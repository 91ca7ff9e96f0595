#include "app/native_dialogs.h"

#if ZORVEL_GTK_DIALOGS
#include <gtk/gtk.h>
#endif

namespace zc {

#if ZORVEL_GTK_DIALOGS

int cancelNativeDialogs() {
    int answered = 0;
    GList* windows = gtk_window_list_toplevels();
    // Answering a dialog may destroy others (a print dialog's own sub-dialogs), so each is held
    // until the whole list has been gone through.
    g_list_foreach(windows, [](gpointer window, gpointer) { g_object_ref(window); }, nullptr);
    for (GList* item = windows; item; item = item->next) {
        GtkWidget* window = GTK_WIDGET(item->data);
        if (GTK_IS_DIALOG(window) && gtk_widget_get_visible(window)) {
            gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_DELETE_EVENT);
            ++answered;
        }
    }
    g_list_free_full(windows, g_object_unref);
    return answered;
}

bool insideNativeDialogLoop() {
    // The main loop dispatches at depth 1; every dialog's loop runs inside one of its handlers.
    return g_main_depth() > 1;
}

#else

int cancelNativeDialogs() {
    return 0;
}

bool insideNativeDialogLoop() {
    return false;
}

#endif

} // namespace zc
