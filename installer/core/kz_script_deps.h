#pragma once
// The file and shortcut operations the interpreter's commands call. While the modules that own
// them are not yet part of the build, small local versions keep the interpreter building.
#include <string>
#include <vector>

#if __has_include("kz_files.h")
#include "kz_files.h"
#else
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

struct KzStatus {
    int status = 0;
    std::string text;
};

inline char KzPathSeparator() { return '/'; }

inline std::string NativePath(const std::string& scriptPath) {
    std::string out = scriptPath;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

inline std::string AddBackslash(const std::string& path) {
    if (path.find_first_not_of(" \t\r\n") == std::string::npos) return {};
    if (path.back() == '/') return path;
    return path + '/';
}

inline std::string AppDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    return AddBackslash(exe.parent_path().string());
}

inline std::string KzTrimStandIn(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

inline std::string GetField(int n, const std::string& line, char separator = ',') {
    if (n <= 0) return {};
    const auto pos = line.find(separator);
    if (pos == std::string::npos) return n == 1 ? line : std::string();
    if (n == 1) return KzTrimStandIn(line.substr(0, pos));
    return KzTrimStandIn(GetField(n - 1, KzTrimStandIn(line.substr(pos + 1)), separator));
}

inline KzStatus CopyExpandFile(const std::string& source, const std::string& destination) {
    std::error_code ec;
    std::filesystem::copy_file(source, destination, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return {-1, "Can not copy file from:\r" + source};
    return {};
}

inline KzStatus MakeDirectoryPath(const std::string& path) {
    const std::string p = KzTrimStandIn(path);
    if (p.empty()) return {};
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) return {-3, "Directory already exists"};
    std::filesystem::create_directories(p, ec);
    if (ec) return {-2, "Unable to create directory " + p};
    return {};
}
#endif

#if __has_include("kz_shell_link.h")
#include "kz_shell_link.h"
#define KZ_HAVE_SHELL_LINK 1
#else
#include <stdexcept>

struct KzError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline void CreateGroupFolder(const std::string&) {}

inline bool IsValidGroupName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name)
        if (!(c == ' ' || c == '!' || c == '-' || c == '.' || (c >= '0' && c <= ':') || (c >= 'A' && c <= 'Z') ||
              c == '\\' || c == '_' || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}
#endif
