#pragma once
// Places a dialog's controls at the coordinates of its design, which assumes a font 13 pixels
// high. On a desktop whose dialog font is larger, every place and size grows in proportion, so
// the captions still fit their buttons and the proportions of the design stay.
#include <algorithm>
#include <wx/window.h>

class KzFormScale {
  public:
    explicit KzFormScale(const wxWindow* window) : factor_(std::max(1.0, window->GetCharHeight() / 13.0)) {}

    int operator()(int designPixels) const { return static_cast<int>(designPixels * factor_ + 0.5); }
    wxPoint Point(int x, int y) const { return {(*this)(x), (*this)(y)}; }
    wxSize Size(int width, int height) const {
        return {width < 0 ? -1 : (*this)(width), height < 0 ? -1 : (*this)(height)};
    }

  private:
    double factor_;
};
