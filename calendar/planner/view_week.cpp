#include "planner/view_week.h"

#include "ui/command_ids.h"
#include "ui/help_topics.h"
#include "ui/display_text.h"
#include "ui/font_record.h"
#include "ui/toolkit_details.h"
#include "planner/appoint_book2.h"
#include "data/appointment_table.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

#include <algorithm>

namespace zc {
namespace {

ViewWeek* theWeekView = nullptr;

wxString titleOf(const LocalDate& first) {
    return wxString::Format(_("Appointments for the week starting %s, %s %d, %d"),
                            wxGetTranslation(weekdayName(first.weekday)), wxGetTranslation(monthName(first.month)),
                            first.day, first.year);
}

// The date a number of calendar days after a date; noon keeps a change of daylight saving from
// moving it to another day.
LocalDate daysAfter(const LocalDate& date, int days) {
    return toLocal(localTime(date.year, date.month, date.day + days, 12, 0));
}

bool sameDate(const LocalDate& a, const LocalDate& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

} // namespace

ViewWeek* ViewWeek::instance() {
    return theWeekView;
}

bool ViewWeek::dateExists(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

LocalDate ViewWeek::sundayOf(int year, int month, int day) {
    return firstDayOf(year, month, day, 1);
}

LocalDate ViewWeek::firstDayOf(int year, int month, int day, int firstWeekday) {
    const LocalDate date = toLocal(localTime(year, month, day, 12, 0));
    return daysAfter(date, -weekColumn(date.weekday, firstWeekday));
}

wxString ViewWeek::timeText(int hour, int minute, bool printing, const RegionSettings& region) {
    return wxString(zc::timeText(hour, minute, TimeForm::kFull, region)) + (printing ? " " : "");
}

void ViewWeek::open(CalendarContext& context, int year, int month, int day) {
    if (!dateExists(year, month, day)) return;
    if (theWeekView) {
        theWeekView->setDate(year, month, day);
        theWeekView->bringForward();
    } else {
        new ViewWeek(context, year, month, day);
    }
}

ViewWeek::ViewWeek(CalendarContext& context, int year, int month, int day)
    : ViewFrame(context, titleOf(firstDayOf(year, month, day, context.settings.region.firstWeekday)),
                settings::kWeekPosition, "weekView", wxVSCROLL | wxALWAYS_SHOW_SB),
      first_(firstDayOf(year, month, day, context.settings.region.firstWeekday)) {
    theWeekView = this;
    if (const std::optional<LogFont> stored = loadFont(settings::kFont2)) font_ = fontFromRecord(*stored);
    {
        wxClientDC dc(canvas());
        measure(dc, false);
    }
    StepNames steps{wxTRANSLATE("&Previous week"), wxTRANSLATE("&Next week")};
    attachMenu(&steps, cmd::kWeekQuickHints, kHelpWeek);

    SetClientSize(canvasSize());
    const WindowPosition stored = readPosition(settings::kWeekPosition);
    int left = stored.left, top = stored.top;
    if (left == 0 && top == 0) {
        // Ten pixels from the right edge of the screen and fifty above its bottom.
        const wxSize screen = wxGetDisplaySize();
        const wxSize outer = GetSize();
        left = screen.x - outer.x - 10;
        top = std::max(0, screen.y - outer.y - 50);
    }
    place(canvasSize(), left, top);
    showClassicScrollBars(canvas());
    syncScrollBar();
    Show();
    savePositionOnMove();

    canvas()->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& event) {
        leftClick(event.GetY());
        event.Skip();
    });
    const auto onScroll = [this](wxScrollWinEvent& event) {
        const wxEventType type = event.GetEventType();
        if (type == wxEVT_SCROLLWIN_LINEUP)
            scrollTo(scrollLine_ - 1);
        else if (type == wxEVT_SCROLLWIN_LINEDOWN)
            scrollTo(scrollLine_ + 1);
        else if (type == wxEVT_SCROLLWIN_PAGEUP)
            scrollTo(scrollLine_ - kScreenLines);
        else if (type == wxEVT_SCROLLWIN_PAGEDOWN)
            scrollTo(scrollLine_ + kScreenLines);
        else if (type == wxEVT_SCROLLWIN_THUMBTRACK || type == wxEVT_SCROLLWIN_THUMBRELEASE)
            scrollTo(event.GetPosition() + 1);
        else if (type == wxEVT_SCROLLWIN_TOP)
            scrollTo(1);
        else if (type == wxEVT_SCROLLWIN_BOTTOM)
            scrollTo(lineCount());
    };
    canvas()->Bind(wxEVT_SCROLLWIN_LINEUP, onScroll);
    canvas()->Bind(wxEVT_SCROLLWIN_LINEDOWN, onScroll);
    canvas()->Bind(wxEVT_SCROLLWIN_PAGEUP, onScroll);
    canvas()->Bind(wxEVT_SCROLLWIN_PAGEDOWN, onScroll);
    canvas()->Bind(wxEVT_SCROLLWIN_THUMBTRACK, onScroll);
    canvas()->Bind(wxEVT_SCROLLWIN_THUMBRELEASE, onScroll);
    canvas()->Bind(wxEVT_SCROLLWIN_TOP, onScroll);
    canvas()->Bind(wxEVT_SCROLLWIN_BOTTOM, onScroll);
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_PAGEUP)
            scrollTo(scrollLine_ - kScreenLines);
        else if (event.GetKeyCode() == WXK_PAGEDOWN)
            scrollTo(scrollLine_ + kScreenLines);
        else
            event.Skip();
    });
    // Planners change entries while the week view stays open; coming back to it shows them.
    Bind(wxEVT_ACTIVATE, [this](wxActivateEvent& event) {
        if (event.GetActive()) canvas()->Refresh(false);
        event.Skip();
    });
}

