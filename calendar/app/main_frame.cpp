#include "app/main_frame.h"

#include "app/about_dialog.h"
#include "app/calendar_server_dialog.h"
#include "app/colors_dialog.h"
#include "ui/command_ids.h"
#include "ui/help_topics.h"
#include "app/notify_icon.h"
#include "app/sync_service.h"
#include "ui/program_icon.h"
#include "ui/quick_hints_dialog.h"
#include "ui/view_frame.h"
#include "app/view_year.h"
#include "app/zorvel_cal_view.h"
#include "reminders/countdown_dialog.h"
#include "reminders/reminder_handler.h"
#include "reminders/reminder_wnd.h"
#include "reminders/settings_commands.h"
#include "data/backup.h"
#include "data/ical_exchange.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"
#include "data/sqlite_store.h"
#include "ui/sound.h"
#include "ui/dialog_parent.h"
#include "ui/message_box.h"

#include <wx/accel.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace zc {
namespace {

wxFrame* theOwner = nullptr;

long frameStyle() {
    long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxCLIP_CHILDREN;
    // Without a notification area the taskbar button is the only way back to a minimised window.
    if (notifyAreaAvailable()) style |= wxFRAME_NO_TASKBAR;
    return style;
}

} // namespace

wxFrame* CMainFrame::ownerWindow() {
    if (!theOwner) {
        theOwner = new wxFrame(nullptr, wxID_ANY, "ZorvelCal", wxDefaultPosition, wxDefaultSize,
                               wxDEFAULT_FRAME_STYLE, "ZorvelCal");
        theOwner->Hide();
        theOwner->SetIcons(programIcons());
    }
    return theOwner;
}

CMainFrame::CMainFrame(const Clock& clock)
    : wxFrame(ownerWindow(), wxID_ANY, "ZorvelCalendar", wxDefaultPosition, wxDefaultSize, frameStyle(),
              "mainFrame"),
      activateForReminder([this] {
          if (IsShown() && !IsIconized()) Raise();
      }),
      clock_(clock), timers_([this](unsigned id) { onReminderTimer(id); }), reminderWatch_(clock, timers_),
      table_(clock, reminderWatch_, questions_), printJob_(this),
      context_{table_, clock_, timers_, settings_, printJob_, this,
               [this] {
                   if (view_) view_->Refresh(false);
               },
               [this] { regionChanged(); },
               {}} {
    mainWindow() = this;
    SetIcons(programIcons());
    buildMenus();
    notifyIcon_ = makeNotifyIcon(*this);

    view_ = new CZorvelCalView(this, context_);
    {
        auto* store = dynamic_cast<SqliteStore*>(&settingsStore());
        sync_ = std::make_unique<SyncService>(table_, questions_, clock_, store ? store->path() : std::string());
        sync_->stateChanged = [this] {
            if (notifyIcon_) notifyIcon_->setSyncFailure(sync_->lastFailure());
        };
        // The to-do list saves its last line as the frame closes, after the sync is gone; the
        // sync at the next start sends it.
        context_.toDoChanged = [this] {
            if (sync_) sync_->changedHere();
        };
        sync_->start();
    }
    view_->fontChangedHandler = [this] {
        place();
        // The other views measure their lines and cells in the same font.
        for (wxWindow* child : GetChildren())
            if (auto* view = dynamic_cast<ViewFrame*>(child)) view->fontChanged();
    };
    {
        wxClientDC dc(view_);
        view_->realizePalette(dc);
    }
    place();

    Bind(wxEVT_MENU, &CMainFrame::onCommand, this);
    Bind(wxEVT_MOVE, &CMainFrame::onMove, this);
    Bind(wxEVT_SHOW, [this](wxShowEvent& e) {
        e.Skip();
        painted_ = false;
        onShownOrResized();
        // The keys, and the menu's Alt keys with them, work at once, without a click first.
        if (e.IsShown()) view_->SetFocus();
    });
    view_->Bind(wxEVT_PAINT, [this](wxPaintEvent& e) {
        e.Skip();
        if (!painted_) shownAt_ = clock_.now();
        painted_ = everPainted_ = true;
    });
    Bind(wxEVT_ICONIZE, [this](wxIconizeEvent& e) {
        e.Skip();
        onShownOrResized();
    });
    Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
        e.Skip();
        onShownOrResized();
    });
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::onClose, this);
}

CMainFrame::~CMainFrame() {
    sync_.reset();
    closeOwnedWindows();
    // The month view purges old months and saves the colours through the table, so it goes
    // before the table does.
    delete view_;
    view_ = nullptr;
    notifyIcon_.reset();
    timers_.stopAll();
}

