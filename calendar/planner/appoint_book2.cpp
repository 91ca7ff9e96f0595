#include "planner/appoint_book2.h"

#include "data/caldav_sync.h"
#include "data/colours.h"
#include "ui/command_ids.h"
#include "ui/display_text.h"
#include "ui/help_topics.h"
#include "ui/program_icon.h"
#include "ui/quick_hints_dialog.h"
#include "data/appointment_table.h"
#include "data/date_helpers.h"
#include "data/repeat_rules.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"
#include "planner/repeat_dialog.h"
#include "planner/view_week.h"
#include "reminders/configure_reminder_dialog.h"
#include "ui/sound.h"
#include "ui/dialog_parent.h"
#include "ui/message_box.h"

#include <wx/accel.h>
#include <wx/dcclient.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/scrolbar.h>
#include <wx/sizer.h>

#include <algorithm>

namespace zc {
namespace {

std::array<AppointBook2*, AppointBook2::kMaxPlanners> openPlanners{};

// Where the last planner was placed; (0, 0) until one is, and again after one closes, so the next
// planner opens at the stored "dayposition".
int cascadeLeft = 0;
int cascadeTop = 0;

// One Repeats dialog at a time, whichever planner runs it.
bool repeatsDialogOpen = false;

constexpr const char* kCaption = "ZorvelCal";
// The lines run across the entry column to the right edge of any window.
constexpr int kLineEnd = 3200;

wxColour toWx(ColourRef c) {
    return wxColour(static_cast<unsigned long>(c));
}

wxString hourLabel(int hour, const RegionSettings& region) {
    return wxString(timeText(hour, 0, TimeForm::kPlannerHour, region));
}

wxString halfHourLabel(int hour, const RegionSettings& region) {
    return wxString(timeText(hour, 30, TimeForm::kNoSuffix, region));
}

bool onlyBlanks(const wxString& text) {
    return text.find_first_not_of(" \t") == wxString::npos;
}

struct Metrics {
    int labelWidth = 0, rowHeight = 0, textWidth = 0;
};

Metrics measureIn(wxDC& dc) {
    Metrics m;
    wxCoord w = 0, h = 0;
    dc.GetTextExtent("  08:30AM ", &w, &h);
    m.labelWidth = w + 4;
    m.rowHeight = h + 4;
    dc.GetTextExtent(wxString('h', 70), &w, &h);
    m.textWidth = w + 4;
    return m;
}

void layout(std::array<AppointBook2::Row, AppointBook2::kRows>& rows, const Metrics& m, int topMargin) {
    int top = topMargin;
    for (AppointBook2::Row& row : rows) {
        row.hour = {m.labelWidth, top, m.labelWidth + m.textWidth, top + m.rowHeight};
        row.half = {m.labelWidth, row.hour.bottom, m.labelWidth + m.textWidth, row.hour.bottom + m.rowHeight};
        top = row.half.bottom;
    }
}

} // namespace

// The slot area: paints the day and passes clicks and the frame's Page keys to the planner.
class AppointBook2::Canvas final : public wxWindow {
  public:
    explicit Canvas(AppointBook2& planner)
        : wxWindow(&planner, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS, "plannerSlots"),
          planner_(planner) {
        // The paint routine covers every pixel it owns.
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
            wxPaintDC dc(this);
            dc.SetBackground(wxBrush(toWx(planner_.settings().colours.dayplan1)));
            dc.Clear();
            planner_.drawDay(dc, false);
            // A refreshed planner always has a live editor; it is placed after the paint, since
            // windows are not made while the toolkit paints.
            if (!planner_.editor())
                CallAfter([this] {
                    if (!planner_.editor()) planner_.editTopSlot();
                });
        });
        Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& event) {
            planner_.leftClick(event.GetX(), event.GetY());
            event.Skip();
        });
        // The wheel scrolls an hour at a time, as the scroll bar's arrows do.
        Bind(wxEVT_MOUSEWHEEL, [this](wxMouseEvent& event) {
            if (event.GetWheelAxis() == wxMOUSE_WHEEL_VERTICAL && event.GetWheelRotation() != 0)
                planner_.scroll(event.GetWheelRotation() > 0 ? Scroll::LineUp : Scroll::LineDown);
        });
        Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
            if (event.GetKeyCode() == WXK_PAGEUP)
                planner_.scroll(Scroll::Top);
            else if (event.GetKeyCode() == WXK_PAGEDOWN)
                planner_.scroll(Scroll::Bottom);
            else
                event.Skip();
        });
    }

  private:
    AppointBook2& planner_;
};

