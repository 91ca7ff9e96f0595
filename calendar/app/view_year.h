#pragma once
// ViewYear: the twelve months of one year at a glance, four across and three down, with today marked
// and the days that hold appointments in their own colour. A left click on a day opens its planner,
// a right click its week; Previous and Next step the year within 1970-2036. At most one exists.
#include "app/zorvel_cal_view.h"
#include "ui/view_frame.h"

#include <array>

namespace zc {

class ViewYear final : public ViewFrame {
  public:
    static constexpr int kFirstYear = 1970;
    static constexpr int kLastYear = 2036;

    // View > This Year: brings the open year view forward, else opens one for the current year.
    static void open(CalendarContext& context);
    // The one year view, or nullptr.
    static ViewYear* instance();

    ViewYear(CalendarContext& context, int year);
    ~ViewYear() override;

    int year() const { return year_; }
    void previousYear();
    void nextYear();

    // The one drawing routine, for the screen and the printer.
    void drawYear(wxDC& dc, bool printing);
    // The month and day whose cell holds the point, month 0 when none.
    struct Hit {
        int month = 0, day = 0;
    };
    Hit dayAt(int x, int y) const;
    const CellRect& cellRect(int month, int day) const { return cells_[month][day]; }
    wxSize cell() const { return {cellWidth_, cellHeight_}; }
    void leftClick(int x, int y);
    void rightClick(int x, int y);

    bool runCommand(int command) override;
    void fontChanged() override;
    void regionChanged() override;
    void printPage(wxDC& dc, int page) override;

  protected:
    void paint(wxDC& dc) override;

  private:
    void measure(wxDC& dc, bool printing);
    // The twelve months in the cell size of the last measurement.
    wxSize canvasSize() const;
    // Fills the day-cell table for the shown year from the cell size of the last measurement.
    void layoutCells(int top);
    void setYear(int year);

    int year_;
    int cellWidth_ = 0, cellHeight_ = 0;
    // The wheel's turn not yet taken as a step.
    int wheelTurned_ = 0;
    std::array<std::array<CellRect, 32>, 13> cells_{};
};

} // namespace zc
