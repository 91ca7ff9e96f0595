#pragma once
// Message texts made fit for a message box. A box is laid out around its text and wraps sentences
// at their blanks by itself, but a word without blanks (a long path) makes it as wide as the word,
// and a text of many lines makes it as tall as the text, with its buttons out of reach either way.
// Both functions take any bytes (validUtf8 reads them) and return UTF-8 whose words fit a line of
// kMessageLineLength characters, broken after a path separator where there is one and never
// inside a character; they differ in how they shorten a text too long for any screen.
#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// The most characters of one line of a broken word.
constexpr std::size_t kMessageLineLength = 60;
// The most lines wrapMessage keeps.
constexpr std::size_t kMessageMaxLines = 20;

// The installer's boxes: "\r" and "\n" both end a line. A word longer than a line is broken into
// lines of kMessageLineLength characters, after a blank or path separator in the last third of a
// line where there is one. A text that would still need more than kMessageMaxLines lines is
// wrapped entirely and keeps its first and last lines with a line "..." between them.
std::string wrapMessage(std::string_view text);

// The calendar's boxes: only runs without blanks change. A run longer than a line is broken after
// its path separators, so that each name in a path reads whole on one line and only a name longer
// than a line is cut; a run of more than eight lines keeps its start and its end around "…".
std::string breakLongRuns(std::string_view text);

} // namespace text
