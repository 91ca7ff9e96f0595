#pragma once
// ViewFrame: what the to-do list, the week view and the year view share. Each is a top-level frame
// owned by the main window, not resizable, with one canvas child that it paints through a single
// routine for the screen and the printer. Each prints through the program's print job, keeps its
// screen position in its own settings group, and asks the month view to repaint when it goes, so
// the grid shows what was changed meanwhile.
#include "data/colours.h"
#include "ui/calendar_context.h"
#include "ui/print_source.h"
#include "ui/quick_hints_dialog.h"

#include <wx/colour.h>
#include <wx/frame.h>

#include <functional>
#include <initializer_list>

class wxMenu;

namespace zc {

class ViewFrame : public wxFrame, public PrintSource {
  public:
    // Restores the window when minimised and makes it the active window.
    void bringForward();
    wxWindow* canvas() const { return canvas_; }
    wxWindow* printWindow() override { return this; }
    // Runs a menu command by its number (cmd::k...); false when the window has no such command.
    virtual bool runCommand(int command);
    // The main font has changed: the window measures itself again in it and takes its new size.
    virtual void fontChanged() {}
    // The clock or the first day of the week changed: the window shows times and weeks anew.
    virtual void regionChanged();
    CalendarContext& context() const { return context_; }
    const ViewSettings& settings() const { return context_.settings; }
    // Whether the printouts leave out fills and colours ("fastprinting").
    bool fastPrinting() const { return context_.settings.fastprinting != 0; }

  protected:
    // canvasStyle adds e.g. a vertical scroll bar to the canvas.
    ViewFrame(CalendarContext& context, const wxString& title, const char* positionGroup, const wxString& name,
              long canvasStyle = 0);
    ~ViewFrame() override;

    // The menu bar: Commands (Print, Close), then Previous and Next when steps names them, each a
    // title that steps when clicked, then Help > Help Topics opening the help page of helpContext
    // and Help > Quick Hints sending quickHintsCommand.
    struct StepNames {
        const char* previous;
        const char* next;
    };
    void attachMenu(const StepNames* steps, int quickHintsCommand, int helpContext);
    // Sizes the window so the canvas gets the given size; then moves it to (left, top), or
    // centres it on the desktop when centre is set.
    void place(wxSize canvasSize, int left, int top, bool centre = false);
    // From now on every move of the window writes its position to the settings group.
    void savePositionOnMove();
    // The window's quick hints, as a modal dialog.
    void showQuickHints(const wxString& title, std::initializer_list<CQuickHintsDlg::Hint> hints);
    void print(PrintKind kind);

    virtual void paint(wxDC& dc) = 0;

  private:
    void onMenu(wxCommandEvent& event);
    void onMenuOpen(wxMenuEvent& event);

    CalendarContext& context_;
    wxWindow* canvas_;
    const char* positionGroup_;
    wxMenu* previousMenu_ = nullptr;
    wxMenu* nextMenu_ = nullptr;
    bool menuJustClosed_ = false;
    int helpContext_ = 0;
    int tableListener_ = 0;
};

wxColour toWxColour(ColourRef c);

} // namespace zc
