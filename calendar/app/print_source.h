#pragma once
// The windows that print (day planner, week view, year view, to-do list) do so through the month
// view's print job: each implements PrintSource and hands itself to CZorvelCalView::printThrough.
class wxDC;
class wxWindow;

namespace zc {

enum class PrintKind { DayPlanner, WeekView, YearView, ToDoList };

class PrintSource {
  public:
    virtual ~PrintSource() = default;
    // The window that is disabled while its pages print.
    virtual wxWindow* printWindow() = 0;
    virtual int printPageCount() { return 1; }
    // Draws page (1-based) on the printer's device context.
    virtual void printPage(wxDC& dc, int page) = 0;
};

} // namespace zc
