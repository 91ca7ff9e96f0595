#pragma once
// Texts from the store or a backup file may be any bytes: an older program wrote them in a
// single-byte code page. Every window turns them into display text here, so one stray byte never
// blanks a whole text.
#include "text/text_utils.h"

#include <wx/string.h>

#include <string_view>

namespace zc {

// The bytes as UTF-8, with every byte that does not begin a valid UTF-8 sequence shown as the
// Latin-1 character of that byte.
wxString displayText(std::string_view bytes);

// text::wholeCharacterPrefix (text/text_utils.h) cuts such texts without splitting a character.

} // namespace zc
