#pragma once
// Dialog 132, "Modify Zorvel Calendar Colors": one button per colour feature, each opening the
// colour chooser; "Defaults", "OK" and "Cancel". The colours in force when it opened are written to
// the store at once, so Cancel can go back to them.
#include "data/colours.h"

#include <wx/dialog.h>

#include <functional>
#include <optional>

namespace zc {

class CColorsDialog final : public wxDialog {
  public:
    // Control identifiers of the dialog.
    static constexpr int kBackground = 2;
    static constexpr int kOk = 3;
    static constexpr int kText = 4;
    static constexpr int kCurrentDay = 5;
    static constexpr int kBottomHighlight = 6;
    static constexpr int kDayPlanner2 = 7;
    static constexpr int kHasAppointment = 10;
    static constexpr int kDayPlanner1 = 11;
    static constexpr int kTopHighlight = 12;
    static constexpr int kCancel = 13;
    static constexpr int kDefaults = 14;

    // Asks the user for a colour; nothing when the chooser is cancelled. Tests replace it.
    using ColourChooser = std::function<std::optional<ColourRef>(wxWindow* parent)>;
    static ColourChooser& colourChooser();

    // Edits colours in place; changed is called whenever they change, so the windows show them.
    CColorsDialog(wxWindow* parent, Colours& colours, std::function<void()> changed);

    // The colour a feature button edits.
    ColourRef* featureColour(int controlId);

    // However the dialog ends (Cancel, its close box, or the program being told to stop), only OK
    // keeps the colours chosen in it.
    void EndModal(int returnCode) override;

  private:
    void onFeature(wxCommandEvent& event);
    void onDefaults(wxCommandEvent& event);
    void onOk(wxCommandEvent& event);
    void onCancel(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);

    Colours& colours_;
    std::function<void()> changed_;
};

} // namespace zc
