#include "ui/range_validators.h"

#include <wx/msgdlg.h>
#include <wx/textctrl.h>

namespace zc {
namespace {

wxTextCtrl* textControl(wxWindow* window) {
    return wxDynamicCast(window, wxTextCtrl);
}

bool refuse(wxWindow* control, wxWindow* parent, const wxString& message) {
    if (validationMessage()) validationMessage()(parent, message);
    control->SetFocus();
    if (wxTextCtrl* text = textControl(control)) text->SelectAll();
    return false;
}

} // namespace

std::function<void(wxWindow*, const wxString&)>& validationMessage() {
    static std::function<void(wxWindow*, const wxString&)> show = [](wxWindow* parent, const wxString& message) {
        wxMessageBox(message, "ZorvelCal", wxOK | wxICON_EXCLAMATION, parent);
    };
    return show;
}

std::optional<long> IntRangeValidator::number() const {
    const wxTextCtrl* text = textControl(GetWindow());
    if (!text) return std::nullopt;
    long n = 0;
    if (!text->GetValue().Strip(wxString::both).ToLong(&n)) return std::nullopt;
    return n;
}

wxString IntRangeValidator::rangeMessage() const {
    return wxString::Format(_("Please enter an integer between %d and %d."), min_, max_);
}

bool IntRangeValidator::Validate(wxWindow* parent) {
    const std::optional<long> n = number();
    if (!n) return refuse(GetWindow(), parent, _("Please enter an integer."));
    if (!inRange(*n)) return refuse(GetWindow(), parent, rangeMessage());
    return true;
}

bool IntRangeValidator::TransferToWindow() {
    wxTextCtrl* text = textControl(GetWindow());
    if (!text) return false;
    text->ChangeValue(wxString::Format("%d", *value_));
    return true;
}

bool IntRangeValidator::TransferFromWindow() {
    const std::optional<long> n = number();
    if (!n || !inRange(*n)) return false;
    *value_ = static_cast<int>(*n);
    return true;
}

bool TextLengthValidator::Validate(wxWindow* parent) {
    const wxTextCtrl* text = textControl(GetWindow());
    if (!text || text->GetValue().length() <= max_) return true;
    return refuse(GetWindow(), parent, wxString::Format(_("Please enter no more than %zu characters."), max_));
}

bool TextLengthValidator::TransferToWindow() {
    wxTextCtrl* text = textControl(GetWindow());
    if (!text) return false;
    text->SetMaxLength(static_cast<unsigned long>(max_));
    text->ChangeValue(*value_);
    return true;
}

bool TextLengthValidator::TransferFromWindow() {
    const wxTextCtrl* text = textControl(GetWindow());
    if (!text || text->GetValue().length() > max_) return false;
    *value_ = text->GetValue();
    return true;
}

} // namespace zc
