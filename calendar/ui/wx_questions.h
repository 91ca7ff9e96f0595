#pragma once
// The engine's questions and messages as modal message boxes.
#include "data/services.h"

#include <string>

class wxWindow;

namespace zc {

// Without a parent of its own, each question is centred on dialogParent() at the moment it is
// asked.
class WxQuestions final : public Questions {
  public:
    explicit WxQuestions(wxWindow* parent = nullptr) : parent_(parent) {}
    bool askYesNo(const std::string& text, const std::string& caption) override;
    bool askOkCancel(const std::string& text, const std::string& caption) override;
    void showMessage(const std::string& text, const std::string& caption) override;

    // While set, every WxQuestions hands its questions and messages to this one instead of a
    // message box: window tests answer and record them there.
    static Questions*& standIn();

  private:
    wxWindow* parent_;
};

} // namespace zc
