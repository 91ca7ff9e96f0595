#pragma once
// The splash window: a borderless picture of the program's name and icon, centred on the screen
// while the calendar starts. It shows on the first start and whenever "splash" is set, closes
// after 1.5 seconds or at the first key or mouse press, and that press does nothing else.
#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/timer.h>

class wxEvent;

namespace zc {

class CSplashWnd final : public wxFrame {
  public:
    static constexpr int kTimerId = 5;
    static constexpr int kShowMilliseconds = 1500;

    // Whether this start shows the splash window; start-up decides, and it starts clear.
    static void enable(bool flag);
    static bool enabled();
    // Shows the splash window over owner (the main frame, not yet visible) when enabled and none
    // is showing.
    static void show(wxWindow* owner);
    // The splash window on the screen, or nullptr.
    static CSplashWnd* current();
    // Offered every event of the program first: a key or mouse press while the splash window is
    // up closes it and is consumed (wxEventFilter's Event_Processed); everything else goes on
    // (Event_Skip).
    static int filterEvent(wxEvent& event);

    // The picture: the program icon, its name and version.
    static wxBitmap picture();

    wxTimer& timer() { return timer_; }

  private:
    CSplashWnd(wxWindow* owner, const wxBitmap& picture);
    ~CSplashWnd() override;
    // Takes the splash window off the screen and lets the main window draw what it covered.
    void hide();

    wxBitmap picture_;
    wxTimer timer_;
};

} // namespace zc
