#include "app/zorvel_cal_view.h"

#include "data/colours.h"
#include "data/date_helpers.h"
#include "data/settings_catalogue.h"
#include "planner/appoint_book2.h"
#include "planner/to_do.h"
#include "planner/view_week.h"
#include "ui/sound.h"

#include <wx/dcclient.h>

namespace zc {
namespace {

wxColour toWx(ColourRef c) {
    return wxColour(static_cast<unsigned long>(c));
}

// TRANSLATORS: the two-letter weekday heads of the month grids.
const char* const kWeekdayHeads[] = {wxTRANSLATE("Su"), wxTRANSLATE("Mo"), wxTRANSLATE("Tu"), wxTRANSLATE("We"),
                                     wxTRANSLATE("Th"), wxTRANSLATE("Fr"), wxTRANSLATE("Sa")};

} // namespace

CZorvelCalView::CZorvelCalView(wxWindow* parent, CalendarContext& context)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS,
               "monthView"),
      context_(context), table_(context.table), clock_(context.clock) {
    // The paint handler covers every pixel, so the toolkit need not clear the window first.
    SetBackgroundStyle(wxBG_STYLE_PAINT);

    setMainFont(loadFont(settings::kFont).value_or(defaultMainFont()));

    const LocalDate today = toLocal(static_cast<Time32>(clock_.now()));
    year_ = today.year;
    month_ = today.month;

    const settings::ReminderSettings s = settings::loadReminderSettings();
    ViewSettings& shared = context_.settings;
    shared.age = s.age;
    shared.reminders = s.reminders;
    shared.fastprinting = s.fastprinting;
    shared.region = settings::loadRegionSettings();
    table_.defaultEarly() = s.early;
    table_.loadAll();
    // A planner, a restore or an import may change the month while this view shows it.
    tableListener_ = table_.addChangeListener([this] { Refresh(false); });

    shared.colours = loadColours();

    Bind(wxEVT_PAINT, &CZorvelCalView::onPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CZorvelCalView::onLeftDown, this);
    Bind(wxEVT_RIGHT_DOWN, &CZorvelCalView::onRightDown, this);
    Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
        if (event.HasAnyModifiers() || !keyPressed(event.GetKeyCode())) event.Skip();
    });
    // The selected day is marked only while the keys reach this view.
    const auto focusChanged = [this](wxFocusEvent& event) {
        Refresh(false);
        event.Skip();
    };
    Bind(wxEVT_SET_FOCUS, focusChanged);
    Bind(wxEVT_KILL_FOCUS, focusChanged);
}

CZorvelCalView::~CZorvelCalView() {
    table_.removeChangeListener(tableListener_);
    AppointBook2::closeAll();
    table_.purgeOldMonths(context_.settings.age);
    saveColours(context_.settings.colours);
}

void CZorvelCalView::measure(wxDC& dc) {
    dc.SetFont(mainFont());
    wxCoord w = 0, h = 0;
    dc.GetTextExtent("We", &w, &h);
    cellWidth_ = w + 5;
    cellHeight_ = h + 4;
}

wxSize CZorvelCalView::cellSize(wxDC& dc) {
    measure(dc);
    return {7 * cellWidth_ + 12, 8 * cellHeight_ + 49};
}

wxSize CZorvelCalView::gridSize() {
    wxClientDC dc(this);
    measure(dc);
    return {7 * cellWidth_, 8 * cellHeight_};
}

void CZorvelCalView::showMonth(int year, int month) {
    year_ = year;
    month_ = month;
    draw();
}

int CZorvelCalView::selectedDay() const {
    if (selectedDay_ > 0) return std::min(selectedDay_, daysInMonth(year_, month_));
    const LocalDate today = toLocal(static_cast<Time32>(clock_.now()));
    return today.year == year_ && today.month == month_ ? today.day : 1;
}

void CZorvelCalView::selectDate(int year, int month, int day) {
    if (year < kFirstYear || year > kLastYear) return;
    selectedDay_ = day;
    if (year != year_ || month != month_)
        showMonth(year, month);
    else
        Refresh(false);
}

bool CZorvelCalView::keyPressed(int keyCode) {
    const int day = selectedDay();
    // Steps by days go through the date helpers at noon, so months and years turn as they do on
    // the calendar and no change of daylight saving time lands on another day.
    const auto stepDays = [&](int days) {
        const std::int64_t noon = localTime(year_, month_, day, 12, 0);
        const LocalDate to = toLocal(static_cast<Time32>(noon + days * 86400));
        selectDate(to.year, to.month, to.day);
    };
    const auto stepMonths = [&](int months) {
        const int index = year_ * 12 + (month_ - 1) + months;
        const int year = index / 12, month = index % 12 + 1;
        selectDate(year, month, std::min(day, daysInMonth(year, month)));
    };
    switch (keyCode) {
    case WXK_LEFT: stepDays(-1); return true;
    case WXK_RIGHT: stepDays(1); return true;
    case WXK_UP: stepDays(-7); return true;
    case WXK_DOWN: stepDays(7); return true;
    case WXK_PAGEUP: stepMonths(-1); return true;
    case WXK_PAGEDOWN: stepMonths(1); return true;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: openPlanner(year_, month_, day); return true;
    default: return false;
    }
}

