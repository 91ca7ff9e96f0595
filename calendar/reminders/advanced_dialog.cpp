#include "reminders/advanced_dialog.h"

#include "ui/command_ids.h"
#include "ui/help_topics.h"
#include "ui/program_icon.h"
#include "reminders/settings_commands.h"
#include "data/backup.h"
#include "ui/range_validators.h"
#include "ui/wx_questions.h"
#include "ui/save_watch.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace zc {

CAdvancedDialog::CAdvancedDialog(wxWindow* parent, CalendarContext& context)
    : wxDialog(parent, wxID_ANY, "                            " + _("Advanced"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "advancedDialog"),
      context_(context), values_(settings::loadReminderSettings()), edited_(values_),
      region_(context.settings.region) {
    SetIcons(programIcons());

    auto* remindersBox = new wxStaticBoxSizer(wxVERTICAL, this, "   " + _("Reminders"));
    wxWindow* rb = remindersBox->GetStaticBox();
    automatic_ = new wxRadioButton(rb, kAutomatic, _("Automatic"), wxDefaultPosition, wxDefaultSize, wxRB_GROUP,
                                   wxDefaultValidator, "Automatic");
    noReminders_ = new wxRadioButton(rb, kNoReminders, _("No Reminders"), wxDefaultPosition, wxDefaultSize, 0,
                                     wxDefaultValidator, "No Reminders");
    (values_.reminders == 0 ? automatic_ : noReminders_)->SetValue(true);
    remindersBox->Add(automatic_, 0, wxALL, 6);
    remindersBox->Add(noReminders_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);

    auto* otherBox = new wxStaticBoxSizer(wxVERTICAL, this, "   " + _("Other Configurables"));
    wxWindow* ob = otherBox->GetStaticBox();
    const wxSize numberSize(FromDIP(56), -1);
    auto numberField = [&](int id, int* value, int low, int high, const char* name) {
        auto* field = new wxTextCtrl(ob, id, wxString(), wxDefaultPosition, numberSize, wxTE_RIGHT,
                                     IntRangeValidator(value, low, high), name);
        field->GetValidator()->TransferToWindow();
        return field;
    };
    early_ = numberField(kEarly, &edited_.early, kMinEarly, kMaxEarly, "early");
    age_ = numberField(kAge, &edited_.age, kMinAge, kMaxAge, "age");
    auto* numbers = new wxFlexGridSizer(3, 6, 6);
    numbers->Add(new wxStaticText(ob, wxID_ANY, _("Raise reminders")), 0, wxALIGN_CENTER_VERTICAL);
    numbers->Add(early_);
    numbers->Add(new wxStaticText(ob, wxID_ANY, _("minutes early")), 0, wxALIGN_CENTER_VERTICAL);
    numbers->Add(new wxStaticText(ob, wxID_ANY, _("Delete day planner entries after")), 0,
                 wxALIGN_CENTER_VERTICAL);
    numbers->Add(age_);
    numbers->Add(new wxStaticText(ob, wxID_ANY, _("months")), 0, wxALIGN_CENTER_VERTICAL);
    otherBox->Add(numbers, 0, wxALL, 6);
    // The English label names the box, whatever the language shown.
    auto checkBox = [&](int id, const char* label, int value) {
        auto* box = new wxCheckBox(ob, id, wxGetTranslation(label), wxDefaultPosition, wxDefaultSize, 0,
                                   wxDefaultValidator, label);
        box->SetValue(value != 0);
        otherBox->Add(box, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
        return box;
    };
    splash_ = checkBox(kSplash, wxTRANSLATE("Show splash screen at startup"), values_.splash);
    minAtStart_ = checkBox(kMinAtStart, wxTRANSLATE("Minimize at startup"), values_.minatstart);
    fastPrinting_ = checkBox(kFastPrinting, wxTRANSLATE("Use fast printing"), values_.fastprinting);
    clock24_ = checkBox(kClock24, wxTRANSLATE("Use 24-hour clock"), region_.twentyFourHour ? 1 : 0);
    const wxString days[] = {_("Sunday"), _("Monday")};
    weekStart_ = new wxChoice(ob, kWeekStart, wxDefaultPosition, wxDefaultSize, 2, days, 0, wxDefaultValidator,
                              "Week starts on");
    weekStart_->SetSelection(region_.firstWeekday == 2 ? 1 : 0);
    auto* weekRow = new wxBoxSizer(wxHORIZONTAL);
    weekRow->Add(new wxStaticText(ob, wxID_ANY, _("Week starts on")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    weekRow->Add(weekStart_);
    otherBox->Add(weekRow, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);

    auto* backupBox = new wxStaticBoxSizer(wxVERTICAL, this, _("Backup and Intelligent Restore"));
    wxWindow* bb = backupBox->GetStaticBox();
    auto* explanation = new wxStaticText(
        bb, wxID_ANY, _("Use these commands to backup/restore day planner entries to/from a text file."));
    // The box is as wide as its text; a longer caption (a translation) would be cut at its edge.
    const int captionWidth = bb->GetTextExtent(bb->GetLabel()).x + FromDIP(24);
    explanation->Wrap(std::max(FromDIP(230), captionWidth));
    backupBox->Add(explanation, 0, wxALL, 6);
    auto* backupButtons = new wxBoxSizer(wxHORIZONTAL);
    backupButtons->Add(new wxButton(bb, cmd::menuId(cmd::kBackup), _("Backup"), wxDefaultPosition, wxDefaultSize,
                                    0, wxDefaultValidator, "Backup"));
    backupButtons->Add(new wxButton(bb, cmd::menuId(cmd::kRestore), _("Restore"), wxDefaultPosition,
                                    wxDefaultSize, 0, wxDefaultValidator, "Restore"),
                       0, wxLEFT, 6);
    backupBox->Add(backupButtons, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);

    auto* left = new wxBoxSizer(wxVERTICAL);
    left->Add(remindersBox, 0, wxEXPAND | wxBOTTOM, 10);
    left->Add(backupBox, 1, wxEXPAND);
    auto* columns = new wxBoxSizer(wxHORIZONTAL);
    columns->Add(left, 0, wxEXPAND | wxRIGHT, 10);
    columns->Add(otherBox, 1, wxEXPAND);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, wxID_HELP, _("Help")));
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, _("OK")));
    buttons->Add(new wxButton(this, wxID_CANCEL, _("Cancel")), 0, wxLEFT, 6);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(columns, 1, wxALL | wxEXPAND, 10);
    top->Add(buttons, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 10);
    SetSizerAndFit(top);

    Bind(wxEVT_BUTTON, &CAdvancedDialog::onOk, this, wxID_OK);
    Bind(
        wxEVT_BUTTON, [](wxCommandEvent&) { openHelpTopic(kHelpAdvanced); }, wxID_HELP);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { backupAppointments(context_); }, cmd::menuId(cmd::kBackup));
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { restoreAppointments(context_); }, cmd::menuId(cmd::kRestore));
    // Restore has something to merge only while the backup file exists.
    Bind(
        wxEVT_UPDATE_UI, [](wxUpdateUIEvent& e) { e.Enable(backupExists(kBackupFileName)); },
        cmd::menuId(cmd::kRestore));
    CentreOnParent();
}

