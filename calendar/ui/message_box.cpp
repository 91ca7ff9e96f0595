#include "ui/message_box.h"

#include "ui/display_text.h"

#include <wx/msgdlg.h>

namespace zc {

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

} // namespace zc
