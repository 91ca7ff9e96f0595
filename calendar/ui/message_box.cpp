#include "ui/message_box.h"

#include "text/message_wrap.h"
#include "ui/display_text.h"

#include <wx/msgdlg.h>

namespace zc {

wxString wrappedMessage(const std::string& utf8) {
    return wxString::FromUTF8(text::breakLongRuns(utf8));
}

int messageBox(const std::string& utf8, const std::string& caption, long style, wxWindow* parent) {
    return wxMessageBox(wrappedMessage(utf8), displayText(caption), style, parent);
}

} // namespace zc
