#include "app/view_year.h"

#include "ui/command_ids.h"
#include "ui/help_topics.h"
#include "data/appointment_table.h"
#include "planner/appoint_book2.h"
#include "planner/view_week.h"
#include "ui/sound.h"
#include "data/date_helpers.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"

#include <wx/dcclient.h>
#include <wx/graphics.h>

namespace zc {
namespace {

ViewYear* theYearView = nullptr;

// TRANSLATORS: the two-letter weekday heads of the month grids.
const char* const kWeekdayHeads[] = {wxTRANSLATE("Su"), wxTRANSLATE("Mo"), wxTRANSLATE("Tu"), wxTRANSLATE("We"),
                                     wxTRANSLATE("Th"), wxTRANSLATE("Fr"), wxTRANSLATE("Sa")};

LocalDate today(const Clock& clock) {
    return toLocal(static_cast<Time32>(clock.now()));
}

void outline(wxDC& dc, int left, int top, int width, int height) {
    const int right = left + width - 1, bottom = top + height - 1;
    dc.DrawLine(left, top, right + 1, top);
    dc.DrawLine(left, bottom, right + 1, bottom);
    dc.DrawLine(left, top, left, bottom + 1);
    dc.DrawLine(right, top, right, bottom + 1);
}

} // namespace

ViewYear* ViewYear::instance() {
    return theYearView;
}

void ViewYear::open(CalendarContext& context) {
    // The main frame plays the click sound before it runs View > This Year.
    if (theYearView)
        theYearView->bringForward();
    else
        new ViewYear(context, today(context.clock).year);
}

ViewYear::ViewYear(CalendarContext& context, int year)
    : ViewFrame(context, wxString::Format("%d", year), settings::kYearPosition, "yearView"),
      year_(std::clamp(year, kFirstYear, kLastYear)) {
    theYearView = this;
    {
        wxClientDC dc(canvas());
        measure(dc, false);
    }
    layoutCells(0);
    StepNames steps{wxTRANSLATE("&Previous year"), wxTRANSLATE("&Next year")};
    attachMenu(&steps, cmd::kYearQuickHints, kHelpYear);

    WindowPosition at = readPosition(settings::kYearPosition);
    // A left edge beyond any sensible desktop is taken as the left edge of the screen.
    if (at.left < 0 || at.left > 1500) at.left = 0;
    place(canvasSize(), at.left, at.top, at.left == 0 && at.top == 0);
    Show();
    savePositionOnMove();

    canvas()->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& event) {
        leftClick(event.GetX(), event.GetY());
        event.Skip();
    });
    canvas()->Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& event) {
        rightClick(event.GetX(), event.GetY());
        event.Skip();
    });
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.HasAnyModifiers())
            event.Skip();
        else if (event.GetKeyCode() == WXK_PAGEUP)
            previousYear();
        else if (event.GetKeyCode() == WXK_PAGEDOWN)
            nextYear();
        else
            event.Skip();
    });
    canvas()->Bind(wxEVT_MOUSEWHEEL, [this](wxMouseEvent& event) {
        // A touchpad sends the turn of one notch in small parts; a year is one whole notch.
        wheelTurned_ += event.GetWheelRotation();
        const int delta = std::max(event.GetWheelDelta(), 1);
        for (; wheelTurned_ >= delta; wheelTurned_ -= delta)
            previousYear();
        for (; wheelTurned_ <= -delta; wheelTurned_ += delta)
            nextYear();
    });
}

ViewYear::~ViewYear() {
    if (theYearView == this) theYearView = nullptr;
}

wxSize ViewYear::canvasSize() const {
    return {28 * cellWidth_ + 5, 24 * cellHeight_ + 4};
}

void ViewYear::fontChanged() {
    {
        wxClientDC dc(canvas());
        measure(dc, false);
    }
    layoutCells(0);
    const wxPoint at = GetPosition();
    place(canvasSize(), at.x, at.y);
    canvas()->Refresh(false);
}

void ViewYear::regionChanged() {
    layoutCells(0);
    canvas()->Refresh(false);
}