AppointBook2* openDayPlanner(CalendarContext& context, int year, int month, int day) {
    playSound(settings::kSoundClick);
    if (AppointBook2* open = AppointBook2::find(year, month, day)) {
        open->bringForward();
        return open;
    }
    if (AppointBook2::openCount() >= AppointBook2::kMaxPlanners) {
        wxMessageBox(_("Too many day planners open, please close one."), kCaption, wxOK, dialogParent());
        return nullptr;
    }
    return new AppointBook2(context, year, month, day);
}

AppointBook2* AppointBook2::find(int year, int month, int day) {
    for (AppointBook2* p : openPlanners)
        if (p && p->year_ == year && p->month_ == month && p->day_ == day) return p;
    return nullptr;
}

int AppointBook2::openCount() {
    return static_cast<int>(std::count_if(openPlanners.begin(), openPlanners.end(), [](auto* p) { return p; }));
}

void AppointBook2::closeAll() {
    for (AppointBook2*& p : openPlanners)
        if (p) delete p; // the destructor empties the place
}

AppointBook2::FontChooser& AppointBook2::fontChooser() {
    static FontChooser chooser = [](wxWindow* parent, const LogFont& current) { return chooseFont(parent, current); };
    return chooser;
}

AppointBook2::AppointBook2(CalendarContext& context, int year, int month, int day)
    : wxFrame(context.owner, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxCLIP_CHILDREN, "dayPlanner"),
      context_(context), table_(context.table), year_(year), month_(month), day_(day),
      pendingEarly_(context.table.defaultEarly()) {
    for (AppointBook2*& p : openPlanners)
        if (!p) {
            p = this;
            break;
        }

    // The planner's own font, else the month view's.
    if (std::optional<LogFont> stored = loadFont(settings::kFont2))
        fontRecord_ = *stored;
    else
        fontRecord_ = context_.settings.mainFontRecord;
    font_ = fontFromRecord(fontRecord_);

    canvas_ = new Canvas(*this);
    auto* scrollBar = new wxScrollBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSB_VERTICAL,
                                      wxDefaultValidator, "plannerScrollBar");
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(canvas_, 1, wxEXPAND);
    sizer->Add(scrollBar, 0, wxEXPAND);
    SetSizer(sizer);
    scrollBar->Bind(wxEVT_SCROLL_LINEUP, [this](wxScrollEvent&) { scroll(Scroll::LineUp); });
    scrollBar->Bind(wxEVT_SCROLL_LINEDOWN, [this](wxScrollEvent&) { scroll(Scroll::LineDown); });
    scrollBar->Bind(wxEVT_SCROLL_PAGEUP, [this](wxScrollEvent&) { scroll(Scroll::Top); });
    scrollBar->Bind(wxEVT_SCROLL_PAGEDOWN, [this](wxScrollEvent&) { scroll(Scroll::Bottom); });
    scrollBar->Bind(wxEVT_SCROLL_TOP, [this](wxScrollEvent&) { scroll(Scroll::Top); });
    scrollBar->Bind(wxEVT_SCROLL_BOTTOM, [this](wxScrollEvent&) { scroll(Scroll::Bottom); });
    scrollBar->Bind(wxEVT_SCROLL_THUMBRELEASE,
                    [this](wxScrollEvent& e) { scroll(Scroll::Thumb, e.GetPosition()); });
    scrollBar->Bind(wxEVT_SCROLL_CHANGED, [this](wxScrollEvent& e) { scroll(Scroll::Thumb, e.GetPosition()); });

    {
        wxClientDC dc(canvas_);
        measure(dc, &font_);
    }
    buildTitle();
    SetTitle(title_);
    buildMenu();
    // Drawn once for every planner of the run.
    static const wxIconBundle icons = programIcons();
    SetIcons(icons);
    updateScrollBar();

    if (cascadeLeft == 0 && cascadeTop == 0) {
        const WindowPosition stored = readPosition(settings::kDayPosition);
        cascadeLeft = stored.left;
        cascadeTop = stored.top;
    } else {
        cascadeLeft += 5;
        cascadeTop += 5;
    }
    fitWindow();
    Move(cascadeLeft, cascadeTop);
    lastPosition_ = {cascadeLeft, cascadeTop};

    Bind(wxEVT_MENU, &AppointBook2::onMenu, this);
    // Another planner, a restore or an import may change or remove what this day shows. One edit
    // tells the table's listeners several times, so the editor catches up once, after it.
    tableListener_ = table_.addChangeListener([this] {
        canvas_->Refresh(false);
        if (followPending_) return;
        followPending_ = true;
        CallAfter([this] {
            followPending_ = false;
            followTable();
        });
    });
    // To a text control Ctrl+M is a carriage return, which it would take before the menu sees
    // the key; the frame looks at keys first.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetModifiers() == wxMOD_CONTROL && event.GetKeyCode() == 'M') {
            if (canRepeatOrRemind()) runCommand(cmd::kReminder);
            return;
        }
        event.Skip();
    });
    Bind(wxEVT_CLOSE_WINDOW, &AppointBook2::onClose, this);
    Bind(wxEVT_MOVE, [this](wxMoveEvent& event) {
        windowMoved(GetPosition());
        event.Skip();
    });
    for (int command : {cmd::kRepeats, cmd::kReminder})
        Bind(
            wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Enable(canRepeatOrRemind()); }, cmd::menuId(command));

    Show();
    Raise();
    editTopSlot();
}