void CZorvelCalView::showThisMonth() {
    const LocalDate today = toLocal(static_cast<Time32>(clock_.now()));
    showMonth(today.year, today.month);
}

void CZorvelCalView::refreshIfShowing(int year, int month) {
    if (year == year_ && month == month_) Refresh(false);
}

void CZorvelCalView::draw() {
    // Drawing happens in the paint handler (the toolkit paints nowhere else); Update() makes it
    // happen now rather than at the next idle time.
    Refresh(false);
    Update();
    // Clicks are matched against the grid of the month now shown, even when the window is hidden
    // and has not painted.
    wxBitmap scratch(1, 1);
    wxMemoryDC dc(scratch);
    if (!IsShownOnScreen()) drawMonth(dc, false);
}

void CZorvelCalView::drawCell(wxDC& dc, const wxString& text, int x, int y, int w, bool raised, bool today,
                              bool marked) {
    const int h = cellHeight_;
    const Colours& c = context_.settings.colours;
    const wxColour oldText = dc.GetTextForeground();
    if (marked) dc.SetTextForeground(toWx(c.hasappoint));
    wxCoord tw = 0, th = 0;
    dc.GetTextExtent(text, &tw, &th);
    dc.DrawText(text, x + (w - tw) / 2, y + (h - th) / 2);
    dc.SetTextForeground(oldText);

    // Every frame line is a one-pixel fill on whole pixels: crisp on any device context, with
    // smoothing left on for the text.
    const auto fill = [&dc](ColourRef colour, int left, int top, int right, int bottom) {
        dc.SetBrush(wxBrush(toWx(colour)));
        dc.DrawRectangle(left, top, right - left + 1, bottom - top + 1);
    };
    const auto outline = [&fill](ColourRef colour, int left, int top, int width, int height) {
        const int right = left + width - 1, bottom = top + height - 1;
        fill(colour, left, top, right, top);
        fill(colour, left, bottom, right, bottom);
        fill(colour, left, top, left, bottom);
        fill(colour, right, top, right, bottom);
    };
    dc.SetPen(*wxTRANSPARENT_PEN);
    if (today) {
        outline(c.currentday, x + 1, y + 1, w - 4, h - 3);
        outline(c.currentday, x + 2, y + 2, w - 6, h - 5);
    }
    if (raised) {
        const int right = x + w - 2, bottom = y + h - 2;
        fill(c.toplite, x, y, right, y);
        fill(c.toplite, x, y, x, bottom);
        fill(c.botlite, x, bottom, right, bottom);
        fill(c.botlite, right, y, right, bottom);
    }
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
}

void CZorvelCalView::drawMonth(wxDC& dc, bool printing) {
    measure(dc);
    const Colours& c = context_.settings.colours;
    const int cw = cellWidth_, ch = cellHeight_;

    dc.SetTextForeground(toWx(c.fore));
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(toWx(c.back)));
    dc.DrawRectangle(0, 0, 1600, 1600);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
    dc.SetTextBackground(toWx(c.back));
    dc.SetFont(mainFont());

    drawCell(dc, "<<", 0, 0, cw, true, false, false);
    prevRect_ = {0, 0, cw, ch};
    drawCell(dc, wxString::Format("%s/%d", wxGetTranslation(shortMonthName(month_)), year_), cw, 0, 5 * cw,
             false, false, false);
    drawCell(dc, ">>", 6 * cw, 0, cw, true, false, false);
    nextRect_ = {6 * cw, 0, 7 * cw, ch};

    const int firstWeekday = context_.settings.region.firstWeekday;
    for (int column = 0; column < 7; ++column)
        drawCell(dc, wxGetTranslation(kWeekdayHeads[weekdayOfColumn(column, firstWeekday) - 1]), column * cw, ch, cw, false, false,
                 false);

    for (int d = 29; d <= 31; ++d)
        dayRects_[d] = {};
    const LocalDate now = toLocal(static_cast<Time32>(clock_.now()));
    const bool thisMonth = now.year == year_ && now.month == month_;
    int column = weekColumn(toLocal(localTime(year_, month_, 1, 12, 0)).weekday, firstWeekday);
    int y = 2 * ch;
    const int days = daysInMonth(year_, month_);
    for (int d = 1; d <= days; ++d) {
        const int x = column * cw;
        drawCell(dc, wxString::Format("%d", d), x, y, cw, true, thisMonth && d == now.day,
                 table_.hasAppointmentOn(year_, month_, d));
        dayRects_[d] = {x, y, x + cw, y + ch};
        if (++column == 7) {
            column = 0;
            y += ch;
        }
    }
    // The keyboard's day, while the keys come here; paper never shows it.
    if (!printing && HasFocus()) {
        const CellRect& r = dayRects_[selectedDay()];
        dc.SetPen(wxPen(toWx(c.fore), 1, wxPENSTYLE_DOT));
        dc.DrawRectangle(r.left + 3, r.top + 3, r.right - r.left - 7, r.bottom - r.top - 7);
        dc.SetPen(*wxTRANSPARENT_PEN);
    }
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
}

