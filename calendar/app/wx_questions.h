#pragma once
// The engine's questions and messages as modal message boxes.
#include "data/services.h"

class wxWindow;

namespace zc {

class WxQuestions final : public Questions {
  public:
    explicit WxQuestions(wxWindow* parent = nullptr) : parent_(parent) {}
    bool askYesNo(const std::string& text, const std::string& caption) override;
    void showMessage(const std::string& text, const std::string& caption) override;

  private:
    wxWindow* parent_;
};

} // namespace zc
