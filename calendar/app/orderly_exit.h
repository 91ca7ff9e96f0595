#pragma once
// OrderlyExit ends the program from outside the user's hands (SIGTERM, the end of the desktop
// session) the way File > Exit does: the open day planners commit, old months are purged, the
// store is closed. Closing the windows from inside a dialog's loop would free what the dialog's
// caller still uses, so every open dialog is first answered as cancelled, and the windows close
// only once each dialog's loop has returned to the main loop.
#include <wx/timer.h>

#include <functional>

namespace zc {

class OrderlyExit {
  public:
    // close is what File > Exit does; it runs at most once, from the main loop.
    explicit OrderlyExit(std::function<void()> close);

    // Safe to call from any handler, a dialog's loop included, and more than once.
    void request();

    // How long the dialogs are given to return before the program ends without closing its
    // windows (store closed, exit status 1).
    static constexpr int kRetryMilliseconds = 50;
    static constexpr int kMaxRetries = 100;

  private:
    static bool insideDialogLoop();
    static void endDialogs();
    void tryClose();

    std::function<void()> close_;
    wxTimer retry_;
    int retries_ = 0;
    bool requested_ = false;
    bool closed_ = false;
};

} // namespace zc
