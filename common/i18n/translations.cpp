#include "i18n/translations.h"

#include "text/translatable.h"

#include <wx/app.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>

namespace zc {

void setUpTranslations(const std::string& domain, const std::vector<std::filesystem::path>& folders,
                       const std::string& language) {
    for (const auto& folder : folders)
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(folder.string()));
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    // The program's texts are written in English: no catalog is needed for it.
    if (language.empty())
        translations->SetLanguage(wxLANGUAGE_DEFAULT);
    else
        translations->SetLanguage(wxString::FromUTF8(language));
    translations->AddStdCatalog();
    translations->AddCatalog(wxString::FromUTF8(domain), wxLANGUAGE_ENGLISH_US);
    // The toolkit-free code's texts (the tip, messages made there) in the same language.
    text::setTranslator([](const char* english) { return wxGetTranslation(wxString::FromUTF8(english)).utf8_string(); });
}

std::vector<std::filesystem::path> localeFolders() {
    std::vector<std::filesystem::path> folders{ZORVEL_LOCALE_DIR};
    // Called before the toolkit starts (for --help), when wxStandardPaths cannot answer yet.
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error && wxApp::GetTraitsIfExists()) program = wxStandardPaths::Get().GetExecutablePath().utf8_string();
    if (!program.empty()) folders.push_back(program.parent_path().parent_path() / "share/locale");
#ifdef ZORVEL_BUILD_LOCALE_DIR
    folders.push_back(ZORVEL_BUILD_LOCALE_DIR);
#endif
    return folders;
}

} // namespace zc
