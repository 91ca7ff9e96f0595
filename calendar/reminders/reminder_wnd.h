#pragma once
// ReminderWnd: the small always-on-top window of a due reminder, titled with the appointment's time
// and showing " Reminder:" over its notes; in its countdown form (hour -1) it is titled "Zorvel
// Calendar" and reads " Timer Expired:". The reminder sound plays whenever it paints. Windows
// cascade from (50, 70) in steps of 25 pixels for the whole run; each lives until the user closes
// it, and the main frame deletes any still open when it closes.
#include "ui/calendar_context.h"

#include <wx/font.h>
#include <wx/frame.h>

#include <string>

class wxDC;

namespace zc {

class ReminderWnd final : public wxFrame {
  public:
    static constexpr int kCountdown = -1;

    // Where the next window opens.
    struct Cascade {
        int left = 50;
        int top = 70;
    };
    static Cascade& cascade();

    // " 9:05am", " 12:00pm", " 0:30am" (" 09:05", " 12:00", " 00:30" on the 24-hour clock);
    // "Zorvel Calendar" for the countdown form.
    static wxString titleFor(int hour, int minute, const RegionSettings& region = {});

    ReminderWnd(wxWindow* parent, const ViewSettings& settings, int hour, int minute, const std::string& text);

    // The one drawing routine, for the screen and for tests that read its pixels.
    void draw(wxDC& dc);

    int hour() const { return hour_; }
    // The clock changed: the title shows the time anew.
    void regionChanged() { SetTitle(titleFor(hour_, minute_, settings_.region)); }
    const wxString& text() const { return text_; }
    wxSize textSize() const { return {textWidth_, textHeight_}; }
    int windowWidth() const { return windowWidth_; }

  private:
    void onPaint(wxPaintEvent& event);
    void selectFont(wxDC& dc) const;

    const ViewSettings& settings_;
    wxString text_;
    int hour_;
    int minute_;
    int textWidth_ = 0;
    int textHeight_ = 0;
    int windowWidth_ = 250;
    wxFont mainFont_;
    wxFont font_; // the stored planner font, when there is one
    wxPoint place_;  // where the cascade puts the window
    bool painted_ = false;
};

// Opens a reminder window on the main window and shows it; hour -1 gives the countdown form.
ReminderWnd* showReminder(CalendarContext& context, int hour, int minute, const std::string& text);

} // namespace zc
