// The installer core's file-system calls that the standard library already makes portable, shared
// by every platform.
#include "core/kz_platform.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

void KzMakeDirectories(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
}

std::vector<std::string> KzListDirectories(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) names.push_back(it->path().filename().string());
    }
    return names;
}

std::vector<std::string> KzListFiles(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->path().extension() == extension && it->is_regular_file(typeError))
            names.push_back(it->path().filename().string());
    }
    return names;
}
