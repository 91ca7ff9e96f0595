#include "ui/display_text.h"

namespace zc {

wxString displayText(std::string_view bytes) {
    const std::string utf8 = text::validUtf8(bytes);
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

} // namespace zc
