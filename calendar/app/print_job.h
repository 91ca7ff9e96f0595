#pragma once
// CalendarPrintJob: the program's one print job. The windows that print (day planner, week view,
// year view, to-do list) hand themselves to it as the job's source; the job asks for a printer,
// disables the source while its pages print, and gives the keyboard back to where it was.
#include "ui/calendar_context.h"

#include <wx/cmndata.h>
#include <wx/print.h>
#include <wx/weakref.h>

#include <array>
#include <memory>

namespace zc {

class CalendarPrintJob final : public PrintJob {
  public:
    // Dialogs of a job without a source window go on the top-level window of fallbackOwner.
    explicit CalendarPrintJob(wxWindow* fallbackOwner) : fallbackOwner_(fallbackOwner) {}

    void printThrough(PrintKind kind, PrintSource* source) override;
    void forgetSource(PrintSource* source) override;
    // Makes source the only recorded print source; printThrough does this before its job runs.
    void recordPrintSource(PrintKind kind, PrintSource* source);
    void pageSetup();
    // The job's pages: each one drawn by the recorded source, one unit a screen pixel.
    std::unique_ptr<wxPrintout> createPrintout();
    PrintSource* printSource() const;
    int printPageCount() const;
    void printPage(wxDC& dc, int page);
    void endPrinting();
    wxPrintData& printData() { return printData_; }

  private:
    wxWindow* fallbackOwner_;
    std::array<PrintSource*, 4> printSources_{};
    // Where the keyboard was when the print job began, to give it back at its end.
    wxWeakRef<wxWindow> focusBeforePrinting_;
    wxPrintData printData_;
};

} // namespace zc
