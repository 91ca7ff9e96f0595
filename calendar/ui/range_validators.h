#pragma once
// Dialog data exchange with the calendar's checks and their messages: a whole number within a
// range ("Please enter an integer between 1 and 120.") and a text of limited length ("Please enter
// no more than 60 characters."). A failed check shows its message, puts the focus back on the
// control and selects its text, and the dialog stays open.
#include <wx/string.h>
#include <wx/validate.h>

#include <cstddef>
#include <functional>
#include <optional>

namespace zc {

// Shows a validation message over the dialog; tests replace it to read the messages.
std::function<void(wxWindow* parent, const wxString& message)>& validationMessage();

class IntRangeValidator final : public wxValidator {
  public:
    IntRangeValidator(int* value, int min, int max) : value_(value), min_(min), max_(max) {}
    wxObject* Clone() const override { return new IntRangeValidator(*this); }
    bool Validate(wxWindow* parent) override;
    bool TransferToWindow() override;
    bool TransferFromWindow() override;

    // The control's text as a number; nothing when it is not a whole number.
    std::optional<long> number() const;
    bool inRange(long n) const { return n >= min_ && n <= max_; }
    wxString rangeMessage() const;

  private:
    int* value_;
    int min_, max_;
};

class TextLengthValidator final : public wxValidator {
  public:
    TextLengthValidator(wxString* value, std::size_t maxChars) : value_(value), max_(maxChars) {}
    wxObject* Clone() const override { return new TextLengthValidator(*this); }
    bool Validate(wxWindow* parent) override;
    // Also limits the control, so typing cannot go beyond the limit.
    bool TransferToWindow() override;
    bool TransferFromWindow() override;

  private:
    wxString* value_;
    std::size_t max_;
};

} // namespace zc