ViewWeek::~ViewWeek() {
    if (theWeekView == this) theWeekView = nullptr;
}

wxSize ViewWeek::canvasSize() const {
    return {timeWidth_ + textWidth_ + wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, canvas()),
            kScreenLines * timeHeight_ + 2};
}

void ViewWeek::fontChanged() {
    {
        wxClientDC dc(canvas());
        measure(dc, false);
    }
    const wxPoint at = GetPosition();
    place(canvasSize(), at.x, at.y);
    // The same first line, as far as the lines now allow.
    scrollTo(scrollLine_);
    syncScrollBar();
    canvas()->Refresh(false);
}

void ViewWeek::measure(wxDC& dc, bool printing) {
    if (!printing) dc.SetFont(font_.IsOk() ? font_ : settings().mainFont);
    if (!dc.GetFont().IsOk()) dc.SetFont(*wxNORMAL_FONT);
    wxCoord w = 0, h = 0;
    dc.GetTextExtent("08:30AM", &w, &h);
    timeWidth_ = w + 4;
    timeHeight_ = h + 4;
    dc.GetTextExtent(wxString('h', 70), &w, &h);
    textWidth_ = w + 4;
    lineHeight_ = h + 4;
}

Time32 ViewWeek::weekStart() const {
    return localTime(first_.year, first_.month, first_.day, 6, 0);
}

LocalDate ViewWeek::dateOf(int d) const {
    return daysAfter(first_, d);
}

std::vector<const Appointment*> ViewWeek::entriesOf(int d) const {
    const LocalDate date = dateOf(d);
    const auto& onDate = context().table.entriesOn(date.year, date.month, date.day);
    std::vector<const Appointment*> entries(onDate.begin(), onDate.end());
    // Times can tie where a change of daylight saving skips an hour; the clock time decides then.
    std::sort(entries.begin(), entries.end(), [](const Appointment* a, const Appointment* b) {
        if (a->time != b->time) return a->time < b->time;
        return a->stored.hour * 60 + a->stored.minute < b->stored.hour * 60 + b->stored.minute;
    });
    return entries;
}

std::array<int, 7> ViewWeek::entryCounts() const {
    std::array<int, 7> counts{};
    for (int d = 0; d < 7; ++d) {
        const LocalDate date = dateOf(d);
        counts[d] = static_cast<int>(context().table.entriesOn(date.year, date.month, date.day).size());
    }
    return counts;
}

int ViewWeek::lineCount() const {
    int lines = 0;
    for (const int n : entryCounts())
        lines += n + 1;
    return lines;
}

void ViewWeek::syncScrollBar() {
    shownLineCount_ = lineCount();
    scrollLine_ = std::clamp(scrollLine_, 1, std::max(1, shownLineCount_ - kScreenLines + 1));
    canvas()->SetScrollbar(wxVERTICAL, scrollLine_ - 1, kScreenLines, shownLineCount_);
}