void ViewYear::measure(wxDC& dc, bool printing) {
    if (!printing) dc.SetFont(settings().mainFont);
    if (!dc.GetFont().IsOk()) dc.SetFont(*wxNORMAL_FONT);
    wxCoord w = 0, h = 0;
    dc.GetTextExtent("We", &w, &h);
    // Paper gets a little more room around each number.
    cellWidth_ = w + (printing ? 7 : 5);
    cellHeight_ = h + (printing ? 5 : 4);
}

void ViewYear::layoutCells(int top) {
    const int cw = cellWidth_, ch = cellHeight_;
    for (int m = 1; m <= 12; ++m) {
        auto& cells = cells_[m];
        cells.fill(CellRect{});
        const int blockX = (m - 1) % 4 * 7 * cw, blockY = top + (m - 1) / 4 * 8 * ch;
        int column = weekColumn(toLocal(localTime(year_, m, 1, 12, 0)).weekday, settings().region.firstWeekday);
        int row = 2;
        const int days = daysInMonth(year_, m);
        for (int d = 1; d <= days; ++d) {
            const int x = blockX + column * cw, y = blockY + row * ch;
            cells[d] = {x, y, x + cw, y + ch};
            if (++column == 7) {
                column = 0;
                ++row;
            }
        }
    }
}

void ViewYear::drawYear(wxDC& dc, bool printing) {
    if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);
    const bool fast = printing && fastPrinting();
    const Colours& c = settings().colours;
    measure(dc, printing);
    const int cw = cellWidth_, ch = cellHeight_;
    const int top = printing ? ch : 0;
    layoutCells(top);
    if (!fast) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(toWxColour(c.back)));
        const wxSize size = printing ? wxSize(28 * cw, top + 24 * ch) : dc.GetSize();
        dc.DrawRectangle(0, 0, size.x, size.y);
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.SetTextForeground(toWxColour(c.fore));
        // The area is filled with the background already; text drawn on a solid background also
        // lands in the wrong place on the toolkit's printer.
        dc.SetTextBackground(toWxColour(c.back));
    }
    if (printing) dc.DrawText(wxString::Format("%d", year_), 13 * cw + cw / 2, 0);

    // The raised frames of the blocks and of every day: first all light edges, then all dark
    // ones, so the pen changes twice rather than twice per cell.
    const auto blockOrigin = [&](int m) { return wxPoint((m - 1) % 4 * 7 * cw, top + (m - 1) / 4 * 8 * ch); };
    for (const bool light : {true, false}) {
        dc.SetPen(wxPen(toWxColour(light ? c.toplite : c.botlite), 1));
        const auto frame = [&dc, light](int left, int y, int width, int height) {
            const int right = left + width - 1, bottom = y + height - 1;
            // Each edge runs one pixel on, because a line leaves out its end point.
            if (light) {
                const wxPoint edge[] = {{left, bottom + 1}, {left, y}, {right + 1, y}};
                dc.DrawLines(3, edge);
            } else {
                const wxPoint edge[] = {{left, bottom}, {right, bottom}, {right, y - 1}};
                dc.DrawLines(3, edge);
            }
        };
        for (int m = 1; m <= 12; ++m) {
            const wxPoint at = blockOrigin(m);
            frame(at.x, at.y, 7 * cw - 1, 8 * ch - 1);
            for (int d = 1; d <= 31 && !cells_[m][d].empty(); ++d)
                frame(cells_[m][d].left + 1, cells_[m][d].top + 1, cw - 2, ch - 2);
        }
    }

    // Each text is measured once per drawing, not once per cell.
    std::array<wxSize, 32> numberSize;
    for (int d = 1; d <= 31; ++d)
        numberSize[d] = dc.GetTextExtent(wxString::Format("%d", d));
    std::array<wxString, 7> heads;
    std::array<wxSize, 7> headSize;
    for (int column = 0; column < 7; ++column) {
        heads[column] = wxGetTranslation(kWeekdayHeads[weekdayOfColumn(column, settings().region.firstWeekday) - 1]);
        headSize[column] = dc.GetTextExtent(heads[column]);
    }
    const auto centred = [&dc](const wxString& text, wxSize size, int left, int y, int width, int height) {
        dc.DrawText(text, left + (width - size.x) / 2, y + (height - size.y) / 2);
    };

    const LocalDate now = today(context().clock);
    const AppointmentTable& table = context().table;
    for (int m = 1; m <= 12; ++m) {
        const wxPoint at = blockOrigin(m);
        if (!fast) dc.SetTextForeground(toWxColour(c.fore));
        const wxString name = wxGetTranslation(monthName(m));
        centred(name, dc.GetTextExtent(name), at.x, at.y, 7 * cw, ch);
        for (int column = 0; column < 7; ++column)
            centred(heads[column], headSize[column], at.x + column * cw, at.y + ch, cw, ch);
        const int days = daysInMonth(year_, m);
        for (int d = 1; d <= days; ++d) {
            const CellRect& cell = cells_[m][d];
            // Paper shows every day alike: a coloured number would print grey or not at all.
            if (!fast)
                dc.SetTextForeground(
                    toWxColour(!printing && table.hasAppointmentOn(year_, m, d) ? c.hasappoint : c.fore));
            centred(wxString::Format("%d", d), numberSize[d], cell.left, cell.top, cw, ch);
        }
    }
    if (!printing && now.year == year_) {
        const CellRect& cell = cells_[now.month][now.day];
        dc.SetPen(wxPen(toWxColour(c.currentday), 1));
        outline(dc, cell.left + 1, cell.top + 1, cw - 4, ch - 3);
        outline(dc, cell.left + 2, cell.top + 2, cw - 6, ch - 5);
    }
}