AppointBook2::~AppointBook2() {
    table_.removeChangeListener(tableListener_);
    if (editor_) {
        const std::uint64_t before = settingsStore().failures().count;
        commit();
        // The window is going, so the message cannot stay with it.
        if (settingsStore().failures().count != before)
            messageBox(settingsStore().failures().lastMessage, kCaption, wxOK | wxICON_EXCLAMATION, nullptr);
    }
    for (AppointBook2*& p : openPlanners)
        if (p == this) p = nullptr;
    cascadeLeft = cascadeTop = 0;
    // The month and the week on show may have changed meanwhile.
    if (context_.monthChanged) context_.monthChanged();
    if (ViewWeek* week = ViewWeek::instance()) week->canvas()->Refresh(false);
}

void AppointBook2::buildTitle() {
    const LocalDate date = toLocal(localTime(year_, month_, day_, 12, 0));
    const char* weekday = weekdayName(date.weekday);
    const char* monthText = monthName(month_);
    title_ = wxString::Format(_("Day planner for %s, %s %d, %d"), weekday ? wxGetTranslation(weekday) : "",
                              monthText ? wxGetTranslation(monthText) : "", day_, year_);
}

void AppointBook2::buildMenu() {
    auto* commands = new wxMenu;
    commands->Append(cmd::menuId(cmd::kRepeats), _("&Repeats\tCtrl+R"));
    commands->Append(cmd::menuId(cmd::kReminder), _("Re&minder\tCtrl+M"));
    // Close keeps the usual C, so Clear Day, which deletes, needs a key of its own.
    commands->Append(cmd::menuId(cmd::kClearDay), _("C&lear Day"));
    commands->Append(cmd::menuId(cmd::kSelectFont), _("Select &Font"));
    commands->Append(cmd::menuId(cmd::kPlannerPrint), _("&Print\tCtrl+P"));
    commands->AppendSeparator();
    commands->Append(cmd::menuId(cmd::kPlannerClose), _("&Close"));
    // The toolkit's menu bar cannot run a command from a title of its own, so Previous and Next
    // are the items of one menu, with the keys Alt+Left and Alt+Right.
    auto* day = new wxMenu;
    day->Append(cmd::menuId(cmd::kPreviousDay), _("&Previous\tAlt+Left"));
    day->Append(cmd::menuId(cmd::kNextDay), _("&Next\tAlt+Right"));
    auto* help = new wxMenu;
    help->Append(cmd::menuId(cmd::kPlannerHelpTopics), _("&Help Topics"));
    help->Append(cmd::menuId(cmd::kPlannerQuickHints), _("&Quick Hints"));
    auto* bar = new wxMenuBar;
    bar->Append(commands, _("&Commands"));
    bar->Append(day, _("&Day"));
    bar->Append(help, _("&Help"));
    SetMenuBar(bar);
}

