#include "app/desktop_identity.h"

#include <wx/defs.h>

#if defined(__WXGTK__) && __has_include(<glib.h>)
#include <glib.h>
#define ZORVEL_HAS_GLIB 1
#endif

namespace zc {

void useDesktopEntryIdentity() {
#ifdef ZORVEL_HAS_GLIB
    g_set_prgname(kDesktopEntryId);
#endif
}

} // namespace zc
