#pragma once
// AppointBook2: the day planner, one top-level window per open date (at most ten), owned by the
// main frame. It shows the date as 36 half-hour slots from 6:00am to 11:30pm, eleven hours at a
// time, and edits one slot at a time through an EntryEdit laid over it. Leaving a slot commits its
// text to the appointment table, which writes it through to the store at once; the planner reads
// the table afresh at every paint. It also sets an entry's repeat and reminder, clears the day,
// changes its font, prints the day through the program's print job and steps to the previous or next day.
#include "ui/calendar_context.h"
#include "ui/font_record.h"
#include "ui/print_source.h"
#include "planner/entry_edit.h"

#include <wx/frame.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class wxDC;

namespace zc {

class Appointment;
class AppointmentTable;

// Open planner for a date: the one way the month, week and year views open a day planner. Plays
// the click sound; brings forward the planner that shows the date already, or opens a new one.
// Returns the planner shown, or nullptr when ten are open already (the user is told).
class AppointBook2;
AppointBook2* openDayPlanner(CalendarContext& context, int year, int month, int day);

class AppointBook2 final : public wxFrame, public EntryEditOwner, public PrintSource {
  public:
    static constexpr int kMaxPlanners = 10;
    static constexpr int kRows = 18;      // hours 6 to 23
    static constexpr int kVisibleRows = 11;
    static constexpr int kFirstHour = 6;  // the top of the day
    static constexpr int kLastTopHour = 13; // the top row when 11pm is the last visible row
    static constexpr int kOpeningHour = 8;
    // The slot's text begins this far right of its left edge, painted or in the editor.
    static constexpr int kTextIndent = 7;

    struct SlotRect {
        int left = 0, top = 0, right = 0, bottom = 0;
        bool contains(int x, int y) const { return left <= x && x <= right && top <= y && y <= bottom; }
    };
    struct Row {
        SlotRect hour, half;
    };

    // The open-planner table.
    static AppointBook2* find(int year, int month, int day);
    static int openCount();
    // Deletes every open planner at once (each commits its editor first).
    static void closeAll();
    // Asks the user for a font; tests replace it.
    using FontChooser = std::function<std::optional<LogFont>(wxWindow* parent, const LogFont& current)>;
    static FontChooser& fontChooser();

    // Use openDayPlanner(); the table must have room.
    AppointBook2(CalendarContext& context, int year, int month, int day);
    ~AppointBook2() override;

    const ViewSettings& settings() const { return context_.settings; }
    int year() const { return year_; }
    int month() const { return month_; }
    int day() const { return day_; }
    int firstHour() const { return firstHour_; }
    int editRow() const { return editRow_; }
    bool editOnHour() const { return editOnHour_; }
    EntryEdit* editor() const { return editor_; }
    const wxString& title() const { return title_; }
    const std::array<Row, kRows>& slots() const { return rows_; }
    int rowHeight() const { return rowHeight_; }

    // Shows the planner normally and makes it the active window.
    void bringForward();
    // Runs a menu command by its number (cmd::k...); false when the planner does not handle it.
    bool runCommand(int command);
    // A left click at client coordinates of the slot area.
    void leftClick(int x, int y);
    // Commits the editor's text and puts the editor over the slot, with the day scrolled so that
    // topHour is the first visible hour (-1: where it is); false when the text could not be
    // stored and stays where it was.
    bool beginEditing(int row, bool onHour, int topHour = -1);
    // Commits and removes the editor; false (editor kept) when the text could not be stored.
    bool closeEditor();
    // Scrolling as the scroll bar asks for it: a line, a page or a thumb position.
    enum class Scroll { LineUp, LineDown, Top, Bottom, Thumb };
    void scroll(Scroll how, int thumbPosition = 0);
    // Previous (-1) and Next (+1).
    void stepDay(int days);
    // Moves after the first two are the user's; they are remembered in "dayposition".
    void windowMoved(const wxPoint& position);

    // The one drawing routine, for the slot area on screen and for the printer.
    void drawDay(wxDC& dc, bool printing);

    // EntryEditOwner.
    void editNext() override;
    void editPrevious() override;
    void editTop() override;
    void editBottom() override;
    void editTextChanged(const wxString& text) override;

    // PrintSource.
    wxWindow* printWindow() override { return this; }
    void printPage(wxDC& dc, int page) override;

  private:
    class Canvas;

    void measure(wxDC& dc, const wxFont* font);
    void layoutRows(std::array<Row, kRows>& rows, int topMargin) const;
    void fitWindow();
    void buildTitle();
    void buildMenu();
    void updateScrollBar();
    void editTopSlot();
    void refreshDay();
    // Brings an untouched editor up to date after the table changed under it.
    void followTable();
    // The entry in the edited slot, looked up in the table.
    Appointment* editedEntry() const;
    // Writes the editor's text to the table and the store.
    bool commit();
    // Tells the user once when the store counted failed writes since before; true when it did.
    bool reportStoreFailure(std::uint64_t before);

    void repeatsCommand();
    void reminderCommand();
    void clearDayCommand();
    void selectFontCommand();
    void printCommand();
    bool canRepeatOrRemind() const;

    void onMenu(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);

    CalendarContext& context_;
    AppointmentTable& table_;
    Canvas* canvas_ = nullptr;
    int year_, month_, day_;
    int firstHour_ = kOpeningHour;
    int editRow_ = -1;
    bool editOnHour_ = true;
    EntryEdit* editor_ = nullptr;
    EntryEdit* spareEditor_ = nullptr;
    wxString editText_;
    // The slot's text when the editor came to it, to tell whether the user has typed since.
    wxString shownNotes_;
    int tableListener_ = 0;
    bool followPending_ = false;
    wxFont font_;
    LogFont fontRecord_;
    int labelWidth_ = 0, rowHeight_ = 0, textWidth_ = 0;
    int pendingEarly_ = -1;
    wxString title_;
    int moveSkips_ = 2;
    wxPoint lastPosition_;
    std::array<Row, kRows> rows_{};
};

} // namespace zc