void AppointBook2::measure(wxDC& dc, const wxFont* font) {
    if (font) dc.SetFont(*font);
    const Metrics m = measureIn(dc);
    labelWidth_ = m.labelWidth;
    rowHeight_ = m.rowHeight;
    textWidth_ = m.textWidth;
    layout(rows_, m, 0);
}

void AppointBook2::fitWindow() {
    // Eleven hours of two slots each are visible; the scroll bar takes the rest. The window has
    // no sizing border, so this size is the one it keeps.
    const wxSize slots(labelWidth_ + textWidth_, 2 * kVisibleRows * rowHeight_);
    canvas_->SetMinSize(slots);
    SetClientSize(GetSizer()->GetMinSize());
    Layout();
}

void AppointBook2::updateScrollBar() {
    // The bar runs over the 18 hours with an eleven-hour page; its position is the top hour.
    for (wxWindow* child : GetChildren())
        if (auto* bar = dynamic_cast<wxScrollBar*>(child))
            bar->SetScrollbar(firstHour_ - kFirstHour, kVisibleRows, kRows, kVisibleRows);
}

void AppointBook2::bringForward() {
    if (IsIconized()) Iconize(false);
    Show();
    Raise();
}

void AppointBook2::windowMoved(const wxPoint& position) {
    // The first two moves come from creating and placing the window. The toolkit reports a
    // placement more than once (before the window is shown, and as the window manager maps it),
    // so only a move that is not yet on screen, or to where the window is already, is no move.
    if (!IsShownOnScreen() || position == lastPosition_) return;
    lastPosition_ = position;
    if (moveSkips_ > 0) {
        --moveSkips_;
        return;
    }
    writePosition(settings::kDayPosition, position.x, position.y);
    cascadeLeft = position.x;
    cascadeTop = position.y;
}

// Drawing.

