#include "kz_text_fit.h"

#include <algorithm>

#include <wx/arrstr.h>
#include <wx/control.h>
#include <wx/window.h>

namespace {

// Below half its design size a text is no easier to read than cut with an ellipsis.
constexpr double SmallestScale = 0.5;

int TextWidth(const wxWindow* window, const wxString& text, const wxFont& font) {
    int width = 0, height = 0;
    window->GetTextExtent(text, &width, &height, nullptr, nullptr, &font);
    return width;
}

} // namespace

int KzFitText(wxControl* control, const wxFont& designFont, int maxWidth, int padding) {
    const wxString text = control->GetLabelText();
    const int room = std::max(1, maxWidth - padding);
    wxFont font = designFont;
    int width = TextWidth(control, text, font);
    if (width > room) {
        // Scaled fonts do not measure exactly in proportion, so the first guess is checked and
        // made smaller in small steps until the text fits or the smallest size is reached.
        double scale = std::max(SmallestScale, static_cast<double>(room) / width);
        font = designFont.Scaled(static_cast<float>(scale));
        width = TextWidth(control, text, font);
        while (width > room && scale > SmallestScale) {
            scale = std::max(SmallestScale, scale * 0.95);
            font = designFont.Scaled(static_cast<float>(scale));
            width = TextWidth(control, text, font);
        }
        control->SetToolTip(text);
    } else {
        control->UnsetToolTip();
    }
    control->SetFont(font);
    return std::min(width + padding, maxWidth);
}

wxString KzWrapToWidth(const wxWindow* window, const wxString& text, int width, std::size_t maxLines) {
    const wxFont font = window->GetFont();
    wxArrayString lines;
    wxString line;
    for (const wxUniChar c : text) {
        if (c == '\n') {
            lines.Add(line);
            line.clear();
            continue;
        }
        line += c;
        if (line.length() < 2 || TextWidth(window, line, font) <= width) continue;
        // The line is one character too long: break after its last blank or separator, or else
        // just before this character.
        std::size_t cut = line.length() - 1;
        for (std::size_t i = line.length() - 1; i > line.length() / 2; --i) {
            const wxUniChar before = line[i - 1];
            if (before == ' ' || before == '/' || before == '\\') {
                cut = i;
                break;
            }
        }
        lines.Add(line.Left(cut));
        line = line.Mid(cut);
    }
    lines.Add(line);
    if (maxLines >= 3 && lines.size() > maxLines) {
        const std::size_t head = maxLines / 2;
        const std::size_t tail = maxLines - head - 1;
        lines.RemoveAt(head, lines.size() - head - tail);
        lines.Insert("...", head);
    }
    return wxJoin(lines, '\n', '\0');
}