void ViewYear::paint(wxDC& dc) {
    drawYear(dc, false);
}

void ViewYear::printPage(wxDC& dc, int) {
    measure(dc, true);
    fitToPage(dc, {28 * cellWidth_, 25 * cellHeight_}, cellHeight_);
    drawYear(dc, true);
    // The cells now hold the paper's geometry; clicks need the screen's again.
    wxClientDC screen(canvas());
    measure(screen, false);
    layoutCells(0);
}

ViewYear::Hit ViewYear::dayAt(int x, int y) const {
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= 31; ++d)
            if (cells_[m][d].contains(x, y)) return {m, d};
    return {};
}

void ViewYear::leftClick(int x, int y) {
    const Hit hit = dayAt(x, y);
    if (hit.month != 0) openDayPlanner(context(), year_, hit.month, hit.day);
}

void ViewYear::rightClick(int x, int y) {
    const Hit hit = dayAt(x, y);
    if (hit.month == 0) return;
    playSound(settings::kSoundClick);
    ViewWeek::open(context(), year_, hit.month, hit.day);
}

void ViewYear::setYear(int year) {
    year_ = year;
    SetTitle(wxString::Format("%d", year_));
    layoutCells(0);
    canvas()->Refresh(false);
}

void ViewYear::previousYear() {
    if (year_ > kFirstYear) setYear(year_ - 1);
}

void ViewYear::nextYear() {
    if (year_ < kLastYear) setYear(year_ + 1);
}

bool ViewYear::runCommand(int command) {
    switch (command) {
    case cmd::kListPrint:
        print(PrintKind::YearView);
        return true;
    case cmd::kListPrevious:
        previousYear();
        return true;
    case cmd::kListNext:
        nextYear();
        return true;
    case cmd::kYearQuickHints:
        showQuickHints(wxTRANSLATE("   Quick hints on using the Year View"),
                       {{wxTRANSLATE("left click on a date to access the Day Planner for that day")},
                        {wxTRANSLATE("right click on a date to access the Week View for that week")},
                        {wxTRANSLATE("click \"Previous\" to jump to the previous year")},
                        {wxTRANSLATE("click \"Next\" to jump to the next year")}});
        return true;
    default:
        return ViewFrame::runCommand(command);
    }
}

} // namespace zc
