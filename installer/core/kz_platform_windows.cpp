// The installer core's operating-system calls on Windows.
#ifdef _WIN32

#include "core/kz_platform.h"

#include "core/kz_expand.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

std::string Parent(const std::string& path) {
    const std::size_t at = path.find_last_of("\\/");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

int LastError() {
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
        return ENOSPC;
    default:
        return EIO;
    }
}

// A file handle that is closed when it goes out of scope.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (Valid()) CloseHandle(handle_);
    }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

HANDLE OpenForReading(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    // Only disk files: a pipe or a device would make the installer wait for it.
    if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// True while a process of that id runs (one of another user's counts as running).
bool ProcessRuns(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// Removes from folder the temporary files of an installer that ended before it could remove them,
// told by the process id in their names; each folder is looked at once in a run. A file that is
// still open cannot be deleted, which spares one a living installer writes under a reused id.
void RemoveStaleTemporaries(const std::string& folder) {
    static std::set<std::string> swept;
    if (!swept.insert(folder).second) return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + ".kzinstall-*.tmp").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        unsigned long owner = 0;
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            std::sscanf(entry.cFileName, ".kzinstall-%lu-", &owner) != 1 || owner == GetCurrentProcessId() ||
            ProcessRuns(owner))
            continue;
        DeleteFileA((folder + entry.cFileName).c_str());
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

// Writes a new file beside path and moves it over path once it is complete and flushed. The file is
// named after this process, so that a later run can clear it away if this one is ended first.
template <class Fill> int WriteReplacing(const std::string& path, Fill fill) {
    const std::string folder = Parent(path);
    RemoveStaleTemporaries(folder);
    const std::string stem = folder + ".kzinstall-" + std::to_string(GetCurrentProcessId()) + "-";
    std::string temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; created == INVALID_HANDLE_VALUE && attempt < 1000; ++attempt) {
        temporary = stem + std::to_string(attempt) + ".tmp";
        created = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return LastError();
    }
    if (created == INVALID_HANDLE_VALUE) return EEXIST;
    int error = 0;
    {
        Handle out(created);
        if (!fill(out.Get())) error = EIO;
        if (error == 0 && !FlushFileBuffers(out.Get())) error = LastError();
    }
    if (error == 0 &&
        !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = LastError();
    if (error != 0) DeleteFileA(temporary.c_str());
    return error;
}

} // namespace

char KzPathSeparator() {
    return '\\';
}

std::string KzRootDirectory() {
    return "c:\\";
}

const char* KzDirectoryEnds() {
    return "\\/:";
}

bool KzIsRooted(const std::string& path) {
    if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) return true;
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

std::string KzWithoutForeignDrive(const std::string& path) {
    return path;
}

std::string KzHomeDirectory() {
    const auto home = KzEnvironmentPath("USERPROFILE");
    return home ? *home : std::string();
}

std::optional<std::string> KzEnvironmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || !KzIsRooted(value)) return std::nullopt;
    return std::string(value);
}

std::string AppDirectory() {
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return ".\\";
    return Parent(std::string(buffer, length));
}

bool KzIsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool KzExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string KzErrorText(int error) {
    return std::strerror(error);
}

int KzReadWholeFile(const std::string& path, std::string& content, std::size_t maxSize) {
    content.clear();
    Handle file(OpenForReading(path));
    if (!file.Valid()) return LastError();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) return LastError();
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize) return EFBIG;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return LastError();
        if (got == 0) return 0;
        if (content.size() + got > maxSize) return EFBIG;
        content.append(buffer, got);
    }
}

int KzWriteFileAtomically(const std::string& path, const std::string& content, unsigned) {
    return WriteReplacing(path, [&](HANDLE out) {
        DWORD written = 0;
        return content.empty() ||
               (WriteFile(out, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                written == content.size());
    });
}

KzCopyResult KzCopyExpand(const std::string& source, const std::string& destination,
                          const KzWriteObserver& observer) {
    Handle in(OpenForReading(source));
    if (!in.Valid()) return KzCopyResult::CannotOpenSource;
    if (destination.empty() || destination.back() == '\\' || destination.back() == '/' ||
        KzIsDirectory(destination))
        return KzCopyResult::CannotOpenDestination;
    bool expanded = true;
    const int error = WriteReplacing(destination, [&](HANDLE out) {
        auto reader = [&](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
            DWORD got = 0;
            if (!ReadFile(in.Get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
            return got;
        };
        auto writer = [&](const std::uint8_t* data, std::size_t size) {
            DWORD written = 0;
            if (!WriteFile(out, data, static_cast<DWORD>(size), &written, nullptr) || written != size) return false;
            if (observer) observer(data, size);
            return true;
        };
        expanded = KzExpandStream(reader, writer) == KzExpandStatus::Ok;
        return expanded;
    });
    if (error == 0) return KzCopyResult::Ok;
    return expanded ? KzCopyResult::CannotOpenDestination : KzCopyResult::Failed;
}

int KzMakeOneDirectory(const std::string& path) {
    if (KzExists(path)) return EEXIST;
    return CreateDirectoryA(path.c_str(), nullptr) ? 0 : LastError();
}

int KzRenameNoReplace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the new name is taken.
    return MoveFileExA(from.c_str(), to.c_str(), 0) ? 0 : LastError();
}

std::optional<std::string> KzFileHead(const std::string& path, std::size_t count) {
    Handle file(OpenForReading(path));
    if (!file.Valid()) return std::nullopt;
    std::string head(count, '\0');
    DWORD got = 0;
    if (count > 0 && !ReadFile(file.Get(), head.data(), static_cast<DWORD>(count), &got, nullptr))
        return std::nullopt;
    head.resize(got);
    return head;
}

void KzMakeExecutable(const std::string&) {
    // Windows tells programs by their extension; there is no permission to give.
}

void KzRemoveTemporariesOnSignals() {
    // Windows ends a window program without a signal it could catch; what an ended run leaves is
    // cleared by the next run instead.
}

bool KzStartProgram(const std::vector<std::string>& arguments, const std::string& workingDir) {
    if (arguments.empty()) return false;
    // The command line by the rules the programs' own start-up code splits it with.
    std::string commandLine;
    for (const std::string& argument : arguments) {
        if (!commandLine.empty()) commandLine += ' ';
        commandLine += '"';
        std::size_t backslashes = 0;
        for (char c : argument) {
            if (c == '\\') {
                ++backslashes;
            } else {
                if (c == '"') commandLine.append(backslashes + 1, '\\');
                backslashes = 0;
            }
            commandLine += c;
        }
        commandLine.append(backslashes, '\\');
        commandLine += '"';
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(arguments.front().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

KzExpandStatus KzExpandFile(int inFd, int outFd, bool* compressed, const KzWriteObserver& observer) {
    auto reader = [inFd](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
        return _read(inFd, buffer, static_cast<unsigned>(size));
    };
    auto writer = [outFd, &observer](const std::uint8_t* data, std::size_t size) {
        const std::uint8_t* const start = data;
        const std::size_t total = size;
        while (size > 0) {
            const int put = _write(outFd, data, static_cast<unsigned>(size));
            if (put <= 0) return false;
            data += put;
            size -= static_cast<std::size_t>(put);
        }
        if (observer) observer(start, total);
        return true;
    };
    return KzExpandStream(reader, writer, compressed);
}

#endif // _WIN32
