#pragma once
// CZorvelCalView: the month grid in the main frame's client area. It draws one month with its
// navigation header and turns clicks into month and year steps or into the day planner, week view
// and to-do list. It reads the windows' settings when it is made (and the main font, which the
// user chooses here), and when it goes it closes the planners, purges old months and saves the
// colours.
#include "data/appointment_table.h"
#include "data/date_helpers.h"
#include "data/services.h"
#include "ui/calendar_context.h"
#include "ui/font_record.h"

#include <wx/font.h>
#include <wx/palette.h>
#include <wx/window.h>

#include <array>
#include <functional>
#include <memory>

namespace zc {

// Rectangle whose right and bottom edges belong to it as well: neighbouring cells share their
// border pixels.
struct CellRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool contains(int x, int y) const {
        return !empty() && left <= x && x <= right && top <= y && y <= bottom;
    }
};

class CZorvelCalView : public wxWindow {
  public:
    static constexpr int kFirstYear = kFirstCalendarYear;
    static constexpr int kLastYear = kLastCalendarYear;

    CZorvelCalView(wxWindow* parent, CalendarContext& context);
    ~CZorvelCalView() override;

    int shownYear() const { return year_; }
    int shownMonth() const { return month_; }
    void showMonth(int year, int month);
    void showThisMonth();
    void refreshIfShowing(int year, int month);
    // Draws at once: a step to another month shows without waiting for an idle repaint.
    void draw();
    // The one drawing routine of the month grid, for the screen and for any other device context.
    void drawMonth(wxDC& dc, bool printing);

    // Measures "We" in the main font: the cell size, and the frame size 7 cells + 12 by 8 cells + 49.
    wxSize cellSize(wxDC& dc);
    wxSize cell() const { return {cellWidth_, cellHeight_}; }
    // The size the grid needs: seven columns by eight rows of cells.
    wxSize gridSize();

    const wxFont& mainFont() const { return context_.settings.mainFont; }
    const LogFont& mainFontRecord() const { return context_.settings.mainFontRecord; }
    void setMainFont(const LogFont& description) { context_.settings.setMainFont(description); }
    void changeMainFont();

    void realizePalette(wxDC& dc);
    const wxPalette& palette() const { return palette_; }

    // The day the keyboard works on: the arrows move it, Page Up and Page Down step the month,
    // Enter opens its planner. It starts on today, or on the 1st of another month.
    int selectedDay() const;
    // A key pressed in the month view; false when the view has no use for it.
    bool keyPressed(int keyCode);

    // Clicks at client coordinates, as the mouse handlers pass them on.
    void leftClick(int x, int y);
    void rightClick(int x, int y);
    // The day whose cell holds the point (the lower day on a shared border), 32 when none.
    int dayAt(int x, int y) const;
    const CellRect& previousRect() const { return prevRect_; }
    const CellRect& nextRect() const { return nextRect_; }
    const CellRect& dayRect(int day) const { return dayRects_.at(day); }

    void openToDoList();
    void openWeekView(int year, int month, int day);
    void openPlanner(int year, int month, int day);

    // Called once, after the first paint of the month (the start-up time measurement uses it).
    std::function<void()> firstPaintHandler;
    // Called after the user chose a new main font, so the main frame can fit the grid again.
    std::function<void()> fontChangedHandler;

  private:
    void drawCell(wxDC& dc, const wxString& text, int x, int y, int w, bool raised, bool today, bool marked);
    void measure(wxDC& dc);
    void onPaint(wxPaintEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onRightDown(wxMouseEvent& event);
    // Shows the month of the date and selects its day, within the years the view shows.
    void selectDate(int year, int month, int day);

    CalendarContext& context_;
    AppointmentTable& table_;
    int tableListener_ = 0;
    const Clock& clock_;
    int year_ = 1970;
    int month_ = 1;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
    CellRect prevRect_;
    CellRect nextRect_;
    std::array<CellRect, 32> dayRects_{};
    wxPalette palette_;
    bool paletteBuilt_ = false;
    bool firstPaintDone_ = false;
    // 0 until the keyboard has moved it (selectedDay() then gives the day it starts on).
    int selectedDay_ = 0;
};

} // namespace zc
