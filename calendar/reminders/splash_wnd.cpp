#include "reminders/splash_wnd.h"

#include "ui/program_icon.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/event.h>
#include <wx/font.h>
#include <wx/sizer.h>

namespace zc {
namespace {

bool splashEnabled = false;
CSplashWnd* theSplash = nullptr;

bool isPress(wxEventType type) {
    return type == wxEVT_CHAR_HOOK || type == wxEVT_KEY_DOWN || type == wxEVT_LEFT_DOWN ||
           type == wxEVT_RIGHT_DOWN || type == wxEVT_MIDDLE_DOWN || type == wxEVT_LEFT_DCLICK ||
           type == wxEVT_RIGHT_DCLICK || type == wxEVT_MIDDLE_DCLICK;
}

} // namespace

void CSplashWnd::enable(bool flag) {
    splashEnabled = flag;
}

bool CSplashWnd::enabled() {
    return splashEnabled;
}

CSplashWnd* CSplashWnd::current() {
    return theSplash;
}

void CSplashWnd::show(wxWindow* owner) {
    if (!splashEnabled || theSplash) return;
    const wxBitmap bitmap = picture();
    if (!bitmap.IsOk()) return;
    theSplash = new CSplashWnd(owner, bitmap);
}

wxBitmap CSplashWnd::picture() {
    const int width = 400, height = 180;
    wxBitmap bitmap(width, height, 24);
    wxMemoryDC dc(bitmap);
    dc.GradientFillLinear(wxRect(0, 0, width, height), wxColour(0xFF, 0xF4, 0xD6), wxColour(0xF2, 0xC9, 0x7A),
                          wxSOUTH);
    dc.SetPen(wxPen(wxColour(0x80, 0x50, 0x10), 2));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(1, 1, width - 1, height - 1);

    const int iconSize = 96;
    dc.DrawBitmap(programIconBitmap(iconSize), 28, (height - iconSize) / 2, true);

    dc.SetTextForeground(wxColour(0x40, 0x28, 0x08));
    dc.SetFont(wxFontInfo(24).Family(wxFONTFAMILY_ROMAN).FaceName("Times New Roman").Bold());
    dc.DrawText("Zorvel Calendar", 146, 52);
    dc.SetFont(wxFontInfo(11).Family(wxFONTFAMILY_SWISS).FaceName("Arial"));
    dc.DrawText(wxString::Format(_("Version %s"), "2.0c"), 148, 96);
    dc.DrawText(_("Your days, planned at a glance."), 148, 118);
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

CSplashWnd::CSplashWnd(wxWindow* owner, const wxBitmap& picture)
    : wxFrame(owner, wxID_ANY, "Zorvel Calendar", wxDefaultPosition, picture.GetSize(),
              wxBORDER_NONE | wxFRAME_NO_TASKBAR | wxSTAY_ON_TOP, "splashWindow"),
      picture_(picture), timer_(this, kTimerId) {
    // The picture sits in a child of its own size: a frame without a resizable border takes the
    // size its contents ask for, and an empty frame asks for none.
    auto* canvas =
        new wxWindow(this, wxID_ANY, wxDefaultPosition, picture_.GetSize(), wxBORDER_NONE, "splashPicture");
    canvas->SetMinSize(picture_.GetSize());
    canvas->SetBackgroundStyle(wxBG_STYLE_PAINT);
    canvas->SetCursor(*wxSTANDARD_CURSOR);
    canvas->Bind(wxEVT_PAINT, [this, canvas](wxPaintEvent&) {
        wxPaintDC dc(canvas);
        dc.DrawBitmap(picture_, 0, 0);
    });
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(canvas);
    SetSizerAndFit(sizer);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { hide(); }, kTimerId);
    // The owner is not on the screen yet, so the splash window centres on the screen.
    CentreOnScreen();
    Show(true);
    Update();
    timer_.StartOnce(kShowMilliseconds);
}

CSplashWnd::~CSplashWnd() {
    if (theSplash == this) theSplash = nullptr;
}

void CSplashWnd::hide() {
    if (theSplash != this) return;
    theSplash = nullptr;
    timer_.Stop();
    wxWindow* owner = GetParent();
    Hide();
    Destroy();
    if (owner && owner->IsShown()) {
        owner->Refresh();
        owner->Update();
    }
}

int CSplashWnd::filterEvent(wxEvent& event) {
    if (!theSplash || !isPress(event.GetEventType())) return wxEventFilter::Event_Skip;
    theSplash->hide();
    return wxEventFilter::Event_Processed;
}

} // namespace zc
