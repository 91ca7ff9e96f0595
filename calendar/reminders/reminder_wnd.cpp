#include "reminders/reminder_wnd.h"

#include "data/colours.h"
#include "ui/display_text.h"
#include "ui/font_record.h"
#include "data/date_helpers.h"
#include "data/settings_catalogue.h"
#include "ui/sound.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace zc {
namespace {

// Icon 168: a yellow alarm bell, so a reminder is told apart from the calendar's other windows.
// It is drawn on a 16-unit grid at the size asked for.
wxIcon reminderIcon(int size) {
    wxImage canvas(size, size);
    canvas.SetAlpha(static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(size) * size, 1)));
    wxBitmap bitmap(canvas);
    {
        wxMemoryDC dc(bitmap);
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
        if (gc) {
            gc->Scale(size / 16.0, size / 16.0);
            gc->SetPen(wxPen(wxColour(96, 64, 0)));
            gc->SetBrush(wxBrush(wxColour(255, 200, 0)));
            wxGraphicsPath bell = gc->CreatePath();
            bell.MoveToPoint(2, 12.5);
            bell.AddCurveToPoint(4, 11, 3.5, 2, 8, 2);
            bell.AddCurveToPoint(12.5, 2, 12, 11, 14, 12.5);
            bell.CloseSubpath();
            gc->DrawPath(bell);
            gc->SetBrush(wxBrush(wxColour(96, 64, 0)));
            gc->DrawEllipse(6.5, 12, 3, 3);
        }
    }
    wxIcon icon;
    icon.CopyFromBitmap(bitmap);
    return icon;
}

wxColour toWx(ColourRef c) {
    return wxColour(static_cast<unsigned long>(c));
}

} // namespace

ReminderWnd::Cascade& ReminderWnd::cascade() {
    static Cascade next;
    return next;
}

wxString ReminderWnd::titleFor(int hour, int minute, const RegionSettings& region) {
    if (hour == kCountdown) return "Zorvel Calendar";
    return " " + wxString(timeText(hour, minute, TimeForm::kFull, region));
}

ReminderWnd::ReminderWnd(wxWindow* parent, const ViewSettings& settings, int hour, int minute,
                         const std::string& text)
    : wxFrame(parent, wxID_ANY, titleFor(hour, minute, settings.region), wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxSTAY_ON_TOP,
              hour == kCountdown ? "countdownWindow" : "reminderWindow"),
      settings_(settings), text_(displayText(text)), hour_(hour), minute_(minute), mainFont_(settings.mainFont) {
    if (const auto stored = loadFont(settings::kFont2)) font_ = fontFromRecord(*stored);
    {
        wxClientDC dc(this);
        selectFont(dc);
        dc.GetMultiLineTextExtent(text_, &textWidth_, &textHeight_);
    }
    // An empty text still measures one line, so the window keeps its shape.
    if (textHeight_ == 0) {
        wxClientDC dc(this);
        selectFont(dc);
        textHeight_ = dc.GetCharHeight();
    }
    windowWidth_ = std::max(textWidth_ + 20, 250);

    Cascade& next = cascade();
    if (next.left + textWidth_ + 19 > wxSystemSettings::GetMetric(wxSYS_SCREEN_X)) next.left = 50;
    if (next.top > 300) next.top = 70;
    SetSize(next.left, next.top, windowWidth_ + 10, 2 * textHeight_ + 77);
    place_ = wxPoint(next.left, next.top);
    next.left += 25;
    next.top += 25;

    SetBackgroundStyle(wxBG_STYLE_PAINT);
    // The 32-pixel bell serves a screen of scale 2.
    wxIconBundle icons;
    for (const int size : {16, 32})
        icons.AddIcon(reminderIcon(size));
    SetIcons(icons);
    Bind(wxEVT_PAINT, &ReminderWnd::onPaint, this);
    // While the main window is hidden the window manager maps the window in the corner, whatever
    // place it asked for; a move before the window has shown anything is taken back.
    Bind(wxEVT_MOVE, [this](wxMoveEvent& event) {
        event.Skip();
        if (!painted_ && GetPosition() != place_) CallAfter([this] { Move(place_); });
    });
    // A reminder is read and dismissed; Escape does it without reaching for the mouse.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE && !event.HasAnyModifiers())
            Close();
        else
            event.Skip();
    });
}

void ReminderWnd::selectFont(wxDC& dc) const {
    dc.SetFont(font_.IsOk() ? font_ : mainFont_);
}

void ReminderWnd::draw(wxDC& dc) {
    const Colours& c = settings_.colours;
    const bool evenHour = hour_ != kCountdown && hour_ % 2 == 0;
    dc.SetBrush(wxBrush(toWx(evenHour ? c.dayplan1 : c.dayplan2)));
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(0, 0, 1600, 1600);
    selectFont(dc);
    dc.SetTextForeground(toWx(c.fore));
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.DrawText(hour_ == kCountdown ? " Timer Expired:" : " Reminder:", 1, 10);
    dc.DrawText(text_, (windowWidth_ - textWidth_) / 2, textHeight_ + 14);
}

void ReminderWnd::onPaint(wxPaintEvent&) {
    painted_ = true;
    playSound(settings::kSoundReminders);
    wxPaintDC dc(this);
    draw(dc);
}

ReminderWnd* showReminder(CalendarContext& context, int hour, int minute, const std::string& text) {
    auto* window = new ReminderWnd(context.owner, context.settings, hour, minute, text);
    window->Show();
    return window;
}

} // namespace zc
