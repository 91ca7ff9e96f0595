#include "app/wx_questions.h"

#include "app/main_frame.h"

#include <wx/msgdlg.h>
#include <wx/toplevel.h>

namespace zc {

wxWindow* dialogParent() {
    if (wxWindow* active = wxGetActiveWindow())
        if (wxWindow* top = wxGetTopLevelParent(active); top && top->IsShown()) return top;
    if (wxTopLevelWindow* popup = CMainFrame::lastActivePopup().get(); popup && popup->IsShown()) return popup;
    if (CMainFrame* frame = mainFrame(); frame && frame->IsShown() && !frame->IsIconized()) return frame;
    return nullptr;
}

bool WxQuestions::askYesNo(const std::string& text, const std::string& caption) {
    return wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxYES_NO | wxICON_QUESTION,
                        parent_ ? parent_ : dialogParent()) == wxYES;
}

void WxQuestions::showMessage(const std::string& text, const std::string& caption) {
    wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxOK, parent_ ? parent_ : dialogParent());
}

} // namespace zc
