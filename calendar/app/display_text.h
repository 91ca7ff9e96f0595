#pragma once
// Texts from the store or a backup file may be any bytes: an older program wrote them in a
// single-byte code page. Every window turns them into display text here, so one stray byte never
// blanks a whole text.
#include <wx/string.h>

#include <string_view>

namespace zc {

// The bytes as UTF-8, with every byte that does not begin a valid UTF-8 sequence shown as the
// Latin-1 character of that byte.
wxString displayText(std::string_view bytes);

// Length in bytes of the longest prefix of at most maxBytes bytes that ends on a whole character
// as displayText shows it (a valid UTF-8 sequence, or one stray byte), so a cut never splits one.
std::size_t wholeCharacterPrefix(std::string_view bytes, std::size_t maxBytes);

} // namespace zc
