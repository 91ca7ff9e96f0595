#include "i18n/translations.h"

#include "text/translatable.h"

#include <clocale>

#include <wx/app.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>

namespace zc {

namespace {

// Looks in the given folders only. The toolkit's own loader asks wxStandardPaths, which cannot
// answer before the toolkit starts, and --help is answered before it does.
class FolderLoader final : public wxTranslationsLoader {
  public:
    explicit FolderLoader(std::vector<std::filesystem::path> folders) : folders_(std::move(folders)) {}

    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString& language) override {
        // "de_DE.UTF-8" is looked for as itself, then "de_DE", then "de".
        std::vector<std::string> names{language.utf8_string()};
        for (const char cut : {'.', '_'})
            if (const auto at = names.back().find(cut); at != std::string::npos) names.push_back(names.back().substr(0, at));
        for (const auto& name : names)
            for (const auto& folder : folders_) {
                const auto file = folder / name / "LC_MESSAGES" / (domain.utf8_string() + ".mo");
                std::error_code error;
                if (std::filesystem::is_regular_file(file, error))
                    return wxMsgCatalog::CreateFromFile(wxString::FromUTF8(file.string()), domain);
            }
        return nullptr;
    }

    wxArrayString GetAvailableTranslations(const wxString& domain) const override {
        wxArrayString languages;
        for (const auto& folder : folders_) {
            std::error_code error;
            for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
                if (std::filesystem::is_regular_file(it->path() / "LC_MESSAGES" / (domain.utf8_string() + ".mo"), error) &&
                    languages.Index(wxString::FromUTF8(it->path().filename().string())) == wxNOT_FOUND)
                    languages.push_back(wxString::FromUTF8(it->path().filename().string()));
        }
        return languages;
    }

  private:
    std::vector<std::filesystem::path> folders_;
};

} // namespace

void setUpTranslations(const std::string& domain, const std::vector<std::filesystem::path>& folders,
                       const std::string& language) {
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
#ifdef LC_MESSAGES
    // The toolkit leaves the C library's messages in C, and GTK draws its stock buttons (OK,
    // Cancel, shown wherever a button's label is the toolkit's own text for its identifier) and
    // its choosers in that language: the user's language for messages keeps them in step with
    // the rest. Numbers and times keep their own categories.
    if (language.empty()) std::setlocale(LC_MESSAGES, "");
#endif
    translations->SetLoader(new FolderLoader(folders));
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
    // The toolkit's catalog lies with the system's, wherever the program is installed.
    std::vector<std::filesystem::path> folders{ZORVEL_LOCALE_DIR, "/usr/share/locale"};
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
