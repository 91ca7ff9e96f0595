#include "ui/wx_questions.h"

#include "ui/display_text.h"
#include "app/main_frame.h"
#include "data/settings_store.h"
#include "text/message_wrap.h"

#include <wx/msgdlg.h>
#include <wx/toplevel.h>

namespace zc {
namespace {
wxWindow* preferredParent = nullptr;
} // namespace

ScopedDialogParent::ScopedDialogParent(wxWindow* window) : previous_(preferredParent) {
    preferredParent = window;
}

ScopedDialogParent::~ScopedDialogParent() {
    preferredParent = previous_;
}

wxWindow* dialogParent() {
    if (preferredParent && preferredParent->IsShown()) return preferredParent;
    if (wxWindow* active = wxGetActiveWindow())
        if (wxWindow* top = wxGetTopLevelParent(active); top && top->IsShown()) return top;
    if (wxTopLevelWindow* popup = CMainFrame::lastActivePopup().get(); popup && popup->IsShown()) return popup;
    if (CMainFrame* frame = mainFrame(); frame && frame->IsShown() && !frame->IsIconized()) return frame;
    return nullptr;
}

wxString wrappedMessage(const std::string& utf8) {
    return wxString::FromUTF8(text::breakLongRuns(utf8));
}

int messageBox(const std::string& utf8, const std::string& caption, long style, wxWindow* parent) {
    return wxMessageBox(wrappedMessage(utf8), displayText(caption), style, parent);
}

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

SaveWatch::SaveWatch() : before_(settingsStore().failures().count) {}

bool SaveWatch::saved(Questions& questions) const {
    const StoreFailures& failures = settingsStore().failures();
    if (failures.count == before_) return true;
    questions.showMessage(failures.lastMessage, "ZorvelCal");
    return false;
}

} // namespace zc
