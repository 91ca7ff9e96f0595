#pragma once
// Text helpers of the installer, free of any toolkit and of the file system: the one trimming rule
// of scripts, names and typed text, ASCII case folding, numbers, the conversion to UTF-8 and the
// wrapping of message texts.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Removes every leading and trailing character with a code from 0 to 32 (blanks and control
// characters), as the script reader trims its lines.
std::string KzTrim(std::string_view text);
// Lower-cases the ASCII letters only.
std::string KzLowerAscii(const std::string& text);
// Reads a whole number, decimal or hexadecimal after "$"; false when the text is not one.
bool KzParseNumber(const std::string& text, long long& value);
// The text as UTF-8: valid UTF-8 is kept, anything else is read as Latin-1.
std::string KzToUtf8(const std::string& bytes);

// Splits a command line into arguments: blanks (and control characters) separate them, double quotes
// group an argument that holds blanks and are themselves removed; nothing else is special.
std::vector<std::string> KzSplitArguments(std::string_view line);

// The longest line and the most lines a message box shows. A box is laid out around its text, so a
// line without blanks (a long path) would make it wider than the screen and a text of many lines
// taller, with its button out of reach either way.
constexpr std::size_t KzMessageLineLength = 60;
constexpr std::size_t KzMessageMaxLines = 20;

// A message text ready for a box: the installer's "\r" separators become line breaks, and a word
// longer than KzMessageLineLength characters (a path) is broken into lines of that length, after a
// path separator where there is one near the end, else anywhere between UTF-8 characters. A text
// that would still need more than KzMessageMaxLines lines is wrapped entirely and keeps its first
// and last lines with "..." between them.
std::string KzWrapMessage(const std::string& text);
