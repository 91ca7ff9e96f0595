#include "app/wx_questions.h"

#include <wx/msgdlg.h>

namespace zc {

bool WxQuestions::askYesNo(const std::string& text, const std::string& caption) {
    return wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxYES_NO | wxICON_QUESTION,
                        parent_) == wxYES;
}

void WxQuestions::showMessage(const std::string& text, const std::string& caption) {
    wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxOK, parent_);
}

} // namespace zc
