#include "i18n/translations.h"

#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>

namespace zc {

void setUpTranslations(const std::string& domain, const std::vector<std::filesystem::path>& folders) {
    if (wxTranslations::Get()) return;
    for (const auto& folder : folders)
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(folder.string()));
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    // The program's texts are written in English: no catalog is needed for it.
    translations->SetLanguage(wxLANGUAGE_DEFAULT);
    translations->AddStdCatalog();
    translations->AddCatalog(wxString::FromUTF8(domain), wxLANGUAGE_ENGLISH_US);
}

std::vector<std::filesystem::path> localeFolders() {
    std::vector<std::filesystem::path> folders{ZORVEL_LOCALE_DIR};
    const wxString program = wxStandardPaths::Get().GetExecutablePath();
    if (!program.empty())
        folders.push_back(std::filesystem::path(program.utf8_string()).parent_path().parent_path() / "share/locale");
#ifdef ZORVEL_BUILD_LOCALE_DIR
    folders.push_back(ZORVEL_BUILD_LOCALE_DIR);
#endif
    return folders;
}

} // namespace zc
