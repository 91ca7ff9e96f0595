#pragma once
// The user's language for both programs: the toolkit's own catalog (its buttons and standard
// dialogs) and the program's catalog, looked up under <prefix>/share/locale/<lang>/LC_MESSAGES/.
#include <filesystem>
#include <string>
#include <vector>

namespace zc {

// Installs the translations chosen by LANGUAGE, LC_ALL, LC_MESSAGES and LANG (English, the
// program's own texts, when none of them names a language with a catalog). The C library's locale
// is left alone, so numbers and stored texts read and write as before. Call once, before the
// first text is shown; a second call replaces the first. A language given ("de") overrides the
// environment.
void setUpTranslations(const std::string& domain, const std::vector<std::filesystem::path>& localeFolders,
                       const std::string& language = "");

// The folders that may hold the compiled catalogs: the installed prefix's and the system's, the one beside the
// program (installed below another prefix), and in a developer build the build tree's own.
std::vector<std::filesystem::path> localeFolders();

} // namespace zc
