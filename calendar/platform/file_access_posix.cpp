#include "platform/file_access.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zc {
namespace {

namespace fs = std::filesystem;

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::kRegular;
    if (S_ISDIR(mode)) return FileKind::kFolder;
    if (S_ISFIFO(mode)) return FileKind::kPipe;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::kDevice;
    return FileKind::kOther;
}

// Why something other than a regular file cannot serve, or why the file could not be looked at.
std::string refusal(FileKind kind, int error) {
    return error != 0 ? std::strerror(error) : notAFile(kind);
}

// What stands at a path, links followed; `error` is the errno of a failed look, 0 otherwise.
FileKind inspect(const std::string& path, int& error) {
    struct stat st {};
    error = 0;
    if (::stat(path.c_str(), &st) == 0) return kindOf(st.st_mode);
    error = errno;
    return error == ENOENT || error == ENOTDIR ? FileKind::kMissing : FileKind::kOther;
}

// The path a chain of links ends at. A link that leads round in a circle ends the walk where it
// stands; the stat of that path then reports the loop.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::error_code ec;
        fs::path target = fs::read_symlink(path, ec);
        if (ec) break;
        if (target.is_relative()) target = fs::path(path).parent_path() / target;
        path = target.string();
    }
    return path;
}

// Creates a new, hidden file beside `target` that no other program holds open. The name carries
// the process and a counter, and the exclusive create turns away any leftover of the same name.
int createBeside(const std::string& target, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    const fs::path t(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "." + t.filename().string() + "." + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter++) + ".tmp";
        temp = (t.parent_path() / name).string();
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Makes a rename in a folder survive a crash of the machine; where the folder cannot be opened
// the rename still stands, only its durability waits for the system.
void syncFolder(const std::string& file) {
    const fs::path folder = fs::path(file).parent_path();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

FileKind fileKind(const std::string& path) {
    int error = 0;
    return inspect(path, error);
}

FileHandle openRegularForReading(const std::string& path, FileKind& kind, std::string& why) {
    int error = 0;
    // Looked at before it is opened, so that no device is opened at all.
    kind = inspect(path, error);
    if (kind != FileKind::kRegular) {
        why = refusal(kind, error);
        return nullptr;
    }
    // The thing at the path can change between the look and the open; without O_NONBLOCK a pipe
    // put there would hold the open until some program writes to it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        kind = error == ENOENT ? FileKind::kMissing : FileKind::kOther;
        why = std::strerror(error);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        kind = FileKind::kOther;
        why = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        kind = kindOf(st.st_mode);
        why = notAFile(kind);
    }
    if (kind != FileKind::kRegular) {
        ::close(fd);
        return nullptr;
    }
    // Reads from a regular file never wait; the stream reads as it always does.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        why = std::strerror(errno);
        kind = FileKind::kOther;
        ::close(fd);
    }
    return FileHandle(file);
}

ReplaceResult replaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                          std::string& why) {
    const std::string target = followLinks(path);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        why = notAFile(kindOf(old.st_mode));
        return ReplaceResult::kNotCreated;
    }
    if (!existed && errno != ENOENT && errno != ENOTDIR) {
        why = std::strerror(errno);
        return ReplaceResult::kNotCreated;
    }
    std::string temp;
    const int fd = createBeside(target, temp);
    if (fd < 0) {
        why = std::strerror(errno);
        return ReplaceResult::kNotCreated;
    }
    if (existed) {
        // The new file is the old one's successor: same owner where allowed, same permissions.
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        why = std::strerror(errno);
        ::close(fd);
        ::unlink(temp.c_str());
        return ReplaceResult::kNotCreated;
    }
    bool ok = write(file);
    int error = errno;
    if (ok && std::fflush(file) != 0) ok = false, error = errno;
    if (ok && ::fsync(::fileno(file)) != 0) ok = false, error = errno;
    if (std::fclose(file) != 0 && ok) ok = false, error = errno;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false, error = errno;
    if (!ok) {
        ::unlink(temp.c_str());
        why = std::strerror(error);
        return ReplaceResult::kNotWritten;
    }
    syncFolder(target);
    return ReplaceResult::kDone;
}

} // namespace zc
