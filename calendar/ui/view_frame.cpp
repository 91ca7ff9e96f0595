#include "ui/view_frame.h"

#include "ui/command_ids.h"
#include "ui/help_topics.h"
#include "ui/program_icon.h"
#include "ui/toolkit_details.h"
#include "data/appointment_table.h"
#include "data/settings_key.h"

#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/menu.h>

#include <algorithm>

namespace zc {

void ViewFrame::regionChanged() {
    canvas()->Refresh(false);
}

wxColour toWxColour(ColourRef c) {
    return wxColour(static_cast<unsigned long>(c));
}

ViewFrame::ViewFrame(CalendarContext& context, const wxString& title, const char* positionGroup,
                     const wxString& name, long canvasStyle)
    : wxFrame(context.owner, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX, name),
      context_(context), positionGroup_(positionGroup) {
    SetIcons(programIcons());
    canvas_ = new wxWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           canvasStyle | wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS, name + "Canvas");
    // The paint routine covers every pixel it needs; the toolkit need not clear first.
    canvas_->SetBackgroundStyle(wxBG_STYLE_PAINT);
    canvas_->Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxPaintDC dc(canvas_);
        paint(dc);
    });
    Bind(wxEVT_MENU, &ViewFrame::onMenu, this);
    // The views read the table at every paint, so a change made in any other window only needs
    // a new paint to show.
    tableListener_ = context_.table.addChangeListener([this] { canvas_->Refresh(false); });
}

ViewFrame::~ViewFrame() {
    context_.table.removeChangeListener(tableListener_);
    context_.printJob.forgetSource(this);
    if (context_.monthChanged) context_.monthChanged();
}

void ViewFrame::bringForward() {
    if (IsIconized()) Iconize(false);
    Show(true);
    Raise();
}

void ViewFrame::attachMenu(const StepNames* steps, int quickHintsCommand, int helpContext) {
    helpContext_ = helpContext;
    auto* bar = new wxMenuBar;
    auto* commands = new wxMenu;
    commands->Append(cmd::menuId(cmd::kListPrint), _("&Print"));
    commands->Append(cmd::menuId(cmd::kListClose), _("&Close"));
    bar->Append(commands, _("&Commands"));
    // The toolkit opens a menu, never runs a bare menu-bar title, so each step sits in a menu of
    // its own name, and opening that menu takes the step at once (onMenuOpen). Alt+Left and
    // Alt+Right step as in the day planner.
    if (steps) {
        previousMenu_ = new wxMenu;
        previousMenu_->Append(cmd::menuId(cmd::kListPrevious),
                              wxGetTranslation(steps->previous) + "\tAlt+Left");
        bar->Append(previousMenu_, _("&Previous"));
        nextMenu_ = new wxMenu;
        nextMenu_->Append(cmd::menuId(cmd::kListNext), wxGetTranslation(steps->next) + "\tAlt+Right");
        bar->Append(nextMenu_, _("&Next"));
        Bind(wxEVT_MENU_OPEN, &ViewFrame::onMenuOpen, this);
        Bind(wxEVT_MENU_CLOSE, [this](wxMenuEvent& event) {
            // A menu opening right after another closed is the pointer sliding along the bar.
            if (!menuJustClosed_) {
                menuJustClosed_ = true;
                CallAfter([this] { menuJustClosed_ = false; });
            }
            event.Skip();
        });
    }
    auto* help = new wxMenu;
    help->Append(cmd::menuId(cmd::kListHelpTopics), _("&Help Topics"));
    help->Append(cmd::menuId(quickHintsCommand), _("&Quick Hints"));
    bar->Append(help, _("&Help"));
    SetMenuBar(bar);
}

void ViewFrame::place(wxSize canvasSize, int left, int top, bool centre) {
    SetClientSize(canvasSize);
    canvas_->SetSize(canvasSize);
    if (centre) {
        Centre(wxBOTH | wxCENTRE_ON_SCREEN);
        return;
    }
    // A position stored while the window was smaller (a larger font since, another screen) must
    // not leave part of it beyond the edge of the screen.
    const int display = wxDisplay::GetFromPoint(wxPoint(left, top));
    const wxRect area = wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display)).GetClientArea();
    const wxSize size = GetSize();
    left = std::max(area.x, std::min(left, area.GetRight() + 1 - size.x));
    top = std::max(area.y, std::min(top, area.GetBottom() + 1 - size.y));
    Move(left, top);
}

void ViewFrame::savePositionOnMove() {
    Bind(wxEVT_MOVE, [this](wxMoveEvent& event) {
        const wxPoint at = GetPosition();
        writePosition(positionGroup_, at.x, at.y);
        event.Skip();
    });
}

void ViewFrame::showQuickHints(const wxString& title, std::initializer_list<CQuickHintsDlg::Hint> hints) {
    CQuickHintsDlg dialog(this, title, hints);
    dialog.ShowModal();
}

void ViewFrame::print(PrintKind kind) {
    context_.printJob.printThrough(kind, this);
}

void fitToPage(wxDC& dc, wxSize content, int lineHeight, const std::function<int()>& widestLine) {
    const wxSize ppi = dc.GetPPI();
    const wxSize page = dc.GetSize();
    const int marginX = ppi.x / 2, marginY = ppi.y / 2;
    const int room = page.x - 2 * marginX;
    if (widestLine) content.x = std::max(content.x, widestLine());
    const double fitWidth = double(room) / std::max(content.x, 1);
    const double fitHeight = double(page.y - 2 * marginY) / std::max(content.y, 1);
    const double readable = ppi.y * 16.0 / 72.0 / std::max(lineHeight, 1);
    double scale = std::max(0.01, std::min({fitWidth, fitHeight, readable}));
    dc.SetUserScale(scale, scale);
    dc.SetDeviceOrigin(marginX, marginY);
    // Fonts come in whole sizes, so on the scaled page a long line may come out wider than it
    // measured at full size; the page shrinks on until the line fits.
    for (int pass = 0; widestLine && pass < 4; ++pass) {
        const double wide = widestLine() * scale;
        if (wide <= room) break;
        scale = std::max(0.01, scale * room / wide * 0.98);
        dc.SetUserScale(scale, scale);
    }
}

bool ViewFrame::runCommand(int command) {
    if (command == cmd::kListClose) {
        Close();
        return true;
    }
    if (command == cmd::kListHelpTopics) {
        openHelpTopic(helpContext_);
        return true;
    }
    return false;
}

void ViewFrame::onMenuOpen(wxMenuEvent& event) {
    event.Skip();
    wxMenu* menu = event.GetMenu();
    if ((menu != previousMenu_ && menu != nextMenu_) || !menu || menuJustClosed_) return;
    const int command = menu == previousMenu_ ? cmd::kListPrevious : cmd::kListNext;
    // The menu is closed, and the step taken, once the toolkit has finished opening it.
    CallAfter([this, menu, command] {
        closeMenuBarMenu(menu);
        runCommand(command);
    });
}

void ViewFrame::onMenu(wxCommandEvent& event) {
    if (!runCommand(cmd::commandOf(event.GetId()))) event.Skip();
}

} // namespace zc