void AppointBook2::drawDay(wxDC& dc, bool printing) {
    const bool fast = printing && context_.settings.fastprinting != 0;
    const Colours& c = context_.settings.colours;
    std::array<Row, kRows> printRows;
    const std::array<Row, kRows>* rows = &rows_;
    int first = firstHour_;
    int lineEnd = kLineEnd;
    const wxString heading = wxString::Format(_("%s                     by Zorvel Calendar"), title_);
    if (printing) {
        // The printer measures in its own default font; the screen's slot table stays as it is,
        // and so does the window's scroll position: a printed day always starts at 6:00am.
        dc.SetFont(*wxNORMAL_FONT);
        const Metrics m = measureIn(dc);
        layout(printRows, m, 2 * m.rowHeight);
        rows = &printRows;
        first = kFirstHour;
        // Paper cannot scroll: the page shrinks until the longest entry fits whole, and the lines
        // end with it rather than run off the paper.
        const auto widest = [&] {
            int width = std::max(m.labelWidth + m.textWidth, 22 + dc.GetTextExtent(heading).x);
            for (int hour = kFirstHour; hour <= 23; ++hour)
                for (int minute : {0, 30})
                    if (const Appointment* entry = table_.findAt(year_, month_, day_, hour, minute))
                        width = std::max(width, m.labelWidth + kTextIndent +
                                                    dc.GetTextExtent(displayText(entry->stored.notes)).x + 4);
            return width;
        };
        fitToPage(dc, {0, (2 * kRows + 2) * m.rowHeight}, m.rowHeight, widest);
        lineEnd = widest();
    } else {
        measure(dc, &font_);
    }

    dc.SetTextForeground(fast ? *wxBLACK : toWx(c.fore));
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetPen(*wxBLACK_PEN);
    if (printing) dc.DrawText(heading, 22, 2);

    const wxColour red(255, 0, 0);
    const auto drawEntry = [&](const Appointment* entry, const SlotRect& slot, int plusTop) {
        if (!entry) return;
        if (entry->stored.repeats != 0) {
            const wxColour text = dc.GetTextForeground();
            if (!fast) dc.SetTextForeground(red);
            dc.DrawText("+", slot.left - 9, plusTop);
            dc.SetTextForeground(text);
        }
        dc.DrawText(displayText(entry->stored.notes), slot.left + kTextIndent, slot.top + 2);
    };

    for (int hour = first; hour <= 23; ++hour) {
        const int i = hour - first;
        const Row& row = (*rows)[static_cast<std::size_t>(i)];
        if (!fast) {
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(wxBrush(toWx(hour % 2 == 0 ? c.dayplan1 : c.dayplan2)));
            dc.DrawRectangle(0, row.hour.top, lineEnd, row.half.bottom - row.hour.top + 1);
            dc.SetPen(*wxBLACK_PEN);
        }
        dc.DrawText(hourLabel(hour, context_.settings.region), 5, row.hour.top + 2);
        drawEntry(table_.findAt(year_, month_, day_, hour, 0), row.hour, row.hour.top);
        dc.DrawLine(row.hour.left, row.hour.bottom, lineEnd, row.hour.bottom);

        const wxString half = halfHourLabel(hour, context_.settings.region);
        dc.DrawText(half, row.hour.left - dc.GetTextExtent(half).x - 16, row.half.top + 2);
        drawEntry(table_.findAt(year_, month_, day_, hour, 30), row.half, row.half.top - 3);

        if (i != 0) dc.DrawLine(0, row.hour.top, lineEnd, row.hour.top);
        dc.DrawLine(0, row.half.bottom, lineEnd, row.half.bottom);
    }
}

void AppointBook2::printPage(wxDC& dc, int) {
    drawDay(dc, true);
}

// Editing.

void AppointBook2::editTopSlot() {
    beginEditing(0, true);
}

void AppointBook2::refreshDay() {
    canvas_->Refresh(false);
    if (!editor_) editTopSlot();
}

bool AppointBook2::beginEditing(int row, bool onHour, int topHour) {
    if (topHour < 0) topHour = firstHour_;
    if (row < 0 || row >= kRows || topHour + row > 23) {
        closeEditor();
        return false;
    }
    // An editor that moves on stays shown, and so keeps the keyboard focus: keys typed right
    // after Tab are queued for it already, and a hidden control would lose them.
    if (editor_) {
        if (!commit()) return false;
    } else if (spareEditor_) {
        // Making a control costs far more than moving one, so a closed editor is kept hidden and
        // taken up again by the next slot.
        editor_ = spareEditor_;
        spareEditor_ = nullptr;
    } else {
        editor_ = new EntryEdit(canvas_, *this, font_);
    }
    if (editor_->GetFont() != font_) editor_->SetFont(font_);
    if (topHour != firstHour_) {
        firstHour_ = topHour;
        updateScrollBar();
        canvas_->Refresh(false);
    }
    editRow_ = row;
    editOnHour_ = onHour;
    const Appointment* entry = table_.findAt(year_, month_, day_, firstHour_ + row, onHour ? 0 : 30);
    editor_->entry = const_cast<Appointment*>(entry);
    editText_ = entry ? displayText(entry->stored.notes) : wxString();
    shownNotes_ = editText_;
    editor_->ChangeValue(editText_);
    const Row& r = rows_[static_cast<std::size_t>(row)];
    const SlotRect& slot = onHour ? r.hour : r.half;
    editor_->placeOver(slot.left + kTextIndent, slot.top + 2, slot.right, rowHeight_ - 2);
    editor_->placeCaret();
    editor_->Show();
    editor_->focusLater();
    return true;
}

