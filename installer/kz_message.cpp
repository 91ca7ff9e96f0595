#include "kz_message.h"

#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>

std::string KzMessageText(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\r') c = '\n';
    return out;
}

static wxString ProgramTitle() {
    return wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetName();
}

void KzShowMessage(wxWindow* parent, const std::string& text) {
    wxMessageDialog box(parent, wxString::FromUTF8(KzMessageText(text)), ProgramTitle(), wxOK);
    box.ShowModal();
}

bool KzConfirm(wxWindow* parent, const std::string& text) {
    wxMessageDialog box(parent, wxString::FromUTF8(KzMessageText(text)), "Confirm",
                        wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    box.SetYesNoLabels("&Yes", "&No");
    return box.ShowModal() == wxID_YES;
}
