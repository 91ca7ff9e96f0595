#pragma once
// Dialog 152, "Modify Zorvel Calendar Sounds": chooses the wave file of each event sound (start-up,
// reminders, a click on the calendar) or none. A chosen file plays at once so the user hears it;
// OK stores the three choices, Cancel stores nothing.
#include <wx/dialog.h>

#include <array>
#include <functional>
#include <optional>
#include <string>

class wxStaticText;

namespace zc {

// Where the file chooser starts for a stored sound: a value with a "/" after its first character
// starts in the folder before the last "/" with the rest as the file name; any other value is the
// file name alone, in the folder where the program finds such a bare name.
struct SoundChooserStart {
    std::string folder;
    std::string file;
};
SoundChooserStart soundChooserStart(const std::string& value);

class CSoundsDialog final : public wxDialog {
  public:
    enum Id {
        kStartUp = 1068,
        kReminders = 1069,
        kClick = 1067,
        kStartUpNone = 1070,
        kRemindersNone = 1072,
        kClickNone = 1071,
    };
    enum Event { kStartEvent, kRemindersEvent, kClickEvent };

    // Asks for an existing sound file: (parent, prompt, start) -> full path, or nothing when the
    // user cancels. Tests answer in its place.
    using FileChooser = std::function<std::optional<std::string>(wxWindow* parent, const wxString& prompt,
                                                                 const SoundChooserStart&)>;
    static FileChooser& fileChooser();
    // Plays a chosen file at once; tests record it instead.
    static std::function<void(const std::string& file)>& player();

    explicit CSoundsDialog(wxWindow* parent);

    const std::string& value(Event event) const { return values_[event]; }

  private:
    void choose(Event event);
    void setValue(Event event, std::string value);
    void onOk(wxCommandEvent& event);

    std::array<std::string, 3> values_;
    std::array<wxStaticText*, 3> shown_{};
};

} // namespace zc
