#pragma once
// Texts the toolkit-free code makes for the user. N_ marks a text for the translation template
// (xgettext reads it) without translating it; translated() looks a marked text up in the user's
// language through the translator the window layer installs, and is the identity (the English
// text) until then, as in the command-line tools and tests. Stored texts, file names and store
// keys are never marked.
#include <string>

#define N_(text) text

namespace text {

using Translator = std::string (*)(const char* english);
void setTranslator(Translator translator);
std::string translated(const char* english);

} // namespace text