void CMainFrame::buildMenus() {
    auto* file = new wxMenu;
    file->Append(cmd::menuId(cmd::kMinimize), _("&Minimize"));
    auto* setup = new wxMenu;
    setup->Append(cmd::menuId(cmd::kFont), _("&Font"));
    setup->Append(cmd::menuId(cmd::kColors), _("&Colors"));
    setup->Append(cmd::menuId(cmd::kSounds), _("&Sounds"));
    setup->Append(cmd::menuId(cmd::kPrintSetup), _("&Printer"));
    file->AppendSubMenu(setup, _("&Setup"));
    file->Append(cmd::menuId(cmd::kAdvanced), _("&Advanced"));
    file->Append(cmd::menuId(cmd::kSetTimer), _("Set &Timer"));
    file->AppendSeparator();
    file->Append(cmd::menuId(cmd::kExportICalendar), _("&Export to iCalendar..."));
    file->Append(cmd::menuId(cmd::kImportICalendar), _("&Import from iCalendar..."));
    file->AppendSeparator();
    file->Append(cmd::menuId(cmd::kCalendarServer), _("Calendar Server..."));
    file->Append(cmd::menuId(cmd::kSynchronizeNow), _("Synchronize Now"));
    file->AppendSeparator();
    file->Append(cmd::menuId(cmd::kExit), _("E&xit"));

    auto* view = new wxMenu;
    view->Append(cmd::menuId(cmd::kThisMonth), _("This &Month"));
    view->Append(cmd::menuId(cmd::kThisYear), _("This &Year"));
    view->Append(cmd::menuId(cmd::kThisWeek), _("This &Week"));
    view->Append(cmd::menuId(cmd::kToDoList), _("To &Do List"));

    auto* help = new wxMenu;
    help->Append(cmd::menuId(cmd::kHelpTopics), _("&Help Topics"));
    help->Append(cmd::menuId(cmd::kQuickHints), _("&Quick Hints"));
    help->Append(cmd::menuId(cmd::kVersion), _("&Version"));

    auto* bar = new wxMenuBar;
    bar->Append(file, _("&File"));
    bar->Append(view, _("&View"));
    bar->Append(help, _("&Help"));
    SetMenuBar(bar);

    const wxAcceleratorEntry accelerators[] = {
        {wxACCEL_CTRL, 'C', cmd::menuId(cmd::kCopy)},
        {wxACCEL_CTRL, WXK_INSERT, cmd::menuId(cmd::kCopy)},
        {wxACCEL_CTRL, 'M', cmd::menuId(cmd::kReminder)},
        {wxACCEL_CTRL, 'N', cmd::menuId(cmd::kNew)},
        {wxACCEL_CTRL, 'O', cmd::menuId(cmd::kOpen)},
        {wxACCEL_CTRL, 'P', cmd::menuId(cmd::kPrint)},
        {wxACCEL_CTRL, 'R', cmd::menuId(cmd::kRepeats)},
        {wxACCEL_CTRL, 'S', cmd::menuId(cmd::kSave)},
        {wxACCEL_CTRL, 'V', cmd::menuId(cmd::kPaste)},
        {wxACCEL_SHIFT, WXK_INSERT, cmd::menuId(cmd::kPaste)},
        {wxACCEL_ALT, WXK_BACK, cmd::menuId(cmd::kUndo)},
        {wxACCEL_CTRL, 'Z', cmd::menuId(cmd::kUndo)},
        {wxACCEL_SHIFT, WXK_DELETE, cmd::menuId(cmd::kCut)},
        {wxACCEL_CTRL, 'X', cmd::menuId(cmd::kCut)},
        {wxACCEL_NORMAL, WXK_F6, cmd::menuId(cmd::kNextPane)},
        {wxACCEL_SHIFT, WXK_F6, cmd::menuId(cmd::kPrevPane)},
    };
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(accelerators)), accelerators));
}

void CMainFrame::place() {
    WindowPosition position = readPosition(settings::kPosition);
    if (firstPlacement_) {
        firstPlacement_ = false;
        SettingsKey key;
        // "Minimize at startup" keeps the window in the notification area, from where its icon
        // brings it back; without one the window starts iconized on the taskbar.
        if (key.openGroup(settings::kReminders) != SettingsKey::kFailed && key.readDword("minatstart") != 0) {
            if (notifyIcon_ && notifyIcon_->shown())
                startsHidden_ = true;
            else
                startsIconized_ = true;
        }
    }
    fitToGrid();
    // A window the user never moved stays where the window manager put it; the corner would be
    // a place the user never chose, and storing it would keep it there for good.
    if (position.stored) Move(position.left, position.top);
}