void ViewWeek::scrollTo(int line) {
    const int lines = lineCount();
    const int clamped = std::clamp(line, 1, std::max(1, lines - kScreenLines + 1));
    if (clamped == scrollLine_ && lines == shownLineCount_) return;
    scrollLine_ = clamped;
    syncScrollBar();
    canvas()->Refresh(false);
}

std::vector<ViewWeek::Page> ViewWeek::paginate(const std::array<int, 7>& entriesPerDay, int linesPerPage) {
    // Below two lines a page could not hold a header and an entry; such a page is never asked for.
    linesPerPage = std::max(linesPerPage, 2);
    std::vector<Page> pages(1);
    int used = 0;
    const auto newPage = [&] {
        pages.emplace_back();
        used = 0;
    };
    for (int d = 0; d < 7; ++d) {
        if (used > 0 && used + 1 + entriesPerDay[d] > linesPerPage) newPage();
        pages.back().push_back({d, -1});
        ++used;
        for (int e = 0; e < entriesPerDay[d]; ++e) {
            if (used == linesPerPage) {
                newPage();
                pages.back().push_back({d, -1});
                ++used;
            }
            pages.back().push_back({d, e});
            ++used;
        }
    }
    return pages;
}

int ViewWeek::drawDay(wxDC& dc, int d, bool header, int entryFrom, int entryTo, int y, bool printing, bool fast) {
    const Colours& c = settings().colours;
    const int visibleBottom = printing ? INT_MAX : dc.GetSize().y;
    if (header) {
        const LocalDate date = dateOf(d);
        if (y + lineHeight_ > 0 && y < visibleBottom) {
            if (!fast) dc.SetTextForeground(toWxColour(c.hasappoint));
            // TRANSLATORS: a day's heading in the week view: weekday, month, day.
            dc.DrawText(wxString::Format(_("%s, %s %d"), wxGetTranslation(weekdayName(date.weekday)),
                                         wxGetTranslation(monthName(date.month)), date.day),
                        5, y);
            if (!fast) dc.SetTextForeground(toWxColour(c.fore));
            dc.DrawLine(0, y - 2, printing ? printWidth_ : 3200, y - 2);
        }
        y += lineHeight_;
    }
    if (entryTo <= entryFrom) return y;
    const std::vector<const Appointment*> entries = entriesOf(d);
    entryTo = std::min<int>(entryTo, static_cast<int>(entries.size()));
    for (int e = entryFrom; e < entryTo; ++e, y += lineHeight_) {
        // Only the lines in sight are drawn: a busy week has hundreds below the window.
        if (y + lineHeight_ <= 0 || y >= visibleBottom) continue;
        const Appointment& a = *entries[e];
        dc.DrawText(timeText(a.stored.hour, a.stored.minute, printing, settings().region), 25, y + 2);
        dc.DrawText(displayText(a.stored.notes), 25 + timeWidth_, y + 2);
    }
    return y;
}

void ViewWeek::drawWeek(wxDC& dc, int page) {
    const bool printing = page > 0;
    const bool fast = printing && fastPrinting();
    const Colours& c = settings().colours;
    measure(dc, printing);
    if (!fast) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(toWxColour(c.back)));
        dc.DrawRectangle(0, 0, 3200, 6400);
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.SetTextForeground(toWxColour(c.fore));
        dc.SetTextBackground(toWxColour(c.back));
    }
    dc.SetPen(wxPen(fast ? *wxBLACK : toWxColour(c.fore), 1));

    if (!printing) {
        int y = 1 - (scrollLine_ - 1) * lineHeight_;
        for (int d = 0; d < 7; ++d)
            y = drawDay(dc, d, true, 0, INT_MAX, y, false, false);
        return;
    }
    dc.DrawText(wxString::Format(_("For the week %d/%d/%d     by Zorvel Calendar"), first_.month, first_.day,
                                 first_.year),
                22, 2);
    const std::vector<Page> pages = paginate(entryCounts());
    if (page > static_cast<int>(pages.size())) return;
    const Page& rows = pages[page - 1];
    int y = 1 + 2 * lineHeight_;
    // Consecutive rows of one day are drawn together, so its entries are gathered once; a day
    // continued from the page before repeats its header above the entries that follow.
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i + 1;
        while (j < rows.size() && rows[j].day == rows[i].day && rows[j].entry >= 0)
            ++j;
        const bool header = rows[i].entry < 0;
        const int from = header ? (j > i + 1 ? rows[i + 1].entry : 0) : rows[i].entry;
        const int to = rows[j - 1].entry < 0 ? from : rows[j - 1].entry + 1;
        y = drawDay(dc, rows[i].day, header, from, to, y, true, fast);
        i = j;
    }
}

