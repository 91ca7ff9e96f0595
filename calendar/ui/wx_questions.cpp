#include "ui/wx_questions.h"

#include "ui/dialog_parent.h"
#include "ui/message_box.h"

#include <wx/msgdlg.h>

namespace zc {

Questions*& WxQuestions::standIn() {
    static Questions* questions = nullptr;
    return questions;
}

bool WxQuestions::askYesNo(const std::string& text, const std::string& caption) {
    if (standIn()) return standIn()->askYesNo(text, caption);
    return messageBox(text, caption, wxYES_NO | wxICON_QUESTION, parent_ ? parent_ : dialogParent()) == wxYES;
}

bool WxQuestions::askOkCancel(const std::string& text, const std::string& caption) {
    if (standIn()) return standIn()->askOkCancel(text, caption);
    return messageBox(text, caption, wxOK | wxCANCEL | wxICON_QUESTION, parent_ ? parent_ : dialogParent()) == wxOK;
}

void WxQuestions::showMessage(const std::string& text, const std::string& caption) {
    if (standIn()) return standIn()->showMessage(text, caption);
    messageBox(text, caption, wxOK, parent_ ? parent_ : dialogParent());
}

} // namespace zc
