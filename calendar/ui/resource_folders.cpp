#include "ui/resource_folders.h"

#include <wx/stdpaths.h>

namespace zc {

std::vector<std::filesystem::path> resourceFolders(const std::string& kind) {
    std::vector<std::filesystem::path> folders{std::filesystem::path(ZORVEL_SHARE_DIR) / kind};
    const wxString program = wxStandardPaths::Get().GetExecutablePath();
    if (!program.empty()) {
        const std::filesystem::path programFolder = std::filesystem::path(program.utf8_string()).parent_path();
        folders.push_back(programFolder.parent_path() / "share/zorvelcal" / kind);
        folders.push_back(programFolder / kind);
        folders.push_back(programFolder);
    }
#ifdef ZORVEL_SOURCE_FALLBACK
    folders.push_back(std::filesystem::path(ZORVEL_SOURCE_RESOURCES) / kind);
#endif
    return folders;
}

} // namespace zc