void ViewWeek::paint(wxDC& dc) {
    if (lineCount() != shownLineCount_) syncScrollBar();
    drawWeek(dc, 0);
}

std::array<int, 7> ViewWeek::dayBottoms() const {
    std::array<int, 7> bottoms{};
    int y = 1 - (scrollLine_ - 1) * lineHeight_;
    const std::array<int, 7> counts = entryCounts();
    for (int d = 0; d < 7; ++d) {
        y += (counts[d] + 1) * lineHeight_;
        bottoms[d] = y;
    }
    return bottoms;
}

int ViewWeek::dayAt(int y) const {
    const std::array<int, 7> bottoms = dayBottoms();
    for (int d = 0; d < 7; ++d)
        if (bottoms[d] > y) return d;
    return -1;
}

void ViewWeek::leftClick(int y) {
    const int d = dayAt(y);
    if (d < 0) return;
    const LocalDate date = dateOf(d);
    openDayPlanner(context(), date.year, date.month, date.day);
}

void ViewWeek::showWeekOf(const LocalDate& first) {
    first_ = first;
    scrollLine_ = 1;
    SetTitle(titleOf(first_));
    syncScrollBar();
    canvas()->Refresh(false);
}

void ViewWeek::setDate(int year, int month, int day) {
    if (!dateExists(year, month, day)) return;
    const LocalDate target = firstDayOf(year, month, day, settings().region.firstWeekday);
    // A date of the shown week leaves the list where it is, scrolled as the user left it.
    if (!sameDate(target, first_)) showWeekOf(target);
}

void ViewWeek::regionChanged() {
    // Sunday and Monday weeks share their middle, so the list stays on the week the user saw.
    const LocalDate middle = dateOf(3);
    const LocalDate first = firstDayOf(middle.year, middle.month, middle.day, settings().region.firstWeekday);
    if (sameDate(first, first_))
        canvas()->Refresh(false);
    else
        showWeekOf(first);
}

void ViewWeek::previousWeek() {
    const LocalDate first = daysAfter(first_, -7);
    if (first.year >= kFirstCalendarYear) showWeekOf(first);
}

void ViewWeek::nextWeek() {
    const LocalDate first = daysAfter(first_, 7);
    if (first.year <= kLastCalendarYear) showWeekOf(first);
}

int ViewWeek::printPageCount() {
    return static_cast<int>(paginate(entryCounts()).size());
}

void ViewWeek::printPage(wxDC& dc, int page) {
    measure(dc, true);
    // An entry may be wider than the 70 letters a line is measured for. The page has room for its
    // header and a blank line above the listed lines; the lines between the days end where the
    // widest entry does, inside the page's margins.
    const auto widest = [&dc, this] {
        int width = 25 + timeWidth_ + textWidth_;
        for (int d = 0; d < 7; ++d)
            for (const Appointment* entry : entriesOf(d))
                width = std::max(width, 25 + timeWidth_ + dc.GetTextExtent(displayText(entry->stored.notes)).x + 4);
        return width;
    };
    fitToPage(dc, {0, (kPageLines + 3) * lineHeight_}, lineHeight_, widest);
    printWidth_ = widest();
    drawWeek(dc, std::max(page, 1));
    // The measurements now hold the paper's; the screen's come back for clicks and scrolling.
    wxClientDC screen(canvas());
    measure(screen, false);
}

bool ViewWeek::runCommand(int command) {
    switch (command) {
    case cmd::kListPrint:
        print(PrintKind::WeekView);
        return true;
    case cmd::kListPrevious:
        previousWeek();
        return true;
    case cmd::kListNext:
        nextWeek();
        return true;
    case cmd::kWeekQuickHints:
        showQuickHints(wxTRANSLATE("   Quick hints on using the Week View"),
                       {{wxTRANSLATE("left click on a date to access the Day Planner for that day")},
                        {wxTRANSLATE("click \"Previous\" to jump to the previous week")},
                        {wxTRANSLATE("click \"Next\" to jump to the next week")}});
        return true;
    default:
        return ViewFrame::runCommand(command);
    }
}

} // namespace zc
