#include "platform/platform.h"

#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <string_view>

#include <windows.h>

#include <mmsystem.h>
#include <sddl.h>
#include <shlobj.h>

#include <unicode/ucal.h>
#include <unicode/ustring.h>

namespace zc::platform {
namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which the MinGW headers lack.
constexpr int kDiskQuotaExceeded = 1295;

std::string utf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                              nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string environmentValue(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return utf8(value);
}

std::string userTemporaryFolder() {
    wchar_t path[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH) return {};
    std::wstring_view folder(path, length);
    // The folder comes with a closing backslash; callers add their own separator.
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.remove_suffix(1);
    return utf8(folder);
}

// The user's country as two letters, which picks among the zones that share one Windows name
// ("W. Europe Standard Time" is Berlin in Germany and Zurich in Switzerland); empty when unknown.
std::string userRegion() {
    const GEOID geo = ::GetUserGeoID(GEOCLASS_NATION);
    if (geo == GEOID_NOT_AVAILABLE) return {};
    wchar_t code[8];
    if (::GetGeoInfoW(geo, GEO_ISO2, code, 8, 0) == 0) return {};
    return utf8(code);
}

} // namespace

TimeConventions localeTimeConventions() {
    TimeConventions conventions;
    wchar_t text[80];
    // The long time format ("HH:mm:ss", "h:mm:ss tt"): a capital H is the 24-hour clock.
    if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STIMEFORMAT, text, 80) > 0)
        conventions.twentyFourHour = std::wstring_view(text).find(L'H') != std::wstring_view::npos;
    // "0" is Monday through "6", Sunday.
    if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK, text, 80) > 0 && text[0] >= L'0' &&
        text[0] <= L'6')
        conventions.firstWeekday = (text[0] - L'0' + 1) % 7 + 1;
    return conventions;
}

std::string userDataFolder() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = utf8(path);
    ::CoTaskMemFree(path);
    return folder;
}

std::string runtimeFolder() {
    return userTemporaryFolder();
}

std::string temporaryFolder() {
    return userTemporaryFolder();
}

std::string userId() {
    HANDLE token = nullptr;
    std::string id;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        auto buffer = std::make_unique<unsigned char[]>(size);
        LPSTR text = nullptr;
        if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.get(), size, &size) &&
            ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, &text)) {
            id = text;
            ::LocalFree(text);
        }
        ::CloseHandle(token);
    }
    // Without its token the process still knows its login session, which no other user shares.
    if (id.empty()) {
        DWORD session = 0;
        ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
        id = "session-" + std::to_string(session);
    }
    return id;
}

unsigned long processId() {
    return ::GetCurrentProcessId();
}

std::string localZoneName() {
    // An IANA name in TZ (set by a user or a test) wins; the C library's own "PST8PDT" forms name
    // no zone.
    if (std::string tz = environmentValue(L"TZ"); tz.find('/') != std::string::npos)
        return tz[0] == ':' ? tz.substr(1) : tz;
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (::GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || zone.TimeZoneKeyName[0] == L'\0')
        return {};
    // Windows names its zones its own way; the CLDR table in ICU maps them to IANA names.
    const std::string region = userRegion();
    UChar id[128];
    UErrorCode status = U_ZERO_ERROR;
    const auto* windowsName = reinterpret_cast<const UChar*>(zone.TimeZoneKeyName);
    const int32_t length = ucal_getTimeZoneIDForWindowsID(
        windowsName, -1, region.empty() ? nullptr : region.c_str(), id, 128, &status);
    if (U_FAILURE(status) || length <= 0) return {};
    std::string name(static_cast<std::size_t>(length), '\0');
    u_UCharsToChars(id, name.data(), length);
    return name;
}

bool localTimeFields(std::int64_t seconds, std::tm& fields) {
    const auto t = static_cast<std::time_t>(seconds);
    return localtime_s(&fields, &t) == 0;
}

void lowerThreadPriority() {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

void releaseFreedMemory() {
    _heapmin();
}

bool soundDeviceExists() {
    return ::waveOutGetNumDevs() > 0;
}

void setEnvironment(const std::string& name, const std::string& value) {
    // Through the C library, so that both its copy of the environment and the system's change.
    ::_wputenv_s(wide(name).c_str(), wide(value).c_str());
}

SystemFailure systemFailure(int code) {
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return SystemFailure::kDiskFull;
    case kDiskQuotaExceeded:
        return SystemFailure::kQuotaExceeded;
    case ERROR_WRITE_PROTECT:
        return SystemFailure::kReadOnlyDisk;
    case ERROR_ACCESS_DENIED:
        return SystemFailure::kNoPermission;
    default:
        return SystemFailure::kOther;
    }
}

} // namespace zc::platform
