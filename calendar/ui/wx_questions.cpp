#include "ui/wx_questions.h"

#include "ui/display_text.h"
#include "app/main_frame.h"
#include "data/settings_store.h"

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
    constexpr std::size_t kLine = 60;     // characters of one line of a long run
    constexpr std::size_t kLongest = 480; // characters of a run shown whole (eight lines)
    const wxString text = displayText(utf8);
    wxString out;
    wxString run;
    auto flush = [&] {
        if (run.length() > kLongest) run = run.Left(kLongest / 2) + wxString::FromUTF8("\u2026") + run.Right(kLongest / 3);
        // A long path breaks after its separators, so that every name in it reads whole on one
        // line; only a name longer than a line is cut.
        std::size_t lineLength = 0;
        for (std::size_t at = 0; at < run.length();) {
            std::size_t end = at;
            while (end < run.length() && run[end] != '/' && run[end] != '\\')
                ++end;
            wxString piece = run.Mid(at, end - at + (end < run.length() ? 1 : 0));
            at += piece.length();
            while (!piece.empty()) {
                if (lineLength > 0 && lineLength + piece.length() > kLine) {
                    out += '\n';
                    lineLength = 0;
                }
                const wxString part = piece.Left(kLine - lineLength);
                out += part;
                lineLength += part.length();
                piece = piece.Mid(part.length());
            }
        }
        run.clear();
    };
    for (const wxUniChar c : text) {
        if (c == ' ' || c == '\n' || c == '\t') {
            flush();
            out += c;
        } else {
            run += c;
        }
    }
    flush();
    return out;
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
