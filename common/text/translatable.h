#pragma once
// Texts the toolkit-free code makes for the user. N_ marks a text for the translation template
// (xgettext reads it) without translating it; translated() looks a marked text up in the user's
// language through the translator the window layer installs, and is the identity (the English
// text) until then, as in the command-line tools and tests. Stored texts, file names and store
// keys are never marked.
#include <initializer_list>
#include <string>
#include <string_view>

// The toolkit defines the same marker where its headers come first.
#ifndef N_
#define N_(text) text
#endif

namespace text {

using Translator = std::string (*)(const char* english);
void setTranslator(Translator translator);
std::string translated(const char* english);

// A message made of one whole sentence with placeholders, so that a translation can put the parts
// in its own order: %s or %d takes the next argument, %2$s (or %2$d) the second one wherever it
// stands, %% is a percent sign. Every argument is already text (numbers through std::to_string),
// so a translation whose placeholders do not match the English ones shows the stray placeholder
// as written instead of reading past the arguments. filled() fills the text as it is;
// formatted() fills its translation.
std::string filled(std::string_view pattern, std::initializer_list<std::string_view> arguments);
std::string formatted(const char* english, std::initializer_list<std::string_view> arguments);

} // namespace text
