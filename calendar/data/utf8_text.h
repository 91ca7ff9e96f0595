#pragma once
// Texts from the store, a backup or an exchanged calendar file may be any bytes: an older program
// wrote them in a single-byte code page. They are turned into valid UTF-8 in one place, so one
// stray byte never blanks a whole text.
#include <cstddef>
#include <string>
#include <string_view>

namespace zc {

// The bytes as UTF-8, with every byte that does not begin a valid UTF-8 sequence taken as the
// Latin-1 character of that byte.
std::string validUtf8(std::string_view bytes);

// Length in bytes of the longest prefix of at most maxBytes bytes that ends on a whole character
// as validUtf8 takes it (a valid UTF-8 sequence, or one stray byte), so a cut never splits one.
std::size_t wholeCharacterPrefix(std::string_view bytes, std::size_t maxBytes);

} // namespace zc
