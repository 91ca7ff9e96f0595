#include "app/open_file_argument.h"

#include "app/main_frame.h"
#include "text/translatable.h"
#include "ui/wx_questions.h"

#include <wx/cmdline.h>
#include <wx/filename.h>

namespace zc {

void addOpenFileParameter(wxCmdLineParser& parser) {
    parser.AddParam("FILE.ics", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
}

std::string openFileArgument(const wxCmdLineParser& parser) {
    return parser.GetParamCount() > 0 ? parser.GetParam(0).utf8_string() : std::string();
}

void offerToImport(CMainFrame& frame, const std::string& path) {
    // Asked from the event loop, so the question comes after the main window has appeared and
    // is centred on it rather than on an empty screen.
    frame.CallAfter([&frame, path] {
        const wxFileName file(wxString::FromUTF8(path));
        WxQuestions questions;
        if (!file.FileExists()) {
            questions.showMessage(text::formatted(N_("There is no file \"%s\" to import."), {path}),
                                  "ZorvelCal");
            return;
        }
        if (questions.askYesNo(text::formatted(N_("Import the appointments of \"%s\" into the calendar?"),
                                               {file.GetFullName().utf8_string()}),
                               "ZorvelCal"))
            frame.importICalendar(path);
    });
}

} // namespace zc