std::optional<settings::ReminderSettings> CAdvancedDialog::readControls() {
    // The months come first, as the dialog has always checked them.
    for (wxTextCtrl* field : {age_, early_}) {
        wxValidator* check = field->GetValidator();
        if (!check->Validate(this) || !check->TransferFromWindow()) return std::nullopt;
    }
    settings::ReminderSettings read = edited_;
    read.reminders = noReminders_->GetValue() ? 1 : 0;
    read.splash = splash_->GetValue() ? 1 : 0;
    read.minatstart = minAtStart_->GetValue() ? 1 : 0;
    read.fastprinting = fastPrinting_->GetValue() ? 1 : 0;
    return read;
}

void CAdvancedDialog::onOk(wxCommandEvent&) {
    std::optional<settings::ReminderSettings> chosen = readControls();
    // A refused field keeps the dialog open and the stored settings as they were.
    if (!chosen) return;
    // Guards for values that passed some other way than the fields' ranges.
    if (chosen->early > kMaxEarly) chosen->early = 0;
    if (chosen->age > kMaxAge) chosen->age = kMaxAge;
    const RegionSettings region{clock24_->GetValue(), weekStart_->GetSelection() == 1 ? 2 : 1};
    const SaveWatch watch;
    settings::saveReminderSettings(chosen->age, chosen->early, chosen->reminders, chosen->splash,
                                   chosen->minatstart, chosen->fastprinting);
    settings::saveRegionSettings(region, region_);
    WxQuestions questions(this);
    if (!watch.saved(questions)) return;
    values_ = *chosen;
    region_ = region;
    EndModal(wxID_OK);
}

} // namespace zc
