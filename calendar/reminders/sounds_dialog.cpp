#include "reminders/sounds_dialog.h"

#include "ui/program_icon.h"
#include "ui/wx_questions.h"
#include "data/settings_catalogue.h"
#include "data/settings_key.h"
#include "ui/sound.h"
#include "ui/save_watch.h"

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <filesystem>

namespace zc {
namespace {

struct EventRow {
    CSoundsDialog::Id choose;
    CSoundsDialog::Id none;
    const char* label;
    const char* prompt;
    const char* setting;
};

// In the order of CSoundsDialog::Event.
constexpr EventRow kRows[] = {
    {CSoundsDialog::kStartUp, CSoundsDialog::kStartUpNone, wxTRANSLATE("Start up"),
     wxTRANSLATE("Sound to play at program start-up"), settings::kSoundStart},
    {CSoundsDialog::kReminders, CSoundsDialog::kRemindersNone, wxTRANSLATE("Reminders"),
     wxTRANSLATE("Sound to play with reminders"), settings::kSoundReminders},
    {CSoundsDialog::kClick, CSoundsDialog::kClickNone, wxTRANSLATE("Click on Calendar"),
     wxTRANSLATE("Sound to play when the calendar is clicked on"), settings::kSoundClick},
};

// The formats the desktop's sound service plays; GTK matches patterns case by case.
wxString soundFilter() {
    return _("Sound files (*.wav, *.ogg, *.oga, *.flac)") +
           "|*.wav;*.WAV;*.ogg;*.OGG;*.oga;*.OGA;*.flac;*.FLAC|" + _("Wave files (*.wav)") + "|*.wav;*.WAV";
}

wxString shownName(const std::string& value) {
    if (value.empty()) return _("(none)");
    return wxString::FromUTF8(std::filesystem::path(value).filename().string());
}

} // namespace

SoundChooserStart soundChooserStart(const std::string& value) {
    if (value.empty()) return {};
    const std::size_t slash = value.rfind('/');
    if (slash != std::string::npos && slash > 0) return {value.substr(0, slash), value.substr(slash + 1)};
    // A bare name such as "Notify.wav" is one of the program's own sounds: the chooser opens
    // where the program finds it, so the user sees the sounds that come with the calendar.
    if (slash == std::string::npos) {
        const std::string found = resolveSoundFile(value);
        if (!found.empty()) return {std::filesystem::path(found).parent_path().string(), value};
    }
    return {{}, value};
}

CSoundsDialog::FileChooser& CSoundsDialog::fileChooser() {
    static FileChooser chooser = [](wxWindow* parent, const wxString& prompt,
                                    const SoundChooserStart& start) -> std::optional<std::string> {
        wxFileDialog dialog(parent, prompt, wxString::FromUTF8(start.folder), wxString::FromUTF8(start.file),
                            soundFilter(), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK) return std::nullopt;
        return dialog.GetPath().utf8_string();
    };
    return chooser;
}

std::function<void(const std::string&)>& CSoundsDialog::player() {
    static std::function<void(const std::string&)> play = [](const std::string& file) {
        if (file.size() > 1) playWaveFile(file);
    };
    return play;
}

CSoundsDialog::CSoundsDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("    Modify Zorvel Calendar Sounds"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "soundsDialog") {
    SetIcons(programIcons());
    for (int e = kStartEvent; e <= kClickEvent; ++e)
        values_[e] = settings::soundFile(kRows[e].setting);

    auto* box = new wxStaticBoxSizer(wxVERTICAL, this, _("Select sounds for events:"));
    auto* grid = new wxFlexGridSizer(3, 8, 8);
    grid->AddGrowableCol(1);
    for (int e = kStartEvent; e <= kClickEvent; ++e) {
        const EventRow& row = kRows[e];
        auto* chooser = new wxButton(box->GetStaticBox(), row.choose, wxGetTranslation(row.label),
                                     wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator, row.label);
        chooser->SetToolTip(wxGetTranslation(row.prompt));
        shown_[e] = new wxStaticText(box->GetStaticBox(), wxID_ANY, shownName(values_[e]), wxDefaultPosition,
                                     wxSize(FromDIP(170), -1), wxST_ELLIPSIZE_MIDDLE);
        shown_[e]->SetToolTip(wxString::FromUTF8(values_[e]));
        auto* none = new wxButton(box->GetStaticBox(), row.none, _("None"), wxDefaultPosition, wxDefaultSize,
                                  0, wxDefaultValidator, std::string(row.label) + " None");
        grid->Add(chooser, 0, wxEXPAND);
        grid->Add(shown_[e], 1, wxALIGN_CENTER_VERTICAL | wxEXPAND);
        grid->Add(none);
        Bind(
            wxEVT_BUTTON, [this, e](wxCommandEvent&) { choose(static_cast<Event>(e)); }, row.choose);
        Bind(
            wxEVT_BUTTON, [this, e](wxCommandEvent&) { setValue(static_cast<Event>(e), {}); }, row.none);
    }
    box->Add(grid, 1, wxALL | wxEXPAND, 8);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(box, 1, wxALL | wxEXPAND, 10);
    top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 10);
    SetSizerAndFit(top);
    Bind(wxEVT_BUTTON, &CSoundsDialog::onOk, this, wxID_OK);
    CentreOnParent();
}

void CSoundsDialog::setValue(Event event, std::string value) {
    values_[event] = std::move(value);
    shown_[event]->SetLabel(shownName(values_[event]));
    shown_[event]->SetToolTip(wxString::FromUTF8(values_[event]));
}

void CSoundsDialog::choose(Event event) {
    const std::optional<std::string> file =
        fileChooser()(this, wxGetTranslation(kRows[event].prompt), soundChooserStart(values_[event]));
    if (!file) return;
    setValue(event, *file);
    player()(*file);
}

void CSoundsDialog::onOk(wxCommandEvent&) {
    const SaveWatch watch;
    SettingsKey key;
    if (key.openGroup(settings::kSounds) != SettingsKey::kFailed)
        for (int e = kStartEvent; e <= kClickEvent; ++e)
            key.writeString(kRows[e].setting, values_[e]);
    // Choices that did not reach the store stay in the dialog, so the user can try again.
    WxQuestions questions(this);
    if (watch.saved(questions)) EndModal(wxID_OK);
}

} // namespace zc
