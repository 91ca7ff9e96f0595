#pragma once
// ViewWeek: a read-only, scrolling list of one week's appointments, from the first day of the week
// the region sets (Sunday or Monday) through the next six, each day a header line followed by its
// entries in time order. It steps by whole weeks; a left click on
// a day opens that day's planner. At most one exists.
#include "ui/view_frame.h"
#include "data/date_helpers.h"

#include <array>
#include <vector>

namespace zc {

class Appointment;

class ViewWeek final : public ViewFrame {
  public:
    // Lines shown at once on screen, and printed on one page below the page header.
    static constexpr int kScreenLines = 22;
    static constexpr int kPageLines = 58;

    // The month view's openWeekView: moves an open week view to the week of the date and brings it
    // forward, else opens one there. A date that does not exist does nothing.
    static void open(CalendarContext& context, int year, int month, int day);
    static ViewWeek* instance();
    static bool dateExists(int year, int month, int day);
    // The Sunday on or before a date.
    static LocalDate sundayOf(int year, int month, int day);
    // The first day of the week (weekday firstWeekday, 1 = Sunday) on or before a date.
    static LocalDate firstDayOf(int year, int month, int day, int firstWeekday);
    // "1:05pm" or "13:05"; on paper with a trailing blank.
    static wxString timeText(int hour, int minute, bool printing, const RegionSettings& region = {});

    // One printed line: a day's header (entry -1) or one of its entries.
    struct PrintRow {
        int day = 0;
        int entry = -1;
        bool operator==(const PrintRow&) const = default;
    };
    using Page = std::vector<PrintRow>;
    // The one rule for the printed pages: a day that fits on a page is never split; a day longer
    // than a page starts a fresh one and goes on over the next, its header repeated on each.
    static std::vector<Page> paginate(const std::array<int, 7>& entriesPerDay, int linesPerPage = kPageLines);

    // The date must exist (dateExists).
    ViewWeek(CalendarContext& context, int year, int month, int day);
    ~ViewWeek() override;

    void setDate(int year, int month, int day);
    void previousWeek();
    void nextWeek();
    // The first day of the shown week; a Sunday unless the region starts weeks on Monday.
    const LocalDate& firstDay() const { return first_; }
    const LocalDate& sunday() const { return first_; }
    // The first day of the shown week at 6:00, local time.
    Time32 weekStart() const;
    // The region's first day of the week changed: the week shown becomes the one that holds the
    // middle of the week shown until now.
    void regionChanged() override;

    // The entries of day d (0 = the first day of the week) in time order, read from the table now.
    std::vector<const Appointment*> entriesOf(int d) const;
    // Every line of the week: seven headers and all entries.
    int lineCount() const;
    int scrollLine() const { return scrollLine_; }
    // Scrolls so that line (1-based) is the first visible, clamped to the lines there are.
    void scrollTo(int line);

    // The one drawing routine: page 0 is the screen, pages from 1 the printout.
    void drawWeek(wxDC& dc, int page);
    // Per day, the y just below its last line on screen.
    std::array<int, 7> dayBottoms() const;
    // The day (0-6) whose lines hold y, -1 below the last day.
    int dayAt(int y) const;
    void leftClick(int y);
    int lineHeight() const { return lineHeight_; }

    bool runCommand(int command) override;
    void fontChanged() override;
    int printPageCount() override;
    void printPage(wxDC& dc, int page) override;

  protected:
    void paint(wxDC& dc) override;

  private:
    void measure(wxDC& dc, bool printing);
    // The screen's lines in the sizes of the last measurement, with the scroll bar beside them.
    wxSize canvasSize() const;
    void showWeekOf(const LocalDate& first);
    void syncScrollBar();
    int drawDay(wxDC& dc, int d, bool header, int entryFrom, int entryTo, int y, bool printing, bool fast);
    std::array<int, 7> entryCounts() const;
    LocalDate dateOf(int d) const;

    LocalDate first_;
    int scrollLine_ = 1;
    int shownLineCount_ = 0;
    wxFont font_;
    int timeWidth_ = 0, timeHeight_ = 0, textWidth_ = 0, lineHeight_ = 0;
    // The width of a printed page's content, in the printer's units.
    int printWidth_ = 0;
};

} // namespace zc