bool AppointBook2::closeEditor() {
    if (!editor_) return true;
    if (!commit()) return false;
    editor_->entry = nullptr;
    editor_->Hide();
    spareEditor_ = editor_;
    editor_ = nullptr;
    return true;
}

void AppointBook2::followTable() {
    if (!editor_) return;
    Appointment* entry = editedEntry();
    const wxString now = entry ? displayText(entry->stored.notes) : wxString();
    // Text the user typed is theirs and is committed as usual; an untouched slot shows what the
    // table holds now, so leaving it cannot bring back an entry removed elsewhere.
    if (editText_ == shownNotes_ && editText_ != now) {
        editor_->entry = entry;
        editText_ = now;
        editor_->ChangeValue(now);
    }
    if (editText_ == now) shownNotes_ = now;
}

Appointment* AppointBook2::editedEntry() const {
    // Never the editor's own pointer: another planner may have removed the entry (a series).
    return editor_ ? table_.findAt(year_, month_, day_, firstHour_ + editRow_, editOnHour_ ? 0 : 30) : nullptr;
}

bool AppointBook2::commit() {
    if (!editor_ || editRow_ < 0) return true;
    const std::uint64_t before = settingsStore().failures().count;
    ScopedDialogParent parent(this);
    std::string text = editText_.utf8_string();
    // The slot changed elsewhere while the user typed (a sync brought the server's text, another
    // planner changed a series): the copy the editor started from must not overwrite that, so
    // both texts stay, the other one first, as a sync joins them.
    if (editText_ != shownNotes_) {
        const Appointment* now = editedEntry();
        const wxString nowText = now ? displayText(now->stored.notes) : wxString();
        if (now && nowText != shownNotes_ && nowText != editText_ && !wxString(editText_).Trim().empty()) {
            text = joinTexts(now->stored.notes, text);
            editText_ = shownNotes_ = displayText(text);
            editor_->ChangeValue(editText_);
        }
    }
    // The entry may go with the change; the editor names whatever holds the slot afterwards.
    editor_->entry = nullptr;
    const AppointmentTable::SlotChange change = table_.setSlotText(
        year_, month_, day_, firstHour_ + editRow_, editOnHour_ ? 0 : 30, text, pendingEarly_);
    editor_->entry = change.entry;
    if (change.kind == AppointmentTable::SlotChange::Kind::Created && change.stored)
        pendingEarly_ = table_.defaultEarly();
    if (change.series) canvas_->Refresh(false);
    // A text the store did not take stays in the editor for another try.
    return !reportStoreFailure(before);
}

bool AppointBook2::reportStoreFailure(std::uint64_t before) {
    const StoreFailures& failures = settingsStore().failures();
    if (failures.count == before) return false;
    messageBox(failures.lastMessage, kCaption, wxOK | wxICON_EXCLAMATION, IsShown() ? this : dialogParent());
    return true;
}

void AppointBook2::editTextChanged(const wxString& text) {
    editText_ = text;
}

void AppointBook2::editNext() {
    if (editOnHour_) {
        beginEditing(editRow_, false);
    } else if (editRow_ >= kVisibleRows - 1) {
        // The last visible row: scroll one hour, unless 11:30pm is the last slot of the day.
        if (firstHour_ < kLastTopHour) beginEditing(kVisibleRows - 1, true, firstHour_ + 1);
    } else {
        beginEditing(editRow_ + 1, true);
    }
}

