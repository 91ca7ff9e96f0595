#include "platform/platform.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace zc::platform {
namespace {

// A variable that is set but empty counts as unset, as the XDG rules have it.
std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The zone's name within a path into the zone files ("/usr/share/zoneinfo/Europe/Berlin"), or the
// text itself when it is no such path.
std::string zoneOfPath(const std::string& text) {
    constexpr std::string_view kZoneFiles = "zoneinfo/";
    const auto at = text.find(kZoneFiles);
    return at == std::string::npos ? text : text.substr(at + kZoneFiles.size());
}

} // namespace

std::string userDataFolder() {
    if (std::string data = environmentValue("XDG_DATA_HOME"); !data.empty()) return data;
    if (const std::string home = environmentValue("HOME"); !home.empty()) return home + "/.local/share";
    return {};
}

std::string runtimeFolder() {
    return environmentValue("XDG_RUNTIME_DIR");
}

std::string temporaryFolder() {
    return "/tmp";
}

std::string userId() {
    return std::to_string(::getuid());
}

unsigned long processId() {
    return static_cast<unsigned long>(::getpid());
}

std::string localZoneName() {
    // TZ may also name the zone's file itself, with or without the leading colon.
    if (std::string tz = environmentValue("TZ"); !tz.empty())
        return zoneOfPath(tz[0] == ':' ? tz.substr(1) : tz);
    std::error_code error;
    const std::string target = std::filesystem::read_symlink("/etc/localtime", error).string();
    if (!error && target.find("zoneinfo/") != std::string::npos) return zoneOfPath(target);
    // Older systems copy the zone's file instead of linking it and name the zone here.
    std::string name;
    if (std::ifstream file("/etc/timezone"); file) std::getline(file, name);
    return name;
}

bool localTimeFields(std::int64_t seconds, std::tm& fields) {
    const auto t = static_cast<std::time_t>(seconds);
    return localtime_r(&t, &fields) != nullptr;
}

// A machine plays sounds through a sound server of the desktop or through a playback device of
// the kernel's sound layer. With neither, every attempt only fills the terminal with the sound
// library's complaints.
bool soundDeviceExists() {
    if (!environmentValue("PULSE_SERVER").empty()) return true;
    if (const std::string runtime = runtimeFolder(); !runtime.empty()) {
        const std::filesystem::path folder(runtime);
        std::error_code error;
        if (std::filesystem::exists(folder / "pulse/native", error) ||
            std::filesystem::exists(folder / "pipewire-0", error))
            return true;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/snd", error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("pcmC") && name.ends_with('p')) return true;
    }
    return false;
}

void setEnvironment(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

SystemFailure systemFailure(int code) {
    switch (code) {
    case ENOSPC:
        return SystemFailure::kDiskFull;
    case EDQUOT:
        return SystemFailure::kQuotaExceeded;
    case EROFS:
        return SystemFailure::kReadOnlyDisk;
    case EACCES:
    case EPERM:
        return SystemFailure::kNoPermission;
    default:
        return SystemFailure::kOther;
    }
}

} // namespace zc::platform
