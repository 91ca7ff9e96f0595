#include "platform/file_access.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace zc {
namespace {

namespace fs = std::filesystem;

FileKind kindOf(const fs::file_status& status) {
    switch (status.type()) {
    case fs::file_type::not_found:
        return FileKind::kMissing;
    case fs::file_type::regular:
        return FileKind::kRegular;
    case fs::file_type::directory:
        return FileKind::kFolder;
    case fs::file_type::fifo:
        return FileKind::kPipe;
    case fs::file_type::character:
    case fs::file_type::block:
        return FileKind::kDevice;
    default:
        return FileKind::kOther;
    }
}

std::string lastError() {
    return std::system_category().message(static_cast<int>(::GetLastError()));
}

// Whether an open stream reads or writes a file on a disk, rather than a console, a printer port
// or a pipe that a reserved name ("CON", "NUL") leads to.
bool onDisk(std::FILE* file) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    return ::GetFileType(handle) == FILE_TYPE_DISK;
}

} // namespace

FileKind fileKind(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return ec && status.type() != fs::file_type::not_found ? FileKind::kOther : kindOf(status);
}

FileHandle openRegularForReading(const std::string& path, FileKind& kind, std::string& why) {
    kind = fileKind(path);
    if (kind == FileKind::kMissing) {
        why = std::strerror(ENOENT);
        return nullptr;
    }
    if (kind != FileKind::kRegular) {
        why = notAFile(kind);
        return nullptr;
    }
    FileHandle file(::_wfopen(fs::path(path).c_str(), L"rb"));
    if (!file) {
        why = std::strerror(errno);
        kind = FileKind::kOther;
        return nullptr;
    }
    if (!onDisk(file.get())) {
        kind = FileKind::kDevice;
        why = notAFile(kind);
        return nullptr;
    }
    return file;
}

ReplaceResult replaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                          std::string& why) {
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(target, ec)) target = fs::weakly_canonical(target, ec);
    const FileKind kind = fileKind(target.string());
    if (kind != FileKind::kMissing && kind != FileKind::kRegular) {
        why = notAFile(kind);
        return ReplaceResult::kNotCreated;
    }
    // A new file beside the target; the exclusive create turns away any leftover.
    static std::atomic<unsigned> counter{0};
    fs::path temp;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temp = target.parent_path() /
               ("." + target.filename().string() + "." + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(counter++) + ".tmp");
        handle = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        why = lastError();
        return ReplaceResult::kNotCreated;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    std::FILE* file = fd >= 0 ? ::_fdopen(fd, "wb") : nullptr;
    if (!file) {
        why = std::strerror(errno);
        if (fd >= 0)
            ::_close(fd);
        else
            ::CloseHandle(handle);
        ::DeleteFileW(temp.c_str());
        return ReplaceResult::kNotCreated;
    }
    bool ok = write(file);
    std::string reason = ok ? std::string() : std::strerror(errno);
    if (ok && std::fflush(file) != 0) ok = false, reason = std::strerror(errno);
    if (ok && !::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)))))
        ok = false, reason = lastError();
    if (std::fclose(file) != 0 && ok) ok = false, reason = std::strerror(errno);
    if (ok &&
        !::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ok = false, reason = lastError();
    if (!ok) {
        ::DeleteFileW(temp.c_str());
        why = reason;
        return ReplaceResult::kNotWritten;
    }
    return ReplaceResult::kDone;
}

} // namespace zc
