#pragma once
// Text as both programs meet it: bytes from a store, a backup, a calendar file or an installation
// script, which older programs wrote in a single-byte code page, and typed or scripted text with
// stray blanks around it. Everything here works on bytes and UTF-8 alone, free of any toolkit, so
// the calendar's engine, the installer's script reader and both programs' windows share one
// reading of every byte.
#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// The bytes as UTF-8, with every byte that does not begin a valid UTF-8 sequence taken as the
// Latin-1 character of that byte. Overlong forms, surrogates and values above U+10FFFF are not
// valid. A stray byte costs only itself: the characters around it read as they were written.
std::string validUtf8(std::string_view bytes);

// A line of a file written in one encoding, as UTF-8: kept as it is when it is valid UTF-8, else
// every byte read as Latin-1. A Latin-1 line whose accented letter happens to be followed by a
// byte that makes a UTF-8 sequence of the two ("Ã©") reads as Latin-1 throughout, where
// validUtf8 would join them into one character.
std::string utf8OrLatin1(std::string_view bytes);

// Length in bytes of the longest prefix of at most maxBytes bytes that ends on a whole character
// as validUtf8 takes it (a valid UTF-8 sequence, or one stray byte), so a cut never splits one.
std::size_t wholeCharacterPrefix(std::string_view bytes, std::size_t maxBytes);

// The characters of a UTF-8 text, each sequence counted once.
std::size_t characterCount(std::string_view utf8);

// Length in bytes of the first `characters` characters of a UTF-8 text (all of it when it is
// shorter).
std::size_t characterPrefix(std::string_view utf8, std::size_t characters);

// The text without every leading and trailing character from 0 to 32: blanks, line ends and the
// other control characters that a script line, a typed name or a stored note may carry around it.
std::string trimmed(std::string_view text);

} // namespace text
