#include "platform/platform.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include <langinfo.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <locale.h>
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

void lowerThreadPriority() {
    // On Linux a nice value belongs to a thread; raising it needs no privilege.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
}

void releaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
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

TimeConventions localeTimeConventions() {
    TimeConventions conventions;
    // A locale object of its own reads the user's LC_TIME without changing the process's locale,
    // which the toolkit and the number parsing rely on.
    const locale_t locale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!locale) return conventions;
    const std::string_view name = ::nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), locale);
    // The C locale's "%H:%M:%S" is a machine format, not a choice of the user's.
    const bool plainC = name == "C" || name == "POSIX" || name.starts_with("C.");
    if (!plainC) {
        const std::string_view format = ::nl_langinfo_l(T_FMT, locale);
        conventions.twentyFourHour = format.find("%H") != std::string_view::npos ||
                                     format.find("%R") != std::string_view::npos ||
                                     format.find("%T") != std::string_view::npos;
#ifdef __GLIBC__
        // The first weekday counts from the day of _NL_TIME_WEEK_1STDAY, a date as the number
        // YYYYMMDD (19971130, a Sunday, in most locales).
        const auto packed = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(::nl_langinfo_l(_NL_TIME_WEEK_1STDAY, locale)));
        const int first = static_cast<unsigned char>(::nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, locale)[0]);
        int y = static_cast<int>(packed / 10000), m = static_cast<int>(packed / 100 % 100);
        const int d = static_cast<int>(packed % 100);
        if (first >= 1 && first <= 7 && m >= 1 && m <= 12 && d >= 1 && d <= 31) {
            // Sakamoto's rule: 0 = Sunday.
            static constexpr int kMonthOffset[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
            if (m < 3) --y;
            const int baseWeekday = (y + y / 4 - y / 100 + y / 400 + kMonthOffset[m - 1] + d) % 7;
            conventions.firstWeekday = (baseWeekday + first - 1) % 7 + 1;
        }
#endif
    }
    ::freelocale(locale);
    return conventions;
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