void CZorvelCalView::onPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    drawMonth(dc, false);
    if (!firstPaintDone_) {
        firstPaintDone_ = true;
        if (firstPaintHandler)
            CallAfter([this] {
                if (firstPaintHandler) firstPaintHandler();
            });
    }
}

int CZorvelCalView::dayAt(int x, int y) const {
    for (int d = 1; d <= 31; ++d)
        if (dayRects_[d].contains(x, y)) return d;
    return 32;
}

void CZorvelCalView::leftClick(int x, int y) {
    bool hit = false;
    if (prevRect_.contains(x, y)) {
        hit = true;
        int year = year_, month = month_ - 1;
        if (month == 0) {
            --year;
            month = 12;
        }
        // The year is clamped and the month kept, so January 1970 steps to December 1970.
        showMonth(std::max(year, kFirstYear), month);
    } else if (nextRect_.contains(x, y)) {
        hit = true;
        int year = year_, month = month_ + 1;
        if (month == 13) {
            ++year;
            month = 1;
        }
        showMonth(std::min(year, kLastYear), month);
    }
    const int day = dayAt(x, y);
    if (day <= 31)
        openPlanner(year_, month_, day);
    else if (!hit)
        openToDoList();
}

void CZorvelCalView::rightClick(int x, int y) {
    const bool onPrev = prevRect_.contains(x, y);
    const bool onNext = nextRect_.contains(x, y);
    if (onPrev && year_ > kFirstYear) showMonth(year_ - 1, month_);
    if (onNext && year_ < kLastYear) showMonth(year_ + 1, month_);
    if (onPrev || onNext)
        playSound(settings::kSoundClick);
    else
        openWeekView(year_, month_, dayAt(x, y));
}

void CZorvelCalView::onLeftDown(wxMouseEvent& event) {
    leftClick(event.GetX(), event.GetY());
    event.Skip();
}

void CZorvelCalView::onRightDown(wxMouseEvent& event) {
    rightClick(event.GetX(), event.GetY());
    event.Skip();
}

void CZorvelCalView::openToDoList() {
    playSound(settings::kSoundClick);
    ToDo::open(context_);
}

void CZorvelCalView::openWeekView(int year, int month, int day) {
    if (day > 31) return;
    playSound(settings::kSoundClick);
    ViewWeek::open(context_, year, month, day);
}

void CZorvelCalView::openPlanner(int year, int month, int day) {
    // The day planner plays the click sound itself.
    openDayPlanner(context_, year, month, day);
}

void CZorvelCalView::changeMainFont() {
    Disable();
    const std::optional<LogFont> chosen = chooseFont(wxGetTopLevelParent(this), mainFontRecord());
    Enable();
    if (!chosen) return;
    setMainFont(*chosen);
    saveFont(settings::kFont, *chosen);
    if (fontChangedHandler) fontChangedHandler();
    draw();
}

void CZorvelCalView::realizePalette(wxDC& dc) {
    if (!paletteBuilt_) {
        paletteBuilt_ = true;
        const Colours& c = context_.settings.colours;
        const ColourRef order[] = {c.back,    c.fore,    c.dayplan1,   c.dayplan2,
                                   c.toplite, c.botlite, c.currentday, c.hasappoint};
        unsigned char r[8], g[8], b[8];
        for (int i = 0; i < 8; ++i) {
            r[i] = order[i] & 0xFF;
            g[i] = (order[i] >> 8) & 0xFF;
            b[i] = (order[i] >> 16) & 0xFF;
        }
        palette_.Create(8, r, g, b);
    }
    // True-colour displays have nothing to realise; the palette is still kept for any device
    // context that wants one.
    if (palette_.IsOk()) dc.SetPalette(palette_);
}

} // namespace zc
