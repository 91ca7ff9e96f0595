#include "app/print_job.h"

#include <wx/printdlg.h>

#include <algorithm>

namespace zc {
namespace {

// The toolkit's printout hands each page back to the job, which passes it on to the window that
// asked to be printed.
class JobPrintout final : public wxPrintout {
  public:
    explicit JobPrintout(CalendarPrintJob& job) : wxPrintout("Zorvel Calendar"), job_(job) {}
    bool OnPrintPage(int page) override {
        // The sources lay pages out in screen pixels and fonts; the printer's resolution is
        // many times finer.
        MapScreenSizeToPage();
        if (wxDC* dc = GetDC()) job_.printPage(*dc, page);
        return true;
    }
    bool HasPage(int page) override { return page >= 1 && page <= job_.printPageCount(); }
    void GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage) override {
        *minPage = *fromPage = 1;
        *maxPage = *toPage = job_.printPageCount();
    }
    void OnEndPrinting() override { job_.endPrinting(); }

  private:
    CalendarPrintJob& job_;
};

} // namespace

PrintSource* CalendarPrintJob::printSource() const {
    for (PrintSource* s : printSources_)
        if (s) return s;
    return nullptr;
}

int CalendarPrintJob::printPageCount() const {
    const PrintSource* s = printSource();
    return s ? std::max(1, const_cast<PrintSource*>(s)->printPageCount()) : 1;
}

void CalendarPrintJob::recordPrintSource(PrintKind kind, PrintSource* source) {
    printSources_.fill(nullptr);
    printSources_[static_cast<std::size_t>(kind)] = source;
    // The source is disabled while it prints, which takes the keyboard focus from it, and the
    // toolkit does not hand it back: the keys would do nothing there until the window is clicked.
    focusBeforePrinting_ = source ? wxWindow::FindFocus() : nullptr;
}

void CalendarPrintJob::printThrough(PrintKind kind, PrintSource* source) {
    recordPrintSource(kind, source);
    wxPrintDialogData dialogData(printData_);
    const int pages = printPageCount();
    dialogData.SetMinPage(1);
    dialogData.SetMaxPage(pages);
    dialogData.SetFromPage(1);
    dialogData.SetToPage(pages);
    wxPrinter printer(&dialogData);
    const std::unique_ptr<wxPrintout> printout = createPrintout();
    // Dialogs belong to a top-level window, never to a child such as this view.
    wxWindow* owner = wxGetTopLevelParent(source && source->printWindow() ? source->printWindow() : fallbackOwner_);
    if (printer.Print(owner, printout.get(), true)) printData_ = printer.GetPrintDialogData().GetPrintData();
    // A cancelled job never reaches the end of printing, yet the source must come back.
    endPrinting();
}

std::unique_ptr<wxPrintout> CalendarPrintJob::createPrintout() {
    return std::make_unique<JobPrintout>(*this);
}

void CalendarPrintJob::printPage(wxDC& dc, int page) {
    PrintSource* s = printSource();
    if (!s) return;
    if (wxWindow* w = s->printWindow()) w->Disable();
    s->printPage(dc, page);
}

void CalendarPrintJob::endPrinting() {
    if (PrintSource* s = printSource())
        if (wxWindow* w = s->printWindow()) w->Enable();
    printSources_.fill(nullptr);
    if (wxWindow* focus = focusBeforePrinting_.get(); focus && focus->IsShownOnScreen() && focus->IsEnabled())
        focus->SetFocus();
    focusBeforePrinting_ = nullptr;
}

void CalendarPrintJob::pageSetup() {
    wxPageSetupDialogData data(printData_);
    wxPageSetupDialog dialog(wxGetTopLevelParent(fallbackOwner_), &data);
    if (dialog.ShowModal() == wxID_OK) printData_ = dialog.GetPageSetupDialogData().GetPrintData();
}

void CalendarPrintJob::forgetSource(PrintSource* source) {
    if (source && printSource() == source) recordPrintSource(PrintKind::DayPlanner, nullptr);
}

} // namespace zc