void AppointBook2::editPrevious() {
    if (!editOnHour_) {
        beginEditing(editRow_, true);
    } else if (editRow_ == 0) {
        if (firstHour_ > kFirstHour) beginEditing(0, false, firstHour_ - 1);
    } else {
        beginEditing(editRow_ - 1, false);
    }
}

void AppointBook2::editTop() {
    scroll(Scroll::Top);
}

void AppointBook2::editBottom() {
    scroll(Scroll::Bottom);
}

void AppointBook2::scroll(Scroll how, int thumbPosition) {
    int hour = firstHour_;
    switch (how) {
    case Scroll::LineUp: hour = std::max(kFirstHour, hour - 1); break;
    case Scroll::LineDown: hour = std::min(kLastTopHour, hour + 1); break;
    case Scroll::Top: hour = kFirstHour; break;
    case Scroll::Bottom: hour = kLastTopHour; break;
    case Scroll::Thumb: hour = std::clamp(thumbPosition + kFirstHour, kFirstHour, kLastTopHour); break;
    }
    // The editor goes to the top slot; it stays where it was when its text could not be stored.
    beginEditing(0, true, hour);
    updateScrollBar();
    canvas_->Refresh(false);
}

void AppointBook2::leftClick(int x, int y) {
    for (bool onHour : {true, false})
        for (int row = 0; row < kRows && firstHour_ + row <= 23; ++row) {
            const Row& r = rows_[static_cast<std::size_t>(row)];
            if ((onHour ? r.hour : r.half).contains(x, y)) {
                beginEditing(row, onHour);
                return;
            }
        }
}

void AppointBook2::stepDay(int days) {
    const LocalDate next = toLocal(addCalendarDays(localTime(year_, month_, day_, 12, 0), days));
    if (AppointBook2* other = find(next.year, next.month, next.day)) {
        other->bringForward();
        return;
    }
    if (!closeEditor()) return;
    year_ = next.year;
    month_ = next.month;
    day_ = next.day;
    buildTitle();
    SetTitle(title_);
    refreshDay();
}

// Commands.

void AppointBook2::onMenu(wxCommandEvent& event) {
    if (!runCommand(cmd::commandOf(event.GetId()))) event.Skip();
}

bool AppointBook2::runCommand(int command) {
    switch (command) {
    case cmd::kRepeats: repeatsCommand(); break;
    case cmd::kReminder: reminderCommand(); break;
    case cmd::kClearDay: clearDayCommand(); break;
    case cmd::kSelectFont: selectFontCommand(); break;
    case cmd::kPlannerPrint:
    case cmd::kPrint: printCommand(); break;
    case cmd::kPlannerClose: Close(); break;
    case cmd::kPreviousDay: stepDay(-1); break;
    case cmd::kNextDay: stepDay(1); break;
    case cmd::kPlannerHelpTopics: openHelpTopic(kHelpDayPlanner); break;
    case cmd::kPlannerQuickHints: {
        CQuickHintsDlg hints(
            this, wxTRANSLATE("   Quick hints on using the Day Planner"),
            {{wxTRANSLATE("left click to select an entry to edit")},
             {wxTRANSLATE("right click to activate a pop-up menu for Cut and Paste commands")},
             {wxTRANSLATE("all information entered is automatically saved")},
             {wxTRANSLATE("use the tab, enter and arrow keys to move to the next entry")},
             {wxTRANSLATE("some commands are only available when a text entry is selected")}});
        hints.ShowModal();
        closeEditor();
        refreshDay();
        break;
    }
    default: return false;
    }
    return true;
}

bool AppointBook2::canRepeatOrRemind() const {
    return editor_ && !editText_.empty() && !repeatsDialogOpen;
}

