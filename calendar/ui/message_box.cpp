#include "ui/message_box.h"

#include "text/message_wrap.h"
#include "ui/display_text.h"

#include <wx/msgdlg.h>
#include <wx/translation.h>

namespace zc {

wxString wrappedMessage(const std::string& utf8) {
    return wxString::FromUTF8(text::breakLongRuns(utf8));
}

int messageBox(const std::string& utf8, const std::string& caption, long style, wxWindow* parent) {
    // Callers pass the English text; it is looked up in the user's catalog here, where it is shown
    // (xgettext collects the texts of messageBox calls).
    return wxMessageBox(wrappedMessage(wxGetTranslation(wxString::FromUTF8(utf8)).utf8_string()),
                        wxGetTranslation(displayText(caption)), style, parent);
}

} // namespace zc