void CMainFrame::fitToGrid() {
    const wxSize grid = view_->gridSize();
    if (IsIconized()) {
        // The toolkit reports the client area of an iconized window as empty, so the frame's
        // size around it is taken from the last time it was known.
        const wxSize size = grid + chrome_;
        SetSizeHints(size, size);
        SetSize(size);
        return;
    }
    // The window manager keeps a window between its size hints whenever it maps it again; the
    // menu bar and the frame lie outside the client area.
    if (GetMinClientSize() != grid || GetMaxClientSize() != grid) {
        SetMinClientSize(wxDefaultSize);
        SetMaxClientSize(wxDefaultSize);
        SetClientSize(grid);
        SetMinClientSize(grid);
        SetMaxClientSize(grid);
    } else if (GetClientSize() != grid) {
        SetClientSize(grid);
    }
    chrome_ = GetSize() - GetClientSize();
}

void CMainFrame::onShownOrResized() {
    // Showing a hidden window or restoring an iconized one lets the toolkit size it anew (to the
    // menu bar's width, or far larger); the grid is fitted again once the window has settled. The
    // first showing is sized by place() before the window is mapped; refitting it while the
    // toolkit still reports the window at the corner would move it there.
    if (fitQueued_ || !everPainted_ || !IsShown() || IsIconized()) return;
    fitQueued_ = true;
    CallAfter([this] {
        fitQueued_ = false;
        if (IsShown() && !IsIconized() && GetClientSize() != view_->gridSize()) fitToGrid();
    });
}

void CMainFrame::onMove(wxMoveEvent& event) {
    event.Skip();
    windowMoved(GetRect());
}

void CMainFrame::windowMoved(const wxRect& rect) {
    // Moves while the window is created, placed or hidden are not the user's: the toolkit reports
    // one at the top-left corner while the window manager maps the window, before its first paint.
    if (!userSeesWindow()) return;
    // Compositors that place windows themselves (wlroots ones centre every X11 window) move the
    // window just after it maps, whatever place it asked for; that place is theirs, and storing it
    // would lose the user's for good. Nobody drags a window within moments of its appearing.
    if (clock_.now() - shownAt_ < kPlacementSeconds) return;
    const int top = (rect.y > 1200 || rect.y < 0) ? 0 : rect.y;
    const int left = (rect.x > 1600 || rect.x < 0) ? 0 : rect.x;
    writePosition(settings::kPosition, left, top);
}

void CMainFrame::minimize() {
    const bool toNotifyArea = notifyIcon_ && notifyIcon_->shown();
    // The taskbar lists the window exactly when it is the way back: a notification area that has
    // gone since the start must not leave a minimised window that nothing lists.
    const long style = GetWindowStyleFlag();
    const long wanted = toNotifyArea ? style | wxFRAME_NO_TASKBAR : style & ~wxFRAME_NO_TASKBAR;
    if (wanted != style) SetWindowStyleFlag(wanted);
    if (toNotifyArea)
        Hide();
    else
        Iconize(true);
}

void CMainFrame::bringForward() {
    if (!IsShown()) Show(true);
    if (IsIconized()) Iconize(false);
    Raise();
    wxTopLevelWindow* popup = lastActivePopup().get();
    if (popup && popup != this && popup->IsShown()) {
        if (popup->IsIconized()) popup->Iconize(false);
        popup->Raise();
    }
}

void CMainFrame::notifyIconClicked() {
    playSound(settings::kSoundClick);
    view_->showThisMonth();
    place();
    Show(true);
    if (IsIconized()) Iconize(false);
    Raise();
}

void CMainFrame::openHelp(int context) {
    openHelpTopic(context);
}

void CMainFrame::onCommand(wxCommandEvent& event) {
    if (!runCommand(cmd::commandOf(event.GetId()))) event.Skip();
}

bool CMainFrame::runCommand(int command) {
    switch (command) {
    case cmd::kMinimize:
        minimize();
        break;
    case cmd::kFont:
        view_->changeMainFont();
        break;
    case cmd::kColors: {
        Disable();
        {
            CColorsDialog dialog(this, settings_.colours, [this] { view_->Refresh(false); });
            dialog.ShowModal();
        }
        Enable();
        view_->Refresh(false);
        break;
    }
    case cmd::kPrintSetup:
        printJob_.pageSetup();
        break;
    case cmd::kExit:
        Close(true);
        break;
    case cmd::kThisMonth:
        view_->showThisMonth();
        break;
    case cmd::kThisWeek: {
        const LocalDate today = toLocal(static_cast<Time32>(clock_.now()));
        view_->openWeekView(today.year, today.month, today.day);
        break;
    }
    case cmd::kToDoList:
        view_->openToDoList();
        break;
    case cmd::kHelpTopics:
        openHelp(101);
        break;
    case cmd::kQuickHints: {
        CQuickHintsDlg dialog(this);
        dialog.ShowModal();
        break;
    }
    case cmd::kVersion: {
        CAboutDlg dialog(this);
        dialog.ShowModal();
        break;
    }
    case cmd::kThisYear:
        playSound(settings::kSoundClick);
        ViewYear::open(context_);
        break;
    case cmd::kExportICalendar:
    case cmd::kImportICalendar:
        exchangeICalendar(command == cmd::kImportICalendar);
        break;
    case cmd::kCalendarServer:
        runCalendarServerDialog();
        break;
    case cmd::kSynchronizeNow:
        if (sync_ && sync_->hasAccount())
            sync_->syncNow();
        else
            runCalendarServerDialog();
        break;
    case cmd::kSounds:
        runSoundsDialog(context_);
        break;
    case cmd::kAdvanced:
        runAdvancedDialog(context_);
        break;
    case cmd::kSetTimer:
        runCountdownDialog(context_);
        break;
    case cmd::kBackup:
        backupAppointments(context_);
        break;
    case cmd::kRestore:
        restoreAppointments(context_);
        break;
    default:
        return false;
    }
    return true;
}

