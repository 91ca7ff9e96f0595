#pragma once
// Text helpers of the script reader, free of any toolkit and of the file system: ASCII case
// folding, numbers and command lines. What both programs share (UTF-8 repair, trimming, message
// wrapping) is in text/text_utils.h and text/message_wrap.h.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Lower-cases the ASCII letters only.
std::string KzLowerAscii(const std::string& text);
// Reads a whole number, decimal or hexadecimal after "$"; false when the text is not one.
bool KzParseNumber(const std::string& text, long long& value);

// Splits a command line into arguments: blanks (and control characters) separate them, double quotes
// group an argument that holds blanks and are themselves removed; nothing else is special.
std::vector<std::string> KzSplitArguments(std::string_view line);

// A message of the installer in the user's language (text::formatted): the catalogs write a line
// break as "\n", and the installer's messages separate their lines with a carriage return.
std::string KzFormatted(const char* english, std::initializer_list<std::string_view> arguments);
