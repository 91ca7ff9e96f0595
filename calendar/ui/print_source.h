#pragma once
// The windows that print (day planner, week view, year view, to-do list) do so through the month
// view's print job: each implements PrintSource and hands itself to CZorvelCalView::printThrough.
#include <wx/gdicmn.h>

#include <functional>

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

// Printers count in their own dots, far finer than the screen's pixels. Scales the page so that
// content (in the units the window measured on the printer) fits inside a half-inch margin,
// with lines no taller than a comfortable reading size. widestLine, when given, measures the
// content's widest line in the device context's font as it stands: paper cannot scroll, so
// the page is made small enough to hold that line whole.
void fitToPage(wxDC& dc, wxSize content, int lineHeight, const std::function<int()>& widestLine = {});

} // namespace zc
