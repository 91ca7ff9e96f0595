#pragma once
// Dialog 102, the Repeats dialog: six radio buttons, each kind of repeat described in words for
// the entry's date. It shows a RepeatDialogModel and writes the chosen kind back into it on OK;
// Cancel leaves the model as it was, and the caller applies the model either way.
#include "data/repeat_rules.h"

#include <wx/dialog.h>

#include <array>

class wxRadioButton;

namespace zc {

class RepeatDialog final : public wxDialog {
  public:
    // The radio buttons carry the kinds' numbers above this base; tests find them by it.
    static constexpr int kFirstRadioId = 1000;

    RepeatDialog(wxWindow* parent, RepeatDialogModel& model);

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

  private:
    RepeatDialogModel& model_;
    std::array<wxRadioButton*, kRepeatKindCount> radios_{};
};

} // namespace zc