void AppointBook2::repeatsCommand() {
    if (repeatsDialogOpen) return;
    if (!editor_) {
        wxMessageBox(_("Please select a non-empty entry to repeat."), kCaption, wxOK, this);
        return;
    }
    if (onlyBlanks(editText_)) {
        wxMessageBox(_("Please enter the text of the entry which is to repeat."), kCaption, wxOK, this);
        return;
    }
    // The series repeats the text as typed, so an edited text is stored before it is copied.
    if (!commit()) return;
    Appointment* entry = editedEntry();
    if (!entry) return;

    RepeatDialogModel model;
    model.prepareRepeatDialog(day_, month_, year_, editText_.utf8_string(), table_.clock().now());
    model.presetRepeatDialog(entry->stored.repeats, entry->stored.nthweek);
    repeatsDialogOpen = true;
    {
        // OK and Cancel both apply what the dialog holds; Cancel leaves the kind it opened with.
        RepeatDialog dialog(this, model);
        dialog.ShowModal();
    }
    repeatsDialogOpen = false;
    // Looked up again: the table is the owner, and events ran while the dialog was open.
    entry = editedEntry();
    if (!entry) return;
    const std::uint64_t before = settingsStore().failures().count;
    {
        ScopedDialogParent parent(this);
        model.applyTo(*entry);
    }
    reportStoreFailure(before);
    closeEditor();
    refreshDay();
    Raise();
}

void AppointBook2::reminderCommand() {
    Appointment* entry = editedEntry();
    int minutes = table_.defaultEarly();
    bool enabled = true;
    if (entry) {
        minutes = entry->stored.early;
        enabled = minutes != -1;
    } else {
        enabled = context_.settings.reminders == 0;
    }
    if (minutes == -1) {
        enabled = false;
        minutes = 0;
    }
    {
        // The values as left in the dialog count, whichever button closed it.
        ConfigureReminderDialog dialog(this, enabled, minutes);
        dialog.ShowModal();
        enabled = dialog.enabled();
        minutes = dialog.minutes();
    }
    if (!enabled) minutes = -1;
    if (entry) entry = editedEntry();
    if (entry && entry->stored.early != minutes) {
        const std::uint64_t before = settingsStore().failures().count;
        const int previous = entry->stored.early;
        entry->stored.early = minutes;
        entry->schedule(true);
        if (reportStoreFailure(before)) {
            entry->stored.early = previous;
            entry->schedule(false);
        }
    }
    pendingEarly_ = minutes;
    closeEditor();
    refreshDay();
}

void AppointBook2::clearDayCommand() {
    const char* monthText = monthName(month_);
    const wxString question =
        wxString::Format(_("Are you sure you wish to delete all day planner entries for %s %d, %d?"),
                         monthText ? wxGetTranslation(monthText) : "", day_, year_);
    // Enter must not delete a whole day: the safe answer is the default.
    if (wxMessageBox(question, kCaption, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION, this) != wxYES) return;
    if (!closeEditor()) return;
    const std::uint64_t before = settingsStore().failures().count;
    table_.clearDay(year_, month_, day_);
    reportStoreFailure(before);
    refreshDay();
}

void AppointBook2::selectFontCommand() {
    Disable();
    const std::optional<LogFont> chosen = fontChooser()(this, fontRecord_);
    Enable();
    if (!chosen || !closeEditor()) return;
    fontRecord_ = *chosen;
    font_ = fontFromRecord(fontRecord_);
    saveFont(settings::kFont2, fontRecord_);
    {
        wxClientDC dc(canvas_);
        measure(dc, &font_);
    }
    fitWindow();
    Move(10, 10);
    Raise();
    refreshDay();
}

void AppointBook2::printCommand() {
    // What was typed last belongs on the page.
    if (!commit()) return;
    context_.printJob.printThrough(PrintKind::DayPlanner, this);
}

void AppointBook2::onClose(wxCloseEvent& event) {
    // A text that could not be stored keeps the window open, unless it must close.
    if (event.CanVeto() && !closeEditor()) {
        event.Veto();
        return;
    }
    Destroy();
}

} // namespace zc