void CMainFrame::exchangeICalendar(bool import) {
    wxWindow* parent = dialogParent();
    const wxString wildcard = _("iCalendar files (*.ics)") + "|*.ics;*.ICS";
    wxFileDialog chooser(parent, import ? _("Import from iCalendar") : _("Export to iCalendar"),
                         wxEmptyString, import ? wxString() : wxString("ZorvelCal.ics"), wildcard,
                         import ? wxFD_OPEN | wxFD_FILE_MUST_EXIST : wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (chooser.ShowModal() != wxID_OK) return;
    const std::string path = chooser.GetPath().utf8_string();
    if (!import) {
        const IcsExportResult result = exportIcs(table_, path);
        messageBox(result.message, "ZorvelCal", wxOK | (result.ok ? wxICON_INFORMATION : wxICON_ERROR), parent);
        return;
    }
    importICalendar(path);
}

void CMainFrame::importICalendar(const std::string& path) {
    wxWindow* parent = dialogParent();
    const std::uint64_t failuresBefore = settingsStore().failures().count;
    IcsImportResult result;
    {
        wxBusyCursor busy;
        result = importIcs(table_, path, settings_.region);
    }
    // Every open window draws from the table, so a repaint shows what came in.
    view_->Refresh(false);
    for (wxWindow* child : GetChildren())
        if (dynamic_cast<wxFrame*>(child)) child->Refresh(false);
    messageBox(result.message, "ZorvelCal", wxOK | (result.ok ? wxICON_INFORMATION : wxICON_ERROR), parent);
    // An import the store refused says so itself, and nothing of it was kept.
    if (result.ok && settingsStore().failures().count != failuresBefore)
        messageBox(settingsStore().failures().lastMessage, "ZorvelCal", wxOK | wxICON_ERROR, parent);
}

void CMainFrame::runCalendarServerDialog() {
    if (!sync_) return;
    CalendarServerDialog dialog(dialogParent(), loadSyncAccount(), sync_->lastFailure());
    if (dialog.ShowModal() == wxID_OK && sync_) sync_->accountChanged();
}

void CMainFrame::regionChanged() {
    // The month grid's click map is laid out again with its columns, shown or hidden.
    if (view_) view_->draw();
    for (wxWindow* child : GetChildren()) {
        if (auto* view = dynamic_cast<ViewFrame*>(child))
            view->regionChanged();
        else if (auto* reminder = dynamic_cast<ReminderWnd*>(child))
            reminder->regionChanged();
        else if (dynamic_cast<wxFrame*>(child))
            child->Refresh(false);
    }
    if (notifyIcon_) notifyIcon_->recomputeTip();
}

void CMainFrame::onReminderTimer(unsigned timerId) {
    // The month view goes first when the program closes; a timer that fires after it is ignored.
    if (!view_) return;
    handleReminderTimer(context_, reminderWatch_, timerId, activateForReminder);
}

void CMainFrame::closeOwnedWindows() {
    std::vector<wxWindow*> owned;
    for (wxWindow* child : GetChildren())
        if (dynamic_cast<wxFrame*>(child)) owned.push_back(child);
    // Deleting runs each window's destructor now; Destroy() would leave it for the next idle
    // time, after the table it writes to is gone.
    for (wxWindow* window : owned)
        delete window;
}

void CMainFrame::onClose(wxCloseEvent&) {
    // A sync stops at once; what it did so far is stored and is not done again.
    sync_.reset();
    closeOwnedWindows();
    // The month view goes next: it purges old months and saves the colours while the table
    // still exists.
    delete view_;
    view_ = nullptr;
    notifyIcon_.reset();
    Destroy();
    timers_.stopAll();
    if (theOwner) {
        theOwner->Destroy();
        theOwner = nullptr;
    }
}

} // namespace zc
