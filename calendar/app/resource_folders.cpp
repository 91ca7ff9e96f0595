#include "app/resource_folders.h"

#include <system_error>

namespace zc {

std::vector<std::filesystem::path> resourceFolders(const std::string& kind) {
    std::vector<std::filesystem::path> folders{std::filesystem::path(ZORVEL_SHARE_DIR) / kind};
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path programFolder = self.parent_path();
        folders.push_back(programFolder.parent_path() / "share/zorvelcal" / kind);
        folders.push_back(programFolder / kind);
        folders.push_back(programFolder);
    }
    folders.push_back(std::filesystem::path(ZORVEL_SOURCE_RESOURCES) / kind);
    return folders;
}

} // namespace zc
