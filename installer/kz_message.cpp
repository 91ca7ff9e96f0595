#include "kz_message.h"

#include "text/message_wrap.h"

#include <utility>

#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>

namespace {
TKzQuestions& Questions() {
    static TKzQuestions questions;
    return questions;
}

wxString ProgramTitle() {
    return wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetName();
}

void ShowBox(wxWindow* parent, const std::string& text, long icon) {
    if (Questions().Message) return Questions().Message(text);
    wxMessageDialog box(parent, wxString::FromUTF8(KzMessageText(text)), ProgramTitle(), wxOK | icon);
    box.ShowModal();
}
} // namespace

std::string KzMessageText(const std::string& text) {
    return text::wrapMessage(text);
}

void KzShowMessage(wxWindow* parent, const std::string& text) {
    ShowBox(parent, text, 0);
}

void KzShowError(wxWindow* parent, const std::string& text) {
    ShowBox(parent, text, wxICON_ERROR);
}

bool KzConfirm(wxWindow* parent, const std::string& text) {
    if (Questions().Confirm) return Questions().Confirm(text);
    wxMessageDialog box(parent, wxString::FromUTF8(KzMessageText(text)), _("Confirm"),
                        wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    box.SetYesNoLabels(_("&Yes"), _("&No"));
    return box.ShowModal() == wxID_YES;
}

TKzQuestions KzSetQuestions(TKzQuestions questions) {
    return std::exchange(Questions(), std::move(questions));
}
